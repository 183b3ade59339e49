// "Извлечь..." and dragging rows out of "Список": "Распаковка" of some rows only.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "assembly/repack.h"
#include "base/error.h"
#include "dump/commands.h"

namespace vesk {

std::vector<std::string> ExtractRows(const Form& form, Host& host, const ProgramFolder& folder,
                                     const std::vector<int>& rows, const std::string& outFolder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(outFolder, ec)) {
        std::filesystem::create_directories(outFolder, ec);
        if (ec) ThrowUnableToWrite(outFolder);
    }
    // The rows not chosen are emptied on a copy of the list: no block finds them.
    Form work = form;
    for (int r = 1; r < work.FileGrid.RowCount(); ++r) {
        if (std::find(rows.begin(), rows.end(), r) != rows.end()) continue;
        for (int c = kFileNameCol; c < work.FileGrid.ColCount(); ++c) work.FileGrid.SetCell(c, r, "");
    }
    work.TempFolderEdit = outFolder.empty() || outFolder.back() == '/' ? outFolder : outFolder + "/";
    const std::vector<std::string> paths = UnpackFiles(work, host, folder).paths;
    std::vector<std::string> written;
    for (const int r : rows) {
        if (r >= 1 && r < static_cast<int>(paths.size()) && !paths[static_cast<std::size_t>(r)].empty()) {
            written.push_back(paths[static_cast<std::size_t>(r)]);
        }
    }
    return written;
}

}  // namespace vesk

// "Извлечь..." and dragging rows out of "Список": "Распаковка" of some rows only.
#include "assembly/repack.h"
#include "dump/commands.h"
#include "platform/folders.h"

namespace vesk {

std::vector<std::string> ExtractRows(Form& form, Host& host, const ProgramFolder& folder, const std::vector<int>& rows,
                                     const std::string& outFolder) {
    MakeFolders(outFolder);
    const std::string out = outFolder.empty() || outFolder.back() == '/' ? outFolder : outFolder + "/";
    const std::vector<std::string> paths = UnpackGridRows(form, host, folder, rows, out).paths;
    std::vector<std::string> written;
    for (const int r : rows) {
        if (r >= 1 && r < static_cast<int>(paths.size()) && !paths[static_cast<std::size_t>(r)].empty()) {
            written.push_back(paths[static_cast<std::size_t>(r)]);
        }
    }
    return written;
}

}  // namespace vesk

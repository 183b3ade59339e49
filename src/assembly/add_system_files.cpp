#include <algorithm>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

using namespace assembly;

bool IsListed(const TextGrid& grid, const std::string& path) {
    const int rows = std::max(grid.RowCount(), grid.StoredRows());
    for (int r = 1; r < rows; ++r) {
        if (grid.Cell(kBuildPathCol, r) == path) return true;
    }
    return false;
}

void AddSystemFileWith(Form& form, Host& host, const ProgramFolder& folder, const Settings& settings) {
    host.ShowFolder(folder.System());
    const std::string& path = form.OpenDumpPath;
    TextGrid& grid = form.BuildGrid;
    // A system file already on the list, in whatever row, is not added again.
    if (!path.empty() && IsListed(grid, path)) return;
    // The file is not opened here: its group comes from its name, and a file that is missing
    // shows the size -1 and fails only when the dump is assembled.
    WalkToFreeRow(grid, path, WalkCheck::RowReached, [&](int r) {
        FillBuildRow(grid, r, path, [&] { return settings.Group1(FileNamePart(path)); });
    });
}

// [Files] values were written on Windows, with "\" between folders.
std::string NativePath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace

void AddSystemFile(Form& form, Host& host, const ProgramFolder& folder) {
    const Settings settings(folder);
    AddSystemFileWith(form, host, folder, settings);
}

void AddSystemFiles(Form& form, Host& host, const ProgramFolder& folder) {
    const Settings settings(folder);
    // Key 1 is always used; the list ends at the first empty or missing key after it. Each file
    // passes through the open-dump path, which names the last one afterwards.
    for (int n = 1;; ++n) {
        form.OpenDumpPath = folder.Path() + NativePath(settings.SystemFile(n));
        AddSystemFileWith(form, host, folder, settings);
        if (settings.SystemFile(n + 1).empty()) break;
    }
}

}  // namespace vesk

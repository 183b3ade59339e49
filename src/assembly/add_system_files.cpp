#include <algorithm>
#include <unordered_set>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

using namespace assembly;

bool IsListed(const TextGrid& grid, const std::string& path) {
    const int rows = grid.StoredRows();
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
    host.ShowFolder(folder.System());
    // What AddSystemFile finds by walking the rows, kept as the loop goes: the paths listed and
    // the first free row. Thousands of system files then cost one pass, not one per file.
    TextGrid& grid = form.BuildGrid;
    std::unordered_set<std::string> listed;
    const int rows = grid.StoredRows();
    for (int r = 1; r < rows; ++r) {
        if (!grid.Cell(kBuildPathCol, r).empty()) listed.insert(grid.Cell(kBuildPathCol, r));
    }
    int free = 1;
    const auto nextFree = [&] {
        while (!grid.Cell(kBuildPathCol, free).empty()) ++free;
    };
    nextFree();
    // Key 1 is always used; the list ends at the first empty or missing key after it. Each file
    // passes through the open-dump path, which names the last one afterwards.
    for (const std::string& file : settings.SystemFiles()) {
        const std::string path = folder.Path() + NativePath(file);
        form.OpenDumpPath = path;
        // A system file already on the list, in whatever row, is not added again.
        if (!listed.insert(path).second) continue;
        FillBuildRow(grid, free, path, [&] { return settings.Group1(FileNamePart(path)); });
        nextFree();
    }
}

}  // namespace vesk

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

// The file is not opened here: its group comes from its name, and a file that is missing shows
// the size -1 and fails only when the dump is assembled.
void FillSystemRow(TextGrid& grid, int r, const std::string& path, const Settings& settings) {
    FillBuildRow(grid, r, path, [&] { return settings.Group1(FileNamePart(path)); });
}

// [Files] values were written on Windows, with "\" between folders.
std::string NativePath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace

void AddSystemFile(Form& form, Host& host, const ProgramFolder& folder, const std::string& path) {
    const Settings settings(folder);
    host.ShowFolder(folder.System());
    // The walk compares each row it moves to with the path, so a copy standing in rows 2 up to
    // the first free row stops it, and one in row 1 is never seen.
    WalkToFreeRow(form.BuildGrid, path, WalkCheck::RowReached, [&](int r) { FillSystemRow(form.BuildGrid, r, path, settings); });
}

void AddSystemFiles(Form& form, Host& host, const ProgramFolder& folder) {
    const Settings settings(folder);
    host.ShowFolder(folder.System());
    // What AddSystemFile's walk would find, kept as the loop goes: the first free row and the paths
    // that stand in rows 2 up to it. Thousands of system files then cost one pass,
    // not one walk per file.
    TextGrid& grid = form.BuildGrid;
    std::unordered_set<std::string> passed;
    int free = 1;
    const auto nextFree = [&] {
        while (!grid.Cell(kBuildPathCol, free).empty()) {
            if (free >= 2) passed.insert(grid.Cell(kBuildPathCol, free));
            ++free;
        }
    };
    nextFree();
    // Key 1 is always used; the list ends at the first empty or missing key after it.
    for (const std::string& file : settings.SystemFiles()) {
        const std::string path = folder.Path() + NativePath(file);
        if (passed.contains(path)) continue;
        FillSystemRow(grid, free, path, settings);
        nextFree();
    }
}

}  // namespace vesk

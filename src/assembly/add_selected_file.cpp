#include <array>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

using namespace assembly;

// Fills row r with the file at path. The first three bytes choose the group, so a file that
// cannot be read (or is shorter than that) ends the command with the row half filled: the
// cells set before the read stay, as the window has always shown them.
void FillRow(TextGrid& grid, int r, const std::string& path, const Settings& settings) {
    grid.SetCell(kPathCol, r, path);
    grid.SetCell(kRowCol, r, std::to_string(r));
    grid.SetCell(kNameCol, r, FileNamePart(path));
    grid.SetCell(kSizeCol, r, std::to_string(FileSizeOrMinusOne(path)));
    grid.SetCell(kAddressCol, r, ByteToHex(r) + "00");
    std::array<std::uint8_t, 3> signature{};
    {
        // Reading only, so a read-only file can be built too.
        ByteFile file = ByteFile::Open(path, ByteFile::Mode::Read);
        file.Read(signature);
    }
    grid.SetCell(kGroupCol, r, settings.Group1(BytesToHexText(signature)));
    grid.SetCell(kNumberCol, r, std::to_string(r));
}

}  // namespace

void AddSelectedFile(Form& form, Host& host, const ProgramFolder& folder) {
    const Settings settings(folder);
    const std::string path = host.SelectedFile();
    TextGrid& grid = form.BuildGrid;
    // Walks the taken rows to the first free one and fills it. Each step compares the row it
    // leaves with the file, so a file already listed before the first free row stops the walk
    // there and is not added twice.
    int r = 1;
    for (;;) {
        if (!grid.Cell(kPathCol, r).empty()) {
            ++r;
        } else {
            FillRow(grid, r, path, settings);
        }
        if (grid.Cell(kPathCol, r - 1) == path) break;
    }
    // "Собрать" advances the bar against this maximum.
    host.SetProgressMax(r - 1);
}

}  // namespace vesk

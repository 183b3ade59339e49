// repack: a dump's list into a build list, the changes of the command line in their order, then
// "Собрать всё" onto the dump (or --out). Nothing but the new dump and its .bak is written: the
// list's files are held in memory, not unpacked.
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "assembly/build_file.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "cli/session.h"
#include "config/settings.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk::cli {
namespace {

int LastRow(const TextGrid& grid) {
    int last = 0;
    for (int r = 1; r < std::max(grid.RowCount(), grid.StoredRows()); ++r) {
        for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) {
            if (!grid.Cell(c, r).empty()) last = r;
        }
    }
    return last;
}

// The one row of the build list called `name`; none or two are refused, naming it.
int RowNamed(const TextGrid& grid, const std::string& name) {
    std::vector<int> rows;
    const int last = LastRow(grid);
    for (int r = 1; r <= last; ++r) {
        if (grid.Cell(kBuildNameCol, r) == name) rows.push_back(r);
    }
    if (rows.empty()) Refuse("Нет файла «" + name + "» в списке сборки.");
    if (rows.size() > 1) {
        Refuse("Файл «" + name + "» в списке сборки не один (строки " + std::to_string(rows[0]) + " и " +
               std::to_string(rows[1]) + "): какой из них менять, не ясно.");
    }
    return rows.front();
}

// --add: a row after the last one, filled as "Добавить" fills a row: the group by the file's
// first three bytes.
void AddAfterLast(Session& s, const std::string& file) {
    const std::string path = std::filesystem::absolute(file).lexically_normal().string();
    const Settings settings(s.folder);
    const int r = LastRow(s.form.BuildGrid) + 1;
    assembly::FillBuildRow(s.form.BuildGrid, r, path, [&] {
        std::array<std::uint8_t, 3> signature{};
        ByteFile::Open(path).Read(signature);
        return settings.Group1(BytesToHexText(signature));
    });
}

}  // namespace

void RunRepack(Session& s) {
    ChooseList(s);
    const std::string dump = s.form.OpenDumpPath;
    HeldFiles held = TakeListIntoBuildHeld(s.form, s.host, s.folder);
    TextGrid& grid = s.form.BuildGrid;
    for (const Change& change : s.invocation.changes) {
        const std::vector<std::string>& v = change.values;
        switch (change.option) {
        case kReplace: {
            const int r = RowNamed(grid, v[0]);
            ReplaceBuildRow(grid, r, v[1]);
            held.erase(r);
            break;
        }
        case kRemove: {
            const int r = RowNamed(grid, v[0]);
            for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) grid.SetCell(c, r, "");
            held.erase(r);
            break;
        }
        case kRename: grid.SetCell(kBuildNameCol, RowNamed(grid, v[0]), v[1]); break;
        case kAdd: AddAfterLast(s, v[0]); break;
        default: break;
        }
    }
    AssembleChecked(s.form, s.host, s.folder, s.invocation.out ? *s.invocation.out : dump, std::move(held));
}

}  // namespace vesk::cli

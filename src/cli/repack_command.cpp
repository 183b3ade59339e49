// repack: a dump's list into build rows, the changes of the command line in their order, then
// "Собрать всё" onto the dump (or --out). Nothing but the new dump and its .bak is written: the
// list's files are held in memory, not unpacked.
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "assembly/build_file.h"
#include "assembly/build_rows.h"
#include "assembly/picture_replace.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "cli/session.h"
#include "cli/text_table.h"
#include "config/settings.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk::cli {
namespace {

// The one row called `name`; none or two are refused, naming it.
BuildRow& RowNamed(std::vector<BuildRow>& rows, const std::string& name) {
    std::vector<BuildRow*> named;
    for (BuildRow& row : rows) {
        if (row.name == name) named.push_back(&row);
    }
    if (named.empty()) Refuse("Нет файла «" + name + "» в списке сборки.");
    if (named.size() > 1) {
        Refuse("Файл «" + name + "» в списке сборки не один (строки " + std::to_string(named[0]->row) + " и " +
               std::to_string(named[1]->row) + "): какой из них менять, не ясно.");
    }
    return *named.front();
}

// A name "Добавить" could have given: a file's name, so no "/", and nothing that is not text.
const std::string& CheckedNewName(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/') Refuse("Имя «" + name + "» не годится: в имени файла не бывает «/».");
        if (byte < 0x20 || byte == 0x7F) {
            Refuse("Имя «" + ShowControls(name) + "» не годится: в нём управляющий символ, а имя файла — текст.");
        }
    }
    return name;
}

// --add: a row after the last one, filled as "Добавить" fills a row: the group by the file's
// first three bytes.
BuildRow RowAfterLast(const Session& s, const std::vector<BuildRow>& rows, const std::string& file) {
    const std::string path = std::filesystem::absolute(file).lexically_normal().string();
    const int r = rows.empty() ? 1 : rows.back().row + 1;
    assembly::CheckSourceFile(path);
    std::array<std::uint8_t, 3> signature{};
    ByteFile::Open(path).Read(signature);
    return BuildRowOfFile(path, r, Settings(s.folder).Group1(BytesToHexText(signature)));
}

// The list into rows, the changes in their order, the checked build.
void Repack(Session& s) {
    // From reading the dump to putting the new one in its place, another change of it waits.
    const FileLock lock = FileLock::Hold(s.Operand(0));
    const std::int64_t list = ChooseList(s);
    const std::string dump = s.form.OpenDumpPath;
    std::vector<BuildRow> rows = ListBuildRows(dump, list, s.form.FirmwareCombo, s.host, s.folder);
    // What each replaced entry held, by row: the build names the pictures that changed.
    std::map<int, std::string> replaced;
    for (const Change& change : s.invocation.changes) {
        const std::vector<std::string>& v = change.values;
        switch (change.option) {
        case kReplace: {
            BuildRow& row = RowNamed(rows, v[0]);
            const std::string before = PictureTextOf(row);
            if (s.invocation.convert) {
                ReplaceRowConverted(row, v[1]);
            } else {
                ReplaceRowFile(row, v[1]);
            }
            replaced.emplace(row.row, before);
            break;
        }
        case kRemove: {
            const BuildRow* removed = &RowNamed(rows, v[0]);
            replaced.erase(removed->row);
            rows.erase(rows.begin() + (removed - rows.data()));
            break;
        }
        case kRename: RowNamed(rows, v[0]).name = CheckedNewName(v[1]); break;
        case kAdd: rows.push_back(RowAfterLast(s, rows, v[0])); break;
        default: break;
        }
    }
    const std::vector<std::string> changed = PictureChangeLines(rows, replaced);
    BuildChecked(std::move(rows), s.form.FirmwareCombo, s.host, s.folder, s.invocation.out ? *s.invocation.out : dump);
    for (const std::string& line : changed) s.host.Report(line);
}

}  // namespace

void RunRepack(Session& s) {
    // Its own refusals (a name not in the list, a damaged entry, the build's) concern the dump.
    NamingFile(s.Operand(0), [&] { Repack(s); });
}

}  // namespace vesk::cli

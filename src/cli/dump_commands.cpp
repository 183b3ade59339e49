// lists, files, unpack: the reading road of the window, "Открыть", "Поиск" and "Распаковка".
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/json_writer.h"
#include "cli/session.h"
#include "cli/text_table.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/layout.h"
#include "dump/messages.h"
#include "base/error.h"
#include "hextext/hextext.h"

namespace vesk::cli {
namespace {

struct FoundList {
    std::string position;
    bool current = false;
    bool selected = false;
};

// "Открыть" on the dump. False when the scan stopped with an error box.
bool Scan(Session& s) {
    s.form.OpenDumpPath = s.Operand(0);
    OpenDump(s.form, s.host, s.folder);
    return !s.host.Failed();
}

// The lists of this scan: the rows of ListsGrid up to the end mark it leaves. Whether a list is
// the current one is the state byte of its sector, as the scan itself decides it.
std::vector<FoundList> FoundLists(Session& s) {
    std::vector<FoundList> lists;
    const TextGrid& grid = s.form.ListsGrid;
    if (s.form.ListAddressEdit.empty()) return lists;  // nothing found
    DumpReader dump(s.form.OpenDumpPath, DumpReader::Loading::OnDemand);
    for (int row = 1; row < grid.RowCount() && grid.Cell(0, row) != messages::kListsEnd; ++row) {
        FoundList list;
        list.position = grid.Cell(0, row);
        const std::int64_t position = StrToInt(list.position);
        const int sector = static_cast<int>(position / layout::kSectorSize);
        list.current = dump.ByteAt(layout::SectorStart(sector) + layout::kListStateOffset) == 0xFF;
        list.selected = row == grid.Row;
        lists.push_back(list);
    }
    return lists;
}

// The list that files and unpack read: the one given with --list (no scan: the user knows the
// position, and a dump whose scan stops can still be read), else the one the scan selects.
bool ChooseList(Session& s) {
    if (s.invocation.list) {
        s.form.OpenDumpPath = s.Operand(0);
        s.form.ListAddressEdit = *s.invocation.list;
        return true;
    }
    if (!Scan(s)) return false;
    if (s.form.ListAddressEdit.empty()) {
        // No list: the window's status line says so, and there is nothing to read.
        s.host.Fail(s.host.Status(1));
        return false;
    }
    return true;
}

// "Поиск". False when it stopped with an error box.
bool ReadList(Session& s) {
    if (!ChooseList(s)) return false;
    ReadFileList(s.form, s.host, s.folder);
    return !s.host.Failed();
}

// The unpack folder: --out, else [Temp] Files, else files/ of the program folder. The window's
// start-up writes that default into vesk.ini; the command line only uses it.
std::string UnpackFolder(Session& s) {
    std::string folder;
    if (s.invocation.out) {
        folder = *s.invocation.out;
        if (folder.back() != '/') folder += '/';
    } else {
        folder = Settings(s.folder).UnpackFolder();
        if (!folder.empty()) return folder;  // as the settings say, joined to the names as the window joins them
        folder = s.folder.Files();
    }
    // The window makes files/ at start-up; a folder named on the command line is made as well.
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) ThrowUnableToWrite(folder);
    }
    return folder;
}

}  // namespace

void RunLists(Session& s) {
    if (!Scan(s)) return;
    const std::vector<FoundList> lists = FoundLists(s);
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("dump").String(s.form.OpenDumpPath);
        json.Key("selected");
        if (lists.empty()) json.Null(); else json.String(s.form.ListAddressEdit);
        json.Key("lists").BeginArray();
        for (std::size_t i = 0; i < lists.size(); ++i) {
            json.BeginObject()
                .Key("number").Number(static_cast<std::int64_t>(i) + 1)
                .Key("position").String(lists[i].position)
                .Key("current").Bool(lists[i].current)
                .Key("selected").Bool(lists[i].selected)
                .EndObject();
        }
        json.EndArray().EndObject().End();
        return;
    }
    std::vector<TextRow> rows = {{"№", s.form.ListsGrid.Cell(0, 0), "Состояние", "Выбран"}};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        rows.push_back({std::to_string(i + 1), lists[i].position, lists[i].current ? "текущий" : "прежний",
                        lists[i].selected ? "*" : ""});
    }
    WriteTable(s.out, rows);
}

void RunFiles(Session& s) {
    if (!ReadList(s)) return;
    const TextGrid& grid = s.form.FileGrid;
    std::vector<int> shown;
    for (int r = 1; r <= layout::kEntriesPerList; ++r) {
        if (s.invocation.all || !grid.Cell(1, r).empty()) shown.push_back(r);
    }
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("dump").String(s.form.OpenDumpPath).Key("list").String(s.form.ListAddressEdit);
        json.Key("files").BeginArray();
        for (const int r : shown) {
            json.BeginObject()
                .Key("number").Decimal(grid.Cell(0, r))
                .Key("name").String(grid.Cell(1, r))
                .Key("size").Decimal(grid.Cell(2, r))
                .Key("address").String(grid.Cell(3, r))
                .Key("group").String(grid.Cell(4, r))
                .Key("fileNumber").Decimal(grid.Cell(5, r))
                .EndObject();
        }
        json.EndArray().EndObject().End();
        return;
    }
    // Row 0 holds the headings of the window's "Список" grid.
    std::vector<TextRow> rows;
    shown.insert(shown.begin(), 0);
    for (const int r : shown) {
        rows.push_back({grid.Cell(0, r), grid.Cell(1, r), grid.Cell(2, r), grid.Cell(3, r), grid.Cell(4, r), grid.Cell(5, r)});
    }
    WriteTable(s.out, rows);
}

void RunUnpack(Session& s) {
    if (!ReadList(s)) return;
    s.form.TempFolderEdit = UnpackFolder(s);
    UnpackFiles(s.form, s.host, s.folder);
}

}  // namespace vesk::cli

// lists, files, unpack: the reading road of the window, "Открыть", "Поиск" and "Распаковка".
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"
#include "cli/json_writer.h"
#include "cli/session.h"
#include "cli/text_table.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/messages.h"
#include "dump/unpack.h"
#include "hextext/hextext.h"
#include "platform/folders.h"

namespace vesk::cli {

// The list that files, unpack and repack read: the one given with --list (no scan: the user
// knows the position, and a dump whose scan stops can still be read), else the one the scan
// selects. Its position goes into ListAddressEdit too, where "Поиск" reads it.
std::int64_t ChooseList(Session& s) {
    s.form.OpenDumpPath = s.Operand(0);
    if (s.invocation.list) {
        s.form.ListAddressEdit = *s.invocation.list;
        return ListPositionValue(s.form.ListAddressEdit, messages::ToHost(s.host));
    }
    // No list: the window's status line says so, and there is nothing to read.
    const ListScan scan = OpenDump(s.form, s.host, s.folder);
    if (!scan.Selected()) Refuse(std::string(messages::kListCount) + "0");
    return scan.Selected()->position;
}

namespace {

// The unpack folder: --out, else [Temp] Files, else files/ of the program folder. The window's
// start-up writes that default into vesk.ini; the command line only uses it.
std::string UnpackFolder(Session& s) {
    std::string folder;
    if (s.invocation.out) {
        // A relative folder is the user's, from where vesk runs: unpacking would otherwise take
        // it as the program folder's.
        folder = std::filesystem::absolute(*s.invocation.out).string();
        if (folder.back() != '/') folder += '/';
    } else {
        const std::string text = Settings(s.folder).UnpackFolder();
        // As the window takes the folder its settings name.
        if (!text.empty()) return UnpackFolderPath(text, s.folder);
        folder = s.folder.Files();
    }
    // The window makes files/ at start-up; a folder named on the command line is made as well.
    MakeFolders(folder);
    return folder;
}

void PrintLists(Session& s, const ListScan& scan) {
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("dump").String(s.form.OpenDumpPath);
        json.Key("selected");
        if (const FoundList* selected = scan.Selected()) json.String(ListPositionText(selected->position)); else json.Null();
        json.Key("lists").BeginArray();
        for (std::size_t i = 0; i < scan.lists.size(); ++i) {
            json.BeginObject()
                .Key("number").Number(static_cast<std::int64_t>(i) + 1)
                .Key("position").String(ListPositionText(scan.lists[i].position))
                .Key("current").Bool(scan.lists[i].Current())
                .Key("selected").Bool(scan.selected == i)
                .EndObject();
        }
        json.EndArray().EndObject().End();
        return;
    }
    std::vector<TextRow> rows = {{"№", kListsHeader, "Состояние", "Выбран"}};
    for (std::size_t i = 0; i < scan.lists.size(); ++i) {
        rows.push_back({std::to_string(i + 1), ListPositionText(scan.lists[i].position),
                        scan.lists[i].Current() ? "текущий" : "прежний", scan.selected == i ? "*" : ""});
    }
    WriteTable(s.out, rows);
}

}  // namespace

void RunLists(Session& s) {
    s.form.OpenDumpPath = s.Operand(0);
    // The lists a scan finds are shown even when it stops (an unknown list address, a short
    // dump), as the window keeps them; the reason follows, and the status is 1.
    const ListScan scan = ScanDumpFile(s.form.OpenDumpPath, s.folder, s.form.FirmwareCombo, messages::ToHost(s.host));
    PrintLists(s, scan);
    if (scan.stop) {
        s.out.flush();
        if (scan.stop->error) std::rethrow_exception(scan.stop->error);
        Refuse(scan.stop->message);
    }
}

void RunFiles(Session& s) {
    ChooseList(s);
    const FileListRead read = ReadFileList(s.form, s.host, s.folder);
    std::vector<const ListEntry*> shown;
    for (const ListEntry& entry : read.entries) {
        if (s.invocation.all || entry.InUse()) shown.push_back(&entry);
    }
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("dump").String(s.form.OpenDumpPath).Key("list").String(s.form.ListAddressEdit);
        json.Key("files").BeginArray();
        for (const ListEntry* e : shown) {
            json.BeginObject()
                .Key("number").Number(e->index + 1)
                .Key("name").String(e->name)
                .Key("size").Number(e->size)
                .Key("address").String(e->address)
                .Key("group").String(e->groupName)
                .Key("fileNumber").Number(e->fileNumber)
                .EndObject();
        }
        json.EndArray().EndObject().End();
        return;
    }
    // The headings of the window's "Список" grid.
    std::vector<TextRow> rows = {TextRow(std::begin(kFileHeaders), std::end(kFileHeaders))};
    for (const ListEntry* e : shown) {
        rows.push_back({std::to_string(e->index + 1), e->name, std::to_string(e->size), e->address, e->groupName,
                        std::to_string(e->fileNumber)});
    }
    WriteTable(s.out, rows);
}

namespace {

// Only the entries named after DUMP; a name that is not in the list is refused before anything
// is written.
std::vector<ListEntry> NamedEntries(const Session& s, const std::vector<ListEntry>& entries) {
    const std::vector<std::string>& operands = s.invocation.operands;
    if (operands.size() < 2) return entries;
    std::vector<bool> named(entries.size(), false);
    for (std::size_t i = 1; i < operands.size(); ++i) {
        bool found = false;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            if (operands[i].empty() || entries[e].name != operands[i]) continue;
            named[e] = found = true;
        }
        if (!found) Refuse("Нет файла «" + operands[i] + "» в списке " + s.form.ListAddressEdit + ".");
    }
    std::vector<ListEntry> kept;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (named[e]) kept.push_back(entries[e]);
    }
    return kept;
}

}  // namespace

void RunUnpack(Session& s) {
    ChooseList(s);
    const FileListRead read = ReadFileList(s.form, s.host, s.folder);
    const std::vector<ListEntry> entries = NamedEntries(s, read.entries);
    const std::string out = UnpackFolder(s);
    FirmwareProfile profile(s.folder, s.form.FirmwareCombo, ProfileUse::Reading, messages::ToHost(s.host));
    DumpReader dump(s.form.OpenDumpPath);
    Unpack(dump, profile, Settings(s.folder), entries, out, BarProgress(s.host));
}

}  // namespace vesk::cli

// map, check, diff, recover: what the "Карта" page and the "Сравнить" button show, beyond the
// window's reading road.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "cli/session.h"
#include "cli/text_table.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "inspect/list_diff.h"
#include "inspect/recover.h"

namespace vesk::cli {
namespace {

std::optional<std::int64_t> Position(Session& s, const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return ListPositionValue(*text, messages::ToHost(s.host));
}

Inspection InspectOperand(Session& s) {
    return InspectDumpFile(s.Operand(0), s.folder, s.form.FirmwareCombo, messages::ToHost(s.host), Position(s, s.invocation.list));
}

// One character per place in the text map.
char PlaceChar(const Inspection& in, const MapPlace& place) {
    switch (in.KindAt(place.sector, place.place)) {
    case BlockKind::Erased: return '.';
    case BlockKind::List: return in.CurrentList(place) ? 'L' : 'l';
    case BlockKind::File: return 'F';
    case BlockKind::Orphan: return 'o';
    case BlockKind::Data: return 'd';
    case BlockKind::Missing: return '-';
    }
    return '?';
}

void WriteIntArray(JsonWriter& json, std::span<const int> values) {
    json.BeginArray();
    for (const int v : values) json.Number(v);
    json.EndArray();
}

std::string ChosenListText(const Inspection& in) {
    return in.overview.chosenList ? ListPositionText(*in.overview.chosenList) : "нет";
}

}  // namespace

void RunMap(Session& s) {
    const Inspection in = InspectOperand(s);
    const BlockMap& map = in.Map();
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("blocks").BeginArray();
        for (const MapPlace& p : map.places) {
            const BlockKind kind = in.KindAt(p.sector, p.place);
            json.BeginObject()
                .Key("sector").Number(p.sector)
                .Key("place").Number(p.place)
                .Key("offset").Number(p.offset)
                .Key("kind").String(BlockKindName(kind));
            if (!p.slots.empty()) WriteIntArray(json.Key("slots"), p.slots);
            if (!p.owner.empty()) json.Key("owner").String(p.owner);
            if (const auto row = in.EntryRow(p); row && kind == BlockKind::File) json.Key("entry").Number(*row);
            json.EndObject();
        }
        json.EndArray().EndObject().End();
        return;
    }
    std::vector<std::vector<std::string>> unnamed(layout::kSectorCount);
    for (const UnnamedSlot& u : map.unnamed) {
        unnamed[static_cast<std::size_t>(u.sector)].push_back(std::to_string(u.slot) + "=" + u.address);
    }
    s.out << "Выбранный список: " << ChosenListText(in) << "\n";
    std::vector<TextRow> rows = {{"Сектор", "Места 0-14", "Ячейки FAT без места"}};
    for (int sector = 0; sector < layout::kSectorCount; ++sector) {
        std::string line;
        for (int place = 0; place < layout::kBlockPlaces; ++place) line += PlaceChar(in, map.At(sector, place));
        std::string slots;
        for (const std::string& u : unnamed[static_cast<std::size_t>(sector)]) slots += (slots.empty() ? "" : " ") + u;
        rows.push_back({std::to_string(sector), line, slots});
    }
    WriteTable(s.out, rows);
    s.out << "L текущий список, l прежний список, F блок файла выбранного списка, o блок-сирота,\n"
             "d другие данные, . стёртое место, - за концом файла\n";
}

void RunCheck(Session& s) {
    const Inspection in = InspectOperand(s);
    const std::vector<Finding> findings = CheckDump(in);
    if (HasError(findings)) s.status = kExitFailed;
    if (s.invocation.json) {
        JsonWriter json(s.out);
        json.BeginObject().Key("findings").BeginArray();
        for (const Finding& f : findings) {
            json.BeginObject().Key("kind").String(f.kind).Key("severity").String(SeverityName(f.severity));
            WriteIntArray(json.Key("sectors"), f.sectors);
            json.Key("places").BeginArray();
            for (const PlaceRef& p : f.places) json.Number(in.Map().At(p.sector, p.place).offset);
            json.EndArray();
            WriteIntArray(json.Key("slots"), f.slots);
            WriteIntArray(json.Key("entries"), f.entries);
            json.Key("text").String(f.text).EndObject();
        }
        json.EndArray().EndObject().End();
        return;
    }
    int errors = 0;
    std::vector<TextRow> rows = {{"Важность", "Вид", "Описание"}};
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error) ++errors;
        rows.push_back({f.severity == Severity::Error ? "ошибка" : "предупреждение", f.kind, f.text});
    }
    s.out << "Выбранный список: " << ChosenListText(in) << "\n";
    if (findings.empty()) {
        s.out << "Ошибок и предупреждений нет.\n";
        return;
    }
    WriteTable(s.out, rows);
    s.out << "Ошибок: " << errors << ", предупреждений: " << findings.size() - static_cast<std::size_t>(errors) << "\n";
}

void RunDiff(Session& s) {
    const Invocation& inv = s.invocation;
    if (inv.operands.size() == 1 && !inv.with) throw UsageError("diff needs a second dump or --with 0xNNNNNNNN");
    const ListRequest first{s.Operand(0), Position(s, inv.list)};
    const ListRequest second{inv.operands.size() > 1 ? s.Operand(1) : s.Operand(0), Position(s, inv.with)};
    const ListDiff diff = DiffLists(first, second, s.folder, s.form.FirmwareCombo, messages::ToHost(s.host));
    if (inv.json) {
        JsonWriter json(s.out);
        json.BeginObject();
        const auto names = [&json](const char* key, const std::vector<std::string>& list) {
            json.Key(key).BeginArray();
            for (const std::string& name : list) json.String(name);
            json.EndArray();
        };
        names("added", diff.added);
        names("removed", diff.removed);
        names("changed", diff.changed);
        json.Key("renamed").BeginArray();
        for (const auto& [from, to] : diff.renamed) json.BeginObject().Key("from").String(from).Key("to").String(to).EndObject();
        json.EndArray().Key("same").Number(diff.same).EndObject().End();
        return;
    }
    std::vector<TextRow> rows = {{"Изменение", "Файл"}};
    for (const std::string& name : diff.added) rows.push_back({"добавлен", name});
    for (const std::string& name : diff.removed) rows.push_back({"удалён", name});
    for (const std::string& name : diff.changed) rows.push_back({"изменён", name});
    for (const auto& [from, to] : diff.renamed) rows.push_back({"переименован", from + " -> " + to});
    if (rows.size() > 1) WriteTable(s.out, rows);
    s.out << "Одинаковых файлов: " << diff.same << "\n";
}

void RunRecover(Session& s) {
    if (!s.invocation.out) throw UsageError("recover needs --out DIR");
    // A relative folder is the user's, from where vesk was started.
    const RecoverRequest request{s.Operand(0), s.form.FirmwareCombo, std::nullopt,
                                 std::filesystem::absolute(*s.invocation.out).string()};
    const std::vector<RecoveredFolder> folders = RecoverAll(request, s.folder, s.host);
    std::vector<TextRow> rows = {{"Папка", "Файлов", "Байт", "Ошибка"}};
    for (const RecoveredFolder& f : folders) {
        rows.push_back({f.name + "/", std::to_string(f.files), std::to_string(f.bytes), f.error});
        if (!f.error.empty()) s.status = kExitFailed;
    }
    WriteTable(s.out, rows);
}

}  // namespace vesk::cli

#include "inspect/dump_check.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <type_traits>

#include "dump/layout.h"
#include "dump/list_scan.h"
#include "dump/name_decoding.h"

namespace vesk {
namespace {

template <class T>
std::string Join(const std::vector<T>& values, const char* separator = ", ") {
    std::string text;
    for (const T& v : values) {
        if (!text.empty()) text += separator;
        if constexpr (std::is_same_v<T, std::string>) {
            text += v;
        } else {
            text += std::to_string(v);
        }
    }
    return text;
}

std::vector<int> Sorted(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

std::string PlaceText(const PlaceRef& p) {
    return "место " + std::to_string(p.place) + " сектора " + std::to_string(p.sector);
}

std::string EntryText(const Inspection& in, int row) {
    const ListEntry* entry = in.Entry(row);
    if (!entry || entry->name.empty()) return "строка " + std::to_string(row) + " (без имени)";
    return "«" + entry->name + "» (строка " + std::to_string(row) + ")";
}

class Findings {
public:
    Finding& Add(std::string kind, Severity severity, std::string text) {
        Finding f;
        f.kind = std::move(kind);
        f.severity = severity;
        f.text = std::move(text);
        list_.push_back(std::move(f));
        return list_.back();
    }

    std::vector<Finding> Done() {
        for (Finding& f : list_) {
            for (const PlaceRef& p : f.places) f.sectors.push_back(p.sector);
            f.sectors = Sorted(std::move(f.sectors));
            f.slots = Sorted(std::move(f.slots));
        }
        return std::move(list_);
    }

private:
    std::vector<Finding> list_;
};

// One block of the FAT walk that an entry of the chosen list owns: the walk takes slot numbers
// in order and, for each, the sectors in order, as unpacking does.
struct WalkBlock {
    int slot = 0;
    PlaceRef place;
    const std::vector<int>* entries = nullptr;  // ListEntry::index of its owners
};

std::vector<WalkBlock> OwnedBlocks(const Inspection& in) {
    const BlockMap& map = in.Map();
    const FatTable& fat = in.overview.fat;
    std::vector<WalkBlock> walk;
    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const FatSlot& slot = fat.At(n, s);
            if (!slot.place || slot.Empty()) continue;
            const MapPlace& place = map.At(s, *slot.place);
            if (place.kind != PlaceKind::Data || place.entries.empty()) continue;
            walk.push_back({n, {s, *slot.place}, &place.entries});
        }
    }
    return walk;
}

void Lists(const Inspection& in, Findings& out) {
    const ListScan& scan = in.overview.scan;
    std::vector<PlaceRef> current;
    for (const FoundList& list : scan.lists) {
        if (list.Current()) current.push_back({list.sector, list.place});
    }
    if (current.size() > 1) {
        std::vector<int> sectors;
        for (const PlaceRef& p : current) sectors.push_back(p.sector);
        Finding& f = out.Add("two-current-lists", Severity::Error,
                             "Текущими (байт состояния FF) помечены списки в секторах " + Join(sectors) +
                                 ": «Открыть» выберет последний из них, а телефон может взять другой.");
        f.places = current;
    }
    for (const UnknownListAddress& unknown : scan.unknown) {
        Finding& f = out.Add("unknown-list-address", Severity::Error,
                             "Сектор " + std::to_string(unknown.sector) + ": адрес списка " + unknown.address +
                                 " не называет ни одного места блока ([FIX]); «Открыть» остановит на нём поиск списков.");
        f.sectors.push_back(unknown.sector);
    }
}

void ShortDump(const Inspection& in, Findings& out) {
    std::vector<PlaceRef> missing;
    for (const MapPlace& p : in.Map().places) {
        if (p.kind == PlaceKind::Missing) missing.push_back({p.sector, p.place});
    }
    if (missing.empty() && !in.overview.entriesError) return;
    std::string text = "Дамп короче 48 секторов: " + std::to_string(in.dumpSize) + " байт вместо " +
                       std::to_string(layout::kDumpSize);
    text += missing.empty() ? "" : "; мест блоков за его концом: " + std::to_string(missing.size());
    if (in.overview.entriesError) {
        text += "; выбранный список обрывается на записи " + std::to_string(in.overview.entries.size() + 1);
    }
    Finding& f = out.Add("short-dump", Severity::Error, text + ".");
    f.places = std::move(missing);
}

// Blocks an entry needs for its size, each holding `data` content bytes.
std::int64_t BlocksNeeded(std::int64_t size, std::int64_t data) { return data > 0 ? (size + data - 1) / data : 0; }

void BlockCounts(const Inspection& in, const std::vector<WalkBlock>& walk, Findings& out) {
    const auto& entries = in.overview.entries;
    std::vector<std::vector<const WalkBlock*>> blocks(entries.size());
    for (const WalkBlock& b : walk) {
        for (const int e : *b.entries) {
            if (static_cast<std::size_t>(e) < blocks.size()) blocks[static_cast<std::size_t>(e)].push_back(&b);
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ListEntry& entry = entries[i];
        const auto given = static_cast<std::int64_t>(blocks[i].size());
        const std::int64_t needed = BlocksNeeded(entry.size, in.data);
        const int row = entry.index + 1;
        Finding* f = nullptr;
        if (entry.InUse() && given < needed) {
            f = &out.Add("missing-blocks", Severity::Error,
                         "Файлу " + EntryText(in, row) + " размером " + std::to_string(entry.size) + " байт нужно блоков: " +
                             std::to_string(needed) + ", а FAT даёт ему " + std::to_string(given) +
                             ": распаковка даст файл короче.");
        } else if (given > needed + 1) {
            // The builder ends every file with one block more than its size needs.
            f = &out.Add("extra-blocks", Severity::Warning,
                         "Файлу " + EntryText(in, row) + " размером " + std::to_string(entry.size) + " байт хватило бы " +
                             std::to_string(needed) + " блоков и одного лишнего, а FAT даёт ему " + std::to_string(given) +
                             ": лишние блоки распаковка пропустит.");
        }
        if (!f) continue;
        f->entries.push_back(row);
        for (const WalkBlock* b : blocks[i]) {
            f->places.push_back(b->place);
            f->slots.push_back(b->slot);
        }
    }
}

void Slots(const Inspection& in, Findings& out) {
    const BlockMap& map = in.Map();
    for (const MapPlace& p : map.places) {
        const PlaceRef ref{p.sector, p.place};
        if (p.slots.size() > 1) {
            Finding& f = out.Add("cross-linked-block", Severity::Error,
                                 "Одно и то же " + PlaceText(ref) + " называют ячейки FAT " + Join(p.slots) +
                                     ": его блок попадёт в файлы не один раз.");
            f.places.push_back(ref);
            f.slots = p.slots;
        }
        if (p.kind == PlaceKind::List && !p.slots.empty()) {
            Finding& f = out.Add("slot-names-list-block", Severity::Error,
                                 "Ячейки FAT " + Join(p.slots) + " называют " + PlaceText(ref) +
                                     ", где лежит список файлов: распаковка прочтёт список как данные файла.");
            f.places.push_back(ref);
            f.slots = p.slots;
        }
    }
    // Slots whose address names no place, sector by sector.
    std::map<int, std::vector<const UnnamedSlot*>> bySector;
    for (const UnnamedSlot& u : map.unnamed) bySector[u.sector].push_back(&u);
    for (const auto& [sector, slots] : bySector) {
        std::vector<std::string> texts;
        for (const UnnamedSlot* u : slots) texts.push_back(std::to_string(u->slot) + " (" + u->address + ")");
        Finding& f = out.Add("slot-names-nothing", Severity::Warning,
                             "Сектор " + std::to_string(sector) + ": ячейки FAT " + Join(texts) +
                                 " хранят адреса, которые не называют ни одного места блока ([FIX]).");
        f.sectors.push_back(sector);
        for (const UnnamedSlot* u : slots) f.slots.push_back(u->slot);
    }
}

void Orphans(const Inspection& in, Findings& out) {
    for (OrphanGroup& group : OrphanGroups(in)) {
        const std::string tag = group.owner.empty() ? "без владельца" : "с меткой " + group.owner;
        Finding& f = out.Add("orphan-block", Severity::Warning,
                             "Блоки " + tag + " (мест: " + std::to_string(group.places.size()) +
                                 ") не принадлежат ни одному файлу выбранного списка; «Восстановить всё» сохранит их в lost/.");
        for (const PlaceRef& p : group.places) f.slots.insert(f.slots.end(), in.Map().At(p.sector, p.place).slots.begin(),
                                                              in.Map().At(p.sector, p.place).slots.end());
        f.places = std::move(group.places);
    }
}

void Names(const Inspection& in, Findings& out) {
    const auto& entries = in.overview.entries;
    std::map<std::string, std::vector<int>> rowsByName;
    std::vector<std::string> order;
    for (const ListEntry& e : entries) {
        if (!e.InUse()) continue;
        auto& rows = rowsByName[e.name];
        if (rows.empty()) order.push_back(e.name);
        rows.push_back(e.index + 1);
    }
    for (const std::string& name : order) {
        const std::vector<int>& rows = rowsByName[name];
        if (rows.size() < 2) continue;
        Finding& f = out.Add("duplicate-name", Severity::Warning,
                             "Имя «" + name + "» носят строки " + Join(rows) +
                                 ": при распаковке второй и следующие файлы получат имена «" + name + " (2)» и далее.");
        f.entries = rows;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& bytes = in.undecodable[i];
        if (bytes.empty()) continue;
        std::vector<std::string> hex;
        for (const std::uint8_t b : bytes) hex.push_back(ByteKey(b));
        const int row = entries[i].index + 1;
        Finding& f = out.Add("undecodable-name", Severity::Warning,
                             "В имени " + EntryText(in, row) + " есть байты " + Join(hex, " ") +
                                 ", которых нет в [KOD] и которые не печатаются.");
        f.entries.push_back(row);
    }
}

// An entry whose blocks, in FAT order, have blocks of other entries between them.
void Interleaving(const Inspection& in, const std::vector<WalkBlock>& walk, Findings& out) {
    const auto& entries = in.overview.entries;
    std::vector<std::vector<std::size_t>> at(entries.size());
    for (std::size_t k = 0; k < walk.size(); ++k) {
        for (const int e : *walk[k].entries) {
            if (static_cast<std::size_t>(e) < at.size()) at[static_cast<std::size_t>(e)].push_back(k);
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (at[i].size() < 2) continue;
        std::set<int> others;
        for (std::size_t k = at[i].front() + 1; k < at[i].back(); ++k) {
            const std::vector<int>& owners = *walk[k].entries;
            if (std::find(owners.begin(), owners.end(), static_cast<int>(i)) != owners.end()) continue;
            for (const int e : owners) others.insert(e + 1);
        }
        if (others.empty()) continue;
        const int row = entries[i].index + 1;
        std::vector<std::string> names;
        for (const int r : others) names.push_back(EntryText(in, r));
        Finding& f = out.Add("interleaved-blocks", Severity::Warning,
                             "Блоки файла " + EntryText(in, row) + " в порядке FAT перемежаются с блоками: " + Join(names) +
                                 "; эта программа собирает их верно, а распаковщик, что ведёт один файл за раз, потеряет начало.");
        f.entries.push_back(row);
        f.entries.insert(f.entries.end(), others.begin(), others.end());
        for (const std::size_t k : at[i]) {
            f.places.push_back(walk[k].place);
            f.slots.push_back(walk[k].slot);
        }
    }
}

void SlotNumbers(const Inspection& in, Findings& out) {
    const FatTable& fat = in.overview.fat;
    for (int n = 0; n < fat.Slots(); ++n) {
        std::vector<int> sectors;
        std::vector<PlaceRef> places;
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const FatSlot& slot = fat.At(n, s);
            if (slot.Empty()) continue;
            sectors.push_back(s);
            if (slot.place) places.push_back({s, *slot.place});
        }
        if (sectors.size() < 2) continue;
        Finding& f = out.Add("slot-number-reused", Severity::Warning,
                             "Номер ячейки FAT " + std::to_string(n) + " занят в секторах " + Join(sectors) +
                                 ": номер блока должен быть только в одном секторе, порядок блоков неоднозначен.");
        f.slots.push_back(n);
        f.sectors = sectors;
        f.places = std::move(places);
    }
}

}  // namespace

std::string_view SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

std::vector<OrphanGroup> OrphanGroups(const Inspection& in) {
    const BlockMap& map = in.Map();
    // (has no slot, first slot, sector, offset): slot order first, then dump order.
    std::vector<std::tuple<bool, int, int, std::int64_t, const MapPlace*>> orphans;
    for (std::size_t i = 0; i < map.places.size(); ++i) {
        if (in.kinds[i] != BlockKind::Orphan) continue;
        const MapPlace& p = map.places[i];
        const int first = p.slots.empty() ? 0 : *std::min_element(p.slots.begin(), p.slots.end());
        orphans.emplace_back(p.slots.empty(), first, p.sector, p.offset, &p);
    }
    std::sort(orphans.begin(), orphans.end());
    std::vector<OrphanGroup> groups;
    std::map<std::string, std::size_t> byOwner;
    for (const auto& orphan : orphans) {
        const MapPlace& p = *std::get<4>(orphan);
        auto [it, added] = byOwner.emplace(p.owner, groups.size());
        if (added) groups.push_back({p.owner, {}});
        groups[it->second].places.push_back({p.sector, p.place});
    }
    return groups;
}

std::vector<Finding> CheckDump(const Inspection& in) {
    Findings out;
    const std::vector<WalkBlock> walk = OwnedBlocks(in);
    Lists(in, out);
    ShortDump(in, out);
    BlockCounts(in, walk, out);
    Slots(in, out);
    Orphans(in, out);
    Names(in, out);
    Interleaving(in, walk, out);
    SlotNumbers(in, out);
    return out.Done();
}

bool HasError(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::Error; });
}

}  // namespace vesk

#include "inspect/dump_check.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <type_traits>

#include "dump/entry_blocks.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "dump/name_decoding.h"

namespace vesk {
namespace {

template <class Values>
std::string Join(const Values& values, const char* separator = ", ") {
    using T = std::remove_cvref_t<decltype(*std::begin(values))>;
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

void Lists(const Inspection& in, Findings& out) {
    const ListScan& scan = in.overview.scan;
    if (scan.lists.empty() && scan.unknown.empty()) {
        // Nothing of it reads as a dump: an erased one, or no dump at all.
        out.Add("no-list", Severity::Error,
                "Ни в одном из " + std::to_string(layout::kSectorCount) + " секторов нет списка файлов: «Открыть» не "
                "найдёт в этом файле ни одного файла телефона.");
    }
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

// The places and slots of entry e's blocks, in walk order.
void AddBlocksOf(Finding& f, const std::vector<WalkBlock>& walk, const GivenBlocks& g, int e) {
    for (std::size_t k = g.first; g.blocks > 0 && k <= g.last; ++k) {
        const std::span<const int> owners = walk[k].entries;
        if (std::find(owners.begin(), owners.end(), e) == owners.end()) continue;
        f.places.push_back({walk[k].sector, walk[k].place});
        f.slots.push_back(walk[k].slot);
    }
}

void BlockCounts(const Inspection& in, const std::vector<WalkBlock>& walk, const std::vector<GivenBlocks>& given,
                 Findings& out) {
    const auto& entries = in.overview.entries;
    const std::vector<DamagedEntry> damaged = DamagedEntries(in.Map(), entries, given, in.data);
    std::size_t next = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ListEntry& entry = entries[i];
        const std::int64_t blocks = given[i].blocks;
        const std::int64_t needed = BlocksNeeded(entry.size, in.data);
        const int row = entry.index + 1;
        const DamagedEntry* damage = next < damaged.size() && damaged[next].entry == i ? &damaged[next++] : nullptr;
        Finding* f = nullptr;
        if (damage && damage->Short()) {
            f = &out.Add("missing-blocks", Severity::Error,
                         "Файлу " + EntryText(in, row) + " размером " + std::to_string(entry.size) + " байт нужно блоков: " +
                             std::to_string(needed) + ", а FAT даёт ему " + std::to_string(blocks) +
                             ": распаковка даст файл короче.");
        } else if (damage) {
            // The builder's surplus block stands in for a lost one: the count looks whole.
            std::vector<std::string> places;
            for (const MapPlace* p : damage->unslotted) places.push_back(PlaceText({p->sector, p->place}));
            f = &out.Add("lost-block", Severity::Error,
                         "Файлу " + EntryText(in, row) + " размером " + std::to_string(entry.size) + " байт FAT даёт " +
                             std::to_string(blocks) + " блоков, ровно по размеру, без лишнего блока, которым сборка "
                             "заканчивает каждый файл, а блоки с его меткой лежат там, где их не называет ни одна "
                             "ячейка FAT (" + Join(places) + "): блок файла, видимо, потерян, и распаковка даст "
                             "неверные байты.");
            for (const MapPlace* p : damage->unslotted) f->places.push_back({p->sector, p->place});
        } else if (blocks > needed + 1) {
            // The builder ends every file with one block more than its size needs.
            f = &out.Add("extra-blocks", Severity::Warning,
                         "Файлу " + EntryText(in, row) + " размером " + std::to_string(entry.size) + " байт хватило бы " +
                             std::to_string(needed) + " блоков и одного лишнего, а FAT даёт ему " + std::to_string(blocks) +
                             ": лишние блоки распаковка пропустит.");
        }
        if (!f) continue;
        f->entries.push_back(row);
        AddBlocksOf(*f, walk, given[i], entry.index);
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
            f.slots.assign(p.slots.begin(), p.slots.end());
        }
        if (p.kind == PlaceKind::List && !p.slots.empty()) {
            Finding& f = out.Add("slot-names-list-block", Severity::Error,
                                 "Ячейки FAT " + Join(p.slots) + " называют " + PlaceText(ref) +
                                     ", где лежит список файлов: распаковка прочтёт список как данные файла.");
            f.places.push_back(ref);
            f.slots.assign(p.slots.begin(), p.slots.end());
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
    // The entries in use by name, then row: a name's rows stand together.
    std::vector<const ListEntry*> byName;
    for (const ListEntry& e : entries) {
        if (e.InUse()) byName.push_back(&e);
    }
    std::stable_sort(byName.begin(), byName.end(), [](const ListEntry* a, const ListEntry* b) { return a->name < b->name; });
    std::vector<std::vector<int>> twice;
    for (std::size_t at = 0; at < byName.size();) {
        std::size_t end = at + 1;
        while (end < byName.size() && byName[end]->name == byName[at]->name) ++end;
        if (end - at > 1) {
            std::vector<int> rows;
            for (std::size_t k = at; k < end; ++k) rows.push_back(byName[k]->index + 1);
            twice.push_back(std::move(rows));
        }
        at = end;
    }
    // In the order of their first rows.
    std::sort(twice.begin(), twice.end());
    for (const std::vector<int>& rows : twice) {
        const std::string& name = in.Entry(rows.front())->name;
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
void Interleaving(const Inspection& in, const std::vector<WalkBlock>& walk, const std::vector<GivenBlocks>& given,
                  Findings& out) {
    const auto& entries = in.overview.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const GivenBlocks& g = given[i];
        if (!g.Interleaved()) continue;
        const int e = entries[i].index;
        std::set<int> others;
        for (std::size_t k = g.first + 1; k < g.last; ++k) {
            const std::span<const int> owners = walk[k].entries;
            if (std::find(owners.begin(), owners.end(), e) != owners.end()) continue;
            for (const int other : owners) others.insert(other + 1);
        }
        const int row = e + 1;
        std::vector<std::string> names;
        for (const int r : others) names.push_back(EntryText(in, r));
        Finding& f = out.Add("interleaved-blocks", Severity::Warning,
                             "Блоки файла " + EntryText(in, row) + " в порядке FAT перемежаются с блоками: " + Join(names) +
                                 "; эта программа собирает их верно, а распаковщик, что ведёт один файл за раз, потеряет начало.");
        f.entries.push_back(row);
        f.entries.insert(f.entries.end(), others.begin(), others.end());
        AddBlocksOf(f, walk, g, e);
    }
}

void SlotNumbers(const Inspection& in, Findings& out) {
    const FatTable& fat = in.overview.fat;
    const std::vector<std::size_t>& used = fat.used;
    std::vector<int> sectors;
    std::vector<PlaceRef> places;
    for (std::size_t at = 0; at < used.size();) {
        // The used cells of one slot number stand together, in sector order.
        const int n = static_cast<int>(used[at] / layout::kSectorCount);
        sectors.clear();
        places.clear();
        for (; at < used.size() && static_cast<int>(used[at] / layout::kSectorCount) == n; ++at) {
            const int s = static_cast<int>(used[at] % layout::kSectorCount);
            sectors.push_back(s);
            if (const FatSlot& slot = fat.At(n, s); slot.Place()) places.push_back({s, *slot.Place()});
        }
        if (sectors.size() < 2) continue;
        Finding& f = out.Add("slot-number-reused", Severity::Warning,
                             "Номер ячейки FAT " + std::to_string(n) + " занят в секторах " + Join(sectors) +
                                 ": номер блока должен быть только в одном секторе, порядок блоков неоднозначен.");
        f.slots.push_back(n);
        f.sectors = sectors;
        f.places = places;
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
    const std::vector<WalkBlock> walk = OwnedBlocks(in.Map(), in.overview.fat);
    const std::vector<GivenBlocks> given = BlocksGiven(in.overview.entries, walk);
    Lists(in, out);
    ShortDump(in, out);
    BlockCounts(in, walk, given, out);
    Slots(in, out);
    Orphans(in, out);
    Names(in, out);
    Interleaving(in, walk, given, out);
    SlotNumbers(in, out);
    return out.Done();
}

bool HasError(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::Error; });
}

}  // namespace vesk

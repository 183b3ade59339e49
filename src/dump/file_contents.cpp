#include "dump/file_contents.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>

#include "dump/block_map.h"
#include "dump/layout.h"

namespace vesk {

void FileBytes::Append(std::span<const std::uint8_t> piece) {
    if (piece.empty()) return;
    pieces_.push_back(piece);
    size_ += static_cast<std::int64_t>(piece.size());
}

void FileBytes::AppendCopy(std::vector<std::uint8_t> bytes) {
    if (bytes.empty()) return;
    copies_.push_back(std::move(bytes));
    Append(copies_.back());
}

std::vector<std::uint8_t> FileBytes::Flat() const {
    std::vector<std::uint8_t> flat;
    flat.reserve(static_cast<std::size_t>(size_));
    for (const auto piece : pieces_) flat.insert(flat.end(), piece.begin(), piece.end());
    return flat;
}

bool FileBytes::operator==(const FileBytes& other) const {
    if (size_ != other.size_) return false;
    std::size_t i = 0, j = 0, at = 0, otherAt = 0;
    while (i < pieces_.size() && j < other.pieces_.size()) {
        const auto a = pieces_[i].subspan(at);
        const auto b = other.pieces_[j].subspan(otherAt);
        const std::size_t n = std::min(a.size(), b.size());
        if (std::memcmp(a.data(), b.data(), n) != 0) return false;
        at += n, otherAt += n;
        if (at == pieces_[i].size()) ++i, at = 0;
        if (otherAt == other.pieces_[j].size()) ++j, otherAt = 0;
    }
    return true;
}

std::int64_t BytesOfBlock(std::int64_t size, std::int64_t data, std::int64_t b) {
    if (b == 1) return std::max<std::int64_t>(0, std::min(size, data));
    if (size < data) return 0;
    if (size >= b * data) return data;
    return std::max<std::int64_t>(0, size - (b - 1) * data);
}

namespace {

std::uint64_t KeyHash(std::string_view key) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : key) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

}  // namespace

void RowIndex::Add(int row, std::string_view name, std::string_view address) {
    if (!name.empty()) items_.push_back({KeyHash(name), name, row});
    if (!address.empty() && address != name) items_.push_back({KeyHash(address), address, row});
    sorted_ = false;
}

void RowIndex::Sort() const {
    std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
        if (a.hash != b.hash) return a.hash < b.hash;
        if (a.key != b.key) return a.key < b.key;
        return a.row < b.row;
    });
    rows_.clear();
    for (const Item& item : items_) rows_.push_back(item.row);
    sorted_ = true;
}

std::span<const int> RowIndex::Find(const std::string& owner) const {
    if (owner.empty()) return {};
    if (!sorted_) Sort();
    const std::uint64_t hash = KeyHash(owner);
    auto first = std::lower_bound(items_.begin(), items_.end(), hash, [](const Item& item, std::uint64_t h) { return item.hash < h; });
    // Keys of one hash stand together, each key's rows together in row order.
    while (first != items_.end() && first->hash == hash && first->key != owner) ++first;
    auto last = first;
    while (last != items_.end() && last->hash == hash && last->key == owner) ++last;
    return std::span<const int>(rows_).subspan(static_cast<std::size_t>(first - items_.begin()),
                                               static_cast<std::size_t>(last - first));
}

RowIndex EntryIndex(const std::vector<ListEntry>& entries) {
    RowIndex index(2 * entries.size());
    for (const ListEntry& e : entries) index.Add(e.index, e.name, e.address);
    return index;
}

RowIndex PositionIndex(const std::vector<ListEntry>& entries) {
    RowIndex index(2 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) index.Add(static_cast<int>(i), entries[i].name, entries[i].address);
    return index;
}

std::vector<FileContent> ReadFileContents(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                          const TagReader& tags, const std::vector<ListEntry>& entries) {
    if (fat.error) std::rethrow_exception(fat.error);
    // Rows are positions in `entries`, which may be any entries of a list, in list order.
    const RowIndex index = PositionIndex(entries);
    // Every slot that is empty or names no place reads its sector's first bytes as its tag: the
    // rows that tag selects, once a sector. Read before any content, as the owner pass is.
    std::vector<std::span<const int>> startRows(layout::kSectorCount);
    for (int s = 0; s < layout::kSectorCount; ++s) {
        startRows[static_cast<std::size_t>(s)] = index.Find(tags.StrictOwner(dump, layout::SectorStart(s)));
    }
    std::vector<std::span<const int>> usedRows(fat.used.size());
    for (std::size_t k = 0; k < fat.used.size(); ++k) {
        const auto n = static_cast<int>(fat.used[k] / layout::kSectorCount);
        const auto s = static_cast<int>(fat.used[k] % layout::kSectorCount);
        usedRows[k] = index.Find(tags.StrictOwner(dump, layout::SectorStart(s) + fat.At(n, s).Offset()));
    }

    std::vector<FileContent> files(entries.size());
    std::vector<char> whole(entries.size(), 0);
    // As unpacking converts them: at the first block, so a profile's complaints come in its order.
    std::optional<std::int64_t> data;
    std::int64_t toData = 0;
    std::vector<std::uint8_t> scratch;
    std::int64_t step = 0;
    const auto give = [&](int n, int s, std::span<const int> rows) {
        ++step;
        for (const int row : rows) {
            const auto i = static_cast<std::size_t>(row);
            if (whole[i]) continue;  // its size is covered: later blocks give nothing
            if (!data) {
                toData = profile.Value(ProfileKey::ToData);
                data = profile.Value(ProfileKey::Data);
            }
            const std::int64_t contentAt = layout::SectorStart(s) + fat.At(n, s).Offset() + toData;
            scratch.clear();
            const auto content = dump.View(contentAt, *data, true, scratch);
            FileContent& file = files[i];
            if (!file.written) {
                dump.ReadErased(contentAt, file.signature);
                file.written = true;
                file.firstStep = step;
            }
            ++file.blocks;
            const std::int64_t count = BytesOfBlock(entries[i].size, *data, file.blocks);
            if (file.blocks * *data >= entries[i].size || *data <= 0) whole[i] = 1;
            if (count <= 0) continue;
            const auto piece = content.first(static_cast<std::size_t>(count));
            // Bytes the reader holds stay where they are; bytes it read apart are kept.
            const bool held = scratch.empty() || piece.data() < scratch.data() || piece.data() >= scratch.data() + scratch.size();
            if (held) {
                file.bytes.Append(piece);
            } else {
                file.bytes.AppendCopy({piece.begin(), piece.end()});
            }
        }
    };
    // The walk: slot numbers in order and, for each, the sectors in order. Only two kinds of
    // cell can give a block: a used slot, and an empty or unknown one in a sector whose start
    // selects rows; the others are skipped, so a dump costs its used slots, not all 19,632.
    std::vector<int> startSectors;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        if (!startRows[static_cast<std::size_t>(s)].empty()) startSectors.push_back(s);
    }
    const std::vector<std::size_t>& used = fat.used;
    const auto allWhole = [&](std::span<const int> rows) {
        return std::all_of(rows.begin(), rows.end(), [&](int row) { return whole[static_cast<std::size_t>(row)] != 0; });
    };
    std::size_t next = 0;
    for (int n = 0; n < fat.Slots() && (next < used.size() || !startSectors.empty()); ++n) {
        std::size_t end = next;
        while (end < used.size() && static_cast<int>(used[end] / layout::kSectorCount) == n) ++end;
        std::size_t start = 0;
        for (std::size_t k = next; k < end || start < startSectors.size();) {
            const int usedSector = k < end ? static_cast<int>(used[k] % layout::kSectorCount) : layout::kSectorCount;
            const int startSector = start < startSectors.size() ? startSectors[start] : layout::kSectorCount;
            if (usedSector <= startSector) {
                // A used slot reads its own block, never its sector's start.
                give(n, usedSector, usedRows[k]);
                ++k;
                if (startSector == usedSector) ++start;
                continue;
            }
            const std::span<const int> rows = startRows[static_cast<std::size_t>(startSector)];
            give(n, startSector, rows);
            // Once every row a start selects is whole, that start gives nothing more: a dump of
            // erased records over erased slots would otherwise cost 19,632 blocks times 100 rows.
            if (allWhole(rows)) {
                startSectors.erase(startSectors.begin() + static_cast<std::ptrdiff_t>(start));
            } else {
                ++start;
            }
        }
        next = end;
    }
    return files;
}

}  // namespace vesk

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

void RowIndex::Add(int row, const std::string& name, const std::string& address) {
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

std::vector<FileContent> ReadFileContents(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                          const TagReader& tags, const std::vector<ListEntry>& entries) {
    if (fat.error) std::rethrow_exception(fat.error);
    // Rows are positions in `entries`, which may be any entries of a list, in list order.
    RowIndex index(2 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) index.Add(static_cast<int>(i), entries[i].name, entries[i].address);
    // Every slot that is empty or names no place reads its sector's first bytes as its tag: the
    // rows that tag selects, once a sector. Read before any content, as the owner pass is.
    std::vector<std::span<const int>> startRows(layout::kSectorCount);
    bool starts = false;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        startRows[static_cast<std::size_t>(s)] = index.Find(tags.StrictOwner(dump, layout::SectorStart(s)));
        starts = starts || !startRows[static_cast<std::size_t>(s)].empty();
    }
    std::vector<std::span<const int>> usedRows(fat.used.size());
    for (std::size_t k = 0; k < fat.used.size(); ++k) {
        const auto n = static_cast<int>(fat.used[k] / layout::kSectorCount);
        const auto s = static_cast<int>(fat.used[k] % layout::kSectorCount);
        usedRows[k] = index.Find(tags.StrictOwner(dump, layout::SectorStart(s) + fat.At(n, s).Offset()));
    }

    std::vector<FileContent> files(entries.size());
    std::vector<bool> whole(entries.size(), false);
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
            if (file.blocks * *data >= entries[i].size || *data <= 0) whole[i] = true;
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
    if (!starts) {
        // No sector start selects a row: only the used slots can give blocks.
        for (std::size_t k = 0; k < fat.used.size(); ++k) {
            give(static_cast<int>(fat.used[k] / layout::kSectorCount), static_cast<int>(fat.used[k] % layout::kSectorCount),
                 usedRows[k]);
        }
        return files;
    }
    std::size_t next = 0;
    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const bool used = next < fat.used.size() && fat.used[next] == FatTable::Index(n, s);
            give(n, s, used ? usedRows[next] : startRows[static_cast<std::size_t>(s)]);
            next += used ? 1 : 0;
        }
    }
    return files;
}

}  // namespace vesk

#include "dump/file_contents.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "dump/layout.h"

namespace vesk {

std::string SafeFileName(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
    }
    return name;
}

std::int64_t BytesOfBlock(std::int64_t size, std::int64_t data, std::int64_t b) {
    if (b == 1) return std::max<std::int64_t>(0, std::min(size, data));
    if (size < data) return 0;
    if (size >= b * data) return data;
    return std::max<std::int64_t>(0, size - (b - 1) * data);
}

void RowIndex::Add(int row, const std::string& name, const std::string& address) {
    if (!name.empty()) rows_[name].push_back(row);
    if (!address.empty() && address != name) rows_[address].push_back(row);
}

const std::vector<int>* RowIndex::Find(const std::string& owner) const {
    if (owner.empty()) return nullptr;
    const auto it = rows_.find(owner);
    return it == rows_.end() ? nullptr : &it->second;
}

RowIndex EntryIndex(const std::vector<ListEntry>& entries) {
    RowIndex index;
    for (const ListEntry& e : entries) index.Add(e.index, e.name, e.address);
    return index;
}

std::vector<FileContent> ReadFileContents(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                          const OwnerTags& tags, const std::vector<ListEntry>& entries) {
    if (fat.error) std::rethrow_exception(fat.error);
    if (tags.cut) std::rethrow_exception(tags.cut->error);
    const RowIndex index = EntryIndex(entries);
    std::vector<FileContent> files(entries.size());
    std::vector<const ListEntry*> byIndex(layout::kEntriesPerList, nullptr);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int at = entries[i].index;
        if (at >= 0 && at < layout::kEntriesPerList) byIndex[static_cast<std::size_t>(at)] = &entries[i];
    }
    std::vector<bool> whole(entries.size(), false);
    // As unpacking converts them: at the first block, so a profile's complaints come in its order.
    std::optional<std::int64_t> data;
    std::int64_t toData = 0;
    std::vector<std::uint8_t> scratch;
    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const std::vector<int>* rows = index.Find(tags.owners[FatTable::Index(n, s)]);
            if (!rows) continue;
            for (const int row : *rows) {
                const ListEntry* entry = byIndex[static_cast<std::size_t>(row)];
                const auto i = static_cast<std::size_t>(entry - entries.data());
                if (whole[i]) continue;  // its size is covered: later blocks give nothing
                if (!data) {
                    toData = profile.Value(ProfileKey::ToData);
                    data = profile.Value(ProfileKey::Data);
                }
                const std::int64_t contentAt = layout::SectorStart(s) + fat.At(n, s).Offset() + toData;
                const auto content = dump.View(contentAt, *data, true, scratch);
                FileContent& file = files[i];
                if (!file.written) {
                    dump.ReadErased(contentAt, file.signature);
                    file.written = true;
                }
                ++file.blocks;
                const std::int64_t count = BytesOfBlock(entry->size, *data, file.blocks);
                if (count > 0) file.bytes.insert(file.bytes.end(), content.begin(), content.begin() + count);
                if (file.blocks * *data >= entry->size || *data <= 0) whole[i] = true;
            }
        }
    }
    return files;
}

}  // namespace vesk

#include "dump/gather_files.h"

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "dump/fat_table.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/name_decoding.h"

namespace vesk {
namespace {

// Bytes of block b (counted from 1) of a file of the listed size, each block holding `data`:
// as UnpackFiles counts them.
std::int64_t BytesOfBlock(std::int64_t size, std::int64_t data, std::int64_t b) {
    if (b == 1) return std::max<std::int64_t>(0, std::min(size, data));
    if (size < data) return 0;
    if (size >= b * data) return data;
    return std::max<std::int64_t>(0, size - (b - 1) * data);
}

struct Gathering {
    std::optional<std::vector<std::uint8_t>> bytes;
    std::int64_t blocks = 0;
    bool done = false;
};

}  // namespace

std::vector<FileRow> FileRowsOf(const std::vector<ListEntry>& entries) {
    std::vector<FileRow> rows;
    rows.reserve(entries.size());
    for (const ListEntry& e : entries) rows.push_back({e.name, e.address, e.size});
    return rows;
}

std::vector<std::optional<std::vector<std::uint8_t>>> GatherFiles(DumpReader& dump, FirmwareProfile& profile,
                                                                   const Settings& settings,
                                                                   const std::vector<FileRow>& rows) {
    const FatTable fat = ReadFatTable(dump, profile, AddressTables(settings));
    if (fat.cutSector) std::rethrow_exception(fat.error);
    const std::string addrIs = profile.AddrIs();
    std::optional<NameDecoder> kod;
    if (addrIs == "name") kod.emplace(settings);
    const OwnerTags tags = ReadOwnerTags(dump, fat, addrIs, kod ? &*kod : nullptr);
    if (tags.cut) std::rethrow_exception(tags.cut->error);

    // Which rows each owner text selects, in row order.
    std::unordered_map<std::string, std::vector<std::size_t>> index;
    for (std::size_t j = 0; j < rows.size(); ++j) {
        if (!rows[j].name.empty()) index[rows[j].name].push_back(j);
        if (!rows[j].address.empty() && rows[j].address != rows[j].name) index[rows[j].address].push_back(j);
    }

    std::vector<Gathering> files(rows.size());
    std::optional<std::int64_t> todata, data;
    std::vector<std::uint8_t> scratch;
    for (int n = 0; n < fat.Slots(); ++n) {
        for (int s = 0; s < layout::kSectorCount; ++s) {
            const std::string& owner = tags.owners[FatTable::Index(n, s)];
            if (owner.empty()) continue;
            const auto match = index.find(owner);
            if (match == index.end()) continue;
            if (!data) {
                todata = profile.Value(ProfileKey::ToData);
                data = profile.Value(ProfileKey::Data);
            }
            const std::int64_t contentAt = layout::SectorStart(s) + fat.At(n, s).Offset() + *todata;
            for (const std::size_t j : match->second) {
                Gathering& file = files[j];
                if (file.done) continue;
                const std::span<const std::uint8_t> content = dump.View(contentAt, *data, true, scratch);
                if (!file.bytes) {
                    // Room for the whole file at once: no block can bring more than the walk reaches.
                    file.bytes.emplace();
                    file.bytes->reserve(static_cast<std::size_t>(
                        std::clamp<std::int64_t>(rows[j].size, 0, std::max<std::int64_t>(*data, 0) * fat.Slots())));
                }
                ++file.blocks;
                const std::int64_t count = BytesOfBlock(rows[j].size, *data, file.blocks);
                if (count > 0) {
                    const auto at = static_cast<std::size_t>(*data * (file.blocks - 1));
                    if (file.bytes->size() < at + static_cast<std::size_t>(count)) file.bytes->resize(at + static_cast<std::size_t>(count));
                    std::copy_n(content.begin(), count, file.bytes->begin() + static_cast<std::ptrdiff_t>(at));
                }
                if (file.blocks * *data >= rows[j].size || *data <= 0) file.done = true;
            }
        }
    }
    std::vector<std::optional<std::vector<std::uint8_t>>> out;
    out.reserve(files.size());
    for (Gathering& file : files) out.push_back(std::move(file.bytes));
    return out;
}

}  // namespace vesk

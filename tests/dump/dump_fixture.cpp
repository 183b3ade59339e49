#include "dump/dump_fixture.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "base/error.h"

namespace vesk::test {

std::string PlaceAddress(int place, std::string_view middle) {
    return std::string(place % 2 == 0 ? "4" : "C") + std::string(middle) + std::to_string(place / 2);
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> HexBytes(std::string_view hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

DumpImage::DumpImage(int sectors) : bytes_(static_cast<std::size_t>(kSector * sectors), 0xFF) {}

void DumpImage::Put(std::int64_t position, const std::vector<std::uint8_t>& bytes) {
    if (position < 0 || position + static_cast<std::int64_t>(bytes.size()) > static_cast<std::int64_t>(bytes_.size())) {
        throw std::out_of_range("fixture write outside the image");
    }
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + position);
}

void DumpImage::Fill(std::int64_t position, std::int64_t count, std::uint8_t value) {
    Put(position, std::vector<std::uint8_t>(static_cast<std::size_t>(count), value));
}

void DumpImage::SetListAddress(int sector, std::string_view hex, std::int64_t listOffset) {
    Put(kSector * sector + listOffset, HexBytes(hex));
}

void DumpImage::SetFatSlot(int sector, int slot, std::string_view hex, std::int64_t fat) {
    Put(kSector * sector + fat + 2 * slot, HexBytes(hex));
}

void DumpImage::ClearList(std::int64_t list) { Fill(list, 4092, 0x00); }

void DumpImage::SetEntry(std::int64_t list, int i, const EntryBytes& entry, const Record& record) {
    const std::int64_t at = list + record.stride * i;
    Put(at + record.name, entry.name);
    Put(at + record.size, {static_cast<std::uint8_t>(entry.size), static_cast<std::uint8_t>(entry.size >> 8),
                           static_cast<std::uint8_t>(entry.size >> 16)});
    Put(at + record.fileNumber, {entry.fileNumber});
    Put(at + record.group, {entry.group});
    Put(at + record.address, HexBytes(entry.address));
}

void DumpImage::SetOwner(int sector, int place, const std::vector<std::uint8_t>& tag) {
    Put(BlockAt(sector, place), tag);
}

void DumpImage::SetContent(int sector, int place, const std::vector<std::uint8_t>& content, std::int64_t todata) {
    Put(BlockAt(sector, place) + todata, content);
}

std::string DumpImage::Save(const TempFolder& folder, const std::string& name) const {
    return folder.Write(name, bytes_);
}

std::string ProfileText(const Record& record, const std::map<std::string, std::string>& changes) {
    auto hex = [](std::int64_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(v));
        return std::string(text);
    };
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"[Offsets]", ""},
        {"List", "0x00000001"},
        {"ToName", hex(record.name)},
        {"Name", hex(record.nameLength)},
        {"Size", hex(record.size)},
        {"NameSize", hex(record.stride)},
        {"FileNum", hex(record.fileNumber)},
        {"group", hex(record.group)},
        {"address", hex(record.address)},
        {"[FAT]", ""},
        {"FAT", "0x0000050C"},
        {"SIZE", "0x00000331"},
        {"AddrIs", "address"},
        {"todata", "0x00000002"},
        {"data", "0x00000FFA"},
    };
    std::string text;
    for (const auto& [key, value] : lines) {
        if (key.front() == '[') {
            text += key + "\n";
            continue;
        }
        const auto change = changes.find(key);
        if (change == changes.end()) {
            text += key + "=" + value + "\n";
        } else if (change->second != kMissing) {
            text += key + "=" + change->second + "\n";
        }
    }
    return text;
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((i * 7 + seed) % 251);
    return out;
}

}  // namespace vesk::test

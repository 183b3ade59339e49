#include "dump/list_scan.h"

#include <charconv>

#include <array>

#include "base/error.h"
#include "config/settings.h"
#include "dump/layout.h"
#include "dump/messages.h"

namespace vesk {

ListScan ScanLists(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables, ScanEnd end) {
    ListScan scan;
    for (int s = 0; s < layout::kSectorCount; ++s) {
        const std::int64_t start = layout::SectorStart(s);
        std::string address;
        std::optional<int> place;
        std::uint8_t state = 0;
        try {
            std::array<std::uint8_t, 2> bytes{};
            dump.Read(start + profile.Value(ProfileKey::List), bytes);
            address = BytesToHexText(bytes);
            if (!IsFixedListAddress(address, tables)) continue;
            place = BlockPlaceOf(address, tables);
            state = dump.ByteAt(start + layout::kListStateOffset);
        } catch (const Error& e) {
            // A dump shorter than its sectors: what was found before stays found.
            scan.stop = ScanStop{s, std::nullopt, std::current_exception(), e.what()};
            break;
        }
        if (!place) {
            scan.unknown.push_back({s, address});
            if (end == ScanEnd::WholeDump) continue;
            // The user is told to teach [FIX] the address's pair and open the dump again.
            scan.stop = ScanStop{s, scan.unknown.back(), nullptr, std::string(messages::kUnknownListAddress) + address};
            break;
        }
        scan.lists.push_back({s, *place, start + layout::BlockPlaceOffset(*place), address, state});
        // The selection follows the last list found: on it when it is current, else on the first.
        scan.selected = state == 0xFF ? scan.lists.size() - 1 : 0;
    }
    return scan;
}

ListScan ScanDumpFile(const std::string& path, const ProgramFolder& folder, const std::string& firmware,
                      const Complain& complain, ScanEnd end) {
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, complain);
    DumpReader dump(path, DumpReader::Loading::OnDemand);
    const AddressTables tables{Settings(folder)};
    return ScanLists(dump, profile, tables, end);
}

std::string ListPositionText(std::int64_t position) { return DecStrToHexAddr(std::to_string(position)); }

std::int64_t ListPositionValue(const std::string& text, const Complain& complain) {
    const std::string decimal = HexAddrToDecStr(text, complain);
    std::int32_t value = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    return value;
}

}  // namespace vesk

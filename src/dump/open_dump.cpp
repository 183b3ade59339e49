// "Открыть": scans the 48 sector headers for file lists and selects the one to work with.
#include <array>
#include <string>

#include "config/settings.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/messages.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void OpenDump(Form& form, Host& host, const ProgramFolder& folder) {
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, messages::ToHost(host));
    host.SetCaption(std::string(messages::kCaption) + FileNamePart(form.OpenDumpPath));
    DumpReader dump(form.OpenDumpPath, DumpReader::Loading::OnDemand);
    const AddressTables tables{Settings(folder)};

    int count = 0;
    host.SetProgressMax(layout::kSectorCount);
    for (int s = 0; s < layout::kSectorCount; ++s) {
        host.SetProgress(s);
        const std::int64_t start = layout::SectorStart(s);
        std::array<std::uint8_t, 2> bytes{};
        dump.Read(start + profile.Value(ProfileKey::List), bytes);
        const std::string address = BytesToHexText(bytes);
        if (!IsFixedListAddress(address, tables)) continue;

        const std::optional<int> place = BlockPlaceOf(address, tables);
        const bool current = dump.ByteAt(start + layout::kListStateOffset) == 0xFF;
        if (!place) {
            // The user is told to teach [FIX] the address's pair and open the dump again.
            host.ShowErrorMessage(std::string(messages::kUnknownListAddress) + address);
            return;
        }

        ++count;
        form.ListsGrid.SetCell(0, count, DecStrToHexAddr(std::to_string(start + layout::BlockPlaceOffset(*place))));
        if (current) {
            host.ShowPage(Page::Settings);
            form.ListsGrid.Row = count;
        } else {
            form.ListsGrid.Row = 1;
        }
        form.ListsGrid.Col = 0;
        form.ListsGrid.SetCell(0, count + 1, std::string(messages::kListsEnd));
        form.ListsGrid.SetCell(0, count + 2, "");
    }

    // With no list the selected cell holds nothing of this dump, so the edit is left empty
    // rather than converting a stale or empty cell.
    form.ListAddressEdit =
        count == 0 ? std::string() : DecStrToHexAddr(form.ListsGrid.Cell(form.ListsGrid.Col, form.ListsGrid.Row));
    host.SetStatus(0, std::string(messages::kReady));
    host.SetStatus(1, std::string(messages::kListCount) + std::to_string(count));
}

}  // namespace vesk

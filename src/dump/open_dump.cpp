// "Открыть": scans the 48 sector headers for file lists and selects the one to work with.
#include <string>

#include "base/error.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "dump/messages.h"

namespace vesk {
namespace {

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ListsGrid as the scan leaves it after each list found: the list's row, the end mark and an
// empty row under it, the selection on the list or on row 1.
void ShowLists(Form& form, Host& host, const ListScan& scan) {
    TextGrid& grid = form.ListsGrid;
    for (std::size_t i = 0; i < scan.lists.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetCell(kListsCol, row, ListPositionText(scan.lists[i].position));
        grid.SetCell(kListsCol, row + 1, std::string(messages::kListsEnd));
        grid.SetCell(kListsCol, row + 2, "");
        if (scan.lists[i].Current()) host.ShowPage(Page::Settings);
    }
    if (scan.selected) {
        grid.Row = static_cast<int>(*scan.selected) + 1;
        grid.Col = kListsCol;
    }
}

}  // namespace

ListScan OpenDump(Form& form, Host& host, const ProgramFolder& folder) {
    const Complain complain = messages::ToHost(host);
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, complain);
    host.SetCaption(std::string(messages::kCaption) + FileNamePart(form.OpenDumpPath));
    DumpReader dump(form.OpenDumpPath, DumpReader::Loading::OnDemand);
    const AddressTables tables{Settings(folder)};
    host.SetProgressMax(layout::kSectorCount);
    const ListScan scan = ScanLists(dump, profile, tables);

    const int last = scan.stop ? scan.stop->sector : layout::kSectorCount - 1;
    for (int s = 0; s <= last; ++s) {
        host.SetProgress(s);
        // The scan converted List once, at sector 0; every sector reads it again, and a value
        // without its "0x" is complained about at each read.
        if (s > 0) HexAddrToDecStr(profile.Text(ProfileKey::List), complain);
    }
    ShowLists(form, host, scan);
    if (scan.stop) {
        // The lists found so far stay; the list address and the status texts are not touched.
        if (scan.stop->error) std::rethrow_exception(scan.stop->error);
        Refuse(scan.stop->message);
    }

    // With no list the selected cell holds nothing of this dump, so the edit is left empty
    // rather than converting a stale or empty cell.
    form.ListAddressEdit = scan.Selected() ? ListPositionText(scan.Selected()->position) : "";
    host.SetStatus(0, std::string(messages::kReady));
    host.SetStatus(1, std::string(messages::kListCount) + std::to_string(scan.lists.size()));
    return scan;
}

}  // namespace vesk

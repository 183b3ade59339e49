#include "inspect/commands.h"

#include "dump/messages.h"

namespace vesk {

Inspection InspectOpenDump(const Form& form, Host& host, const ProgramFolder& folder) {
    const Complain complain = messages::ToHost(host);
    std::optional<std::int64_t> list;
    if (!form.ListAddressEdit.empty()) list = ListPositionValue(form.ListAddressEdit, complain);
    return InspectDumpFile(form.OpenDumpPath, folder, form.FirmwareCombo, complain, list);
}

std::vector<RecoveredFolder> RecoverOpenDump(const Form& form, Host& host, const ProgramFolder& folder,
                                             const std::string& out) {
    RecoverRequest request{form.OpenDumpPath, form.FirmwareCombo, std::nullopt, out};
    if (!form.ListAddressEdit.empty()) request.list = ListPositionValue(form.ListAddressEdit, messages::ToHost(host));
    return RecoverAll(request, folder, host);
}

ListDiff CompareListsOfOpenDump(const Form& form, Host& host, const ProgramFolder& folder, const std::string& first,
                                const std::string& second) {
    const Complain complain = messages::ToHost(host);
    const ListRequest a{form.OpenDumpPath, ListPositionValue(first, complain)};
    const ListRequest b{form.OpenDumpPath, ListPositionValue(second, complain)};
    return DiffLists(a, b, folder, form.FirmwareCombo, complain);
}

}  // namespace vesk

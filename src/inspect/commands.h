#pragma once
// The inspection as the window's page "Карта" and the "Сравнить" button run it: on the dump at
// Form::OpenDumpPath with the firmware of FirmwareCombo, the chosen list being the one in
// ListAddressEdit (or, when it is empty, the one the scan selects).
#include <string>

#include "config/program_folder.h"
#include "form/form.h"
#include "form/host.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "inspect/list_diff.h"
#include "inspect/recover.h"

namespace vesk {

// The map of the open dump.
Inspection InspectOpenDump(const Form& form, Host& host, const ProgramFolder& folder);

// "Восстановить всё" of the open dump into `out`; the orphans are those of the chosen list.
std::vector<RecoveredFolder> RecoverOpenDump(const Form& form, Host& host, const ProgramFolder& folder,
                                             const std::string& out);

// Two lists of the open dump, by their positions as ListsGrid shows them.
ListDiff CompareListsOfOpenDump(const Form& form, Host& host, const ProgramFolder& folder, const std::string& first,
                                const std::string& second);

}  // namespace vesk

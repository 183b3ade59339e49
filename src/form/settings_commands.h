#pragma once
// The small commands of the "Настройки" page and of the page changes, which need no dump.
#include "config/program_folder.h"
#include "form/form.h"
#include "form/host.h"

namespace vesk {

// A click in ListsGrid: the current cell's text goes into ListAddressEdit, for "Поиск".
void ChooseList(Form& form);
// "Применить": the unpack folder as typed goes to [Temp] Files of vesk.ini.
void ApplyUnpackFolder(const Form& form, const ProgramFolder& folder);
// Showing "Список" or "Настройки": the file pane shows bins/.
void ShowBinsFolder(Host& host, const ProgramFolder& folder);

}  // namespace vesk

#include "form/settings_commands.h"

#include "config/settings.h"

namespace vesk {

void ChooseList(Form& form) { form.ListAddressEdit = form.ListsGrid.Cell(form.ListsGrid.Col, form.ListsGrid.Row); }

void ApplyUnpackFolder(const Form& form, const ProgramFolder& folder) {
    Settings(folder).WriteUnpackFolder(form.TempFolderEdit);
}

void ShowBinsFolder(Host& host, const ProgramFolder& folder) { host.ShowFolder(folder.Bins()); }

}  // namespace vesk

#include "assembly/build_file.h"
#include "assembly/commands.h"

namespace vesk {

void ShowUnpackFolder(Form& form, Host& host) {
    // An empty field names no folder; the pane keeps what it shows.
    if (!form.TempFolderEdit.empty()) host.ShowFolder(form.TempFolderEdit);
}

void ClearBuildRow(Form& form) {
    TextGrid& grid = form.BuildGrid;
    // Row 0 is the fixed header; the current row never stands there in the window.
    if (grid.Row < 1) return;
    // Column 0 keeps the row number; an empty path makes the row free for the next file.
    for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) grid.SetCell(c, grid.Row, "");
}

void SetBuildGridEditing(Form& form, bool editing) { form.BuildGridEditing = editing; }

}  // namespace vesk

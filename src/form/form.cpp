#include "form/form.h"

namespace vesk {

void InitGrids(Form& form) {
    for (int c = 0; c < form.FileGrid.ColCount(); ++c) form.FileGrid.SetCell(c, 0, kFileHeaders[c]);
    for (int c = 0; c < form.BuildGrid.ColCount(); ++c) form.BuildGrid.SetCell(c, 0, kBuildHeaders[c]);
    form.ListsGrid.SetCell(kListsCol, 0, kListsHeader);
    form.FileGrid.Col = kFileNameCol;
    form.FileGrid.Row = 1;
    form.BuildGrid.Col = kBuildNameCol;
    form.BuildGrid.Row = 1;
    form.ListsGrid.Col = kListsCol;
    form.ListsGrid.Row = 1;
}

}  // namespace vesk

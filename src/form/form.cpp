#include "form/form.h"

namespace vesk {

void SetGridHeaders(Form& form) {
    static const char* const kFileHeaders[] = {"№", "Файл", "Размер (байт)", "Адрес", "Группа", "Номер"};
    static const char* const kBuildHeaders[] = {"№", "Файл", "Размер (байт)", "Адрес", "Группа", "Номер", "Путь"};
    for (int c = 0; c < 6; ++c) form.FileGrid.SetCell(c, 0, kFileHeaders[c]);
    for (int c = 0; c < 7; ++c) form.BuildGrid.SetCell(c, 0, kBuildHeaders[c]);
    form.ListsGrid.SetCell(0, 0, "Списки файлов");
}

}  // namespace vesk

#include <filesystem>
#include <string>
#include <system_error>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "base/error.h"

namespace vesk {

namespace {

std::string UnusableFolderText(const std::string& folder) {
    const std::string where = " Укажите папку в поле «Временная папка» на странице «Настройки».";
    if (folder.empty()) return "Временная папка не указана." + where;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return "Временная папка «" + folder + "» не найдена." + where;
    return "Временная папка «" + folder + "» не открывается." + where;
}

// The pane shows the unpack folder. When that is not named or cannot be listed, the pane is
// emptied instead, so that "Добавить" takes nothing from a folder the user did not choose, and
// the folder is named in a refusal (only once per folder text unless everyTime).
void ShowUnpackFolderReporting(Form& form, Host& host, bool everyTime) {
    const std::string folder = form.TempFolderEdit;
    if (!folder.empty()) {
        try {
            host.ShowFolder(folder);
            form.UnpackFolderReported.reset();
            return;
        } catch (const Error&) {
            // told below, in words that name the folder
        }
    }
    host.ShowFolder("");
    if (!everyTime && form.UnpackFolderReported == folder) return;
    form.UnpackFolderReported = folder;
    Refuse(UnusableFolderText(folder));
}

}  // namespace

void ShowUnpackFolder(Form& form, Host& host) { ShowUnpackFolderReporting(form, host, true); }

void ShowUnpackPage(Form& form, Host& host) { ShowUnpackFolderReporting(form, host, false); }

void ClearBuildRow(Form& form) {
    TextGrid& grid = form.BuildGrid;
    // Row 0 is the fixed header; the current row never stands there in the window.
    if (grid.Row < 1) return;
    // Column 0 keeps the row number; an empty path makes the row free for the next file.
    for (int c = kBuildNameCol; c <= kBuildPathCol; ++c) grid.SetCell(c, grid.Row, "");
    form.ReplacedPictures.erase(grid.Row);
}

void SetBuildGridEditing(Form& form, bool editing) { form.BuildGridEditing = editing; }

}  // namespace vesk

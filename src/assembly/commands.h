#pragma once
// Building a dump: blank image, format, the build list, assembly. The build file is
// program folder + "bins/" + Form::BuildNameEdit.
#include <string>

#include "config/program_folder.h"
#include "form/form.h"
#include "form/host.h"

namespace vesk {

// "Пустой "FF" файл"
void MakeBlankDump(Form& form, Host& host, const ProgramFolder& folder);
// "Форматировать"
void FormatDump(Form& form, Host& host, const ProgramFolder& folder);

// "Добавить": the file selected in the file pane (Host::SelectedFile) onto the build list.
void AddSelectedFile(Form& form, Host& host, const ProgramFolder& folder);
// One system file: Form::OpenDumpPath onto the build list.
void AddSystemFile(Form& form, Host& host, const ProgramFolder& folder);
// "Системные": every file of [Files], through AddSystemFile.
void AddSystemFiles(Form& form, Host& host, const ProgramFolder& folder);
// "Свои" and showing "Новый VESK": the file pane shows the unpack folder.
void ShowUnpackFolder(Form& form, Host& host);
// "Удалить" / Delete: clears columns 1..6 of BuildGrid's current row.
void ClearBuildRow(Form& form);
// "Переименовать" turns in-place editing on; Enter turns it off.
void SetBuildGridEditing(Form& form, bool editing);

// "Собрать"
void AssembleDump(Form& form, Host& host, const ProgramFolder& folder);

}  // namespace vesk

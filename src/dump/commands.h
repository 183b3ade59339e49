#pragma once
// The reading road: dump -> lists -> entries -> files. Each command works on the Form and
// reports through the Host; the runtime's failures travel as vesk::Error.
#include "config/program_folder.h"
#include "form/form.h"
#include "form/host.h"

namespace vesk {

// "Открыть": finds the file lists of the dump at Form::OpenDumpPath.
void OpenDump(Form& form, Host& host, const ProgramFolder& folder);
// "Поиск": reads the 100 entries of the list at Form::ListAddressEdit into FileGrid.
void ReadFileList(Form& form, Host& host, const ProgramFolder& folder);
// "Распаковка": writes the files listed in FileGrid into Form::TempFolderEdit.
void UnpackFiles(Form& form, Host& host, const ProgramFolder& folder);

}  // namespace vesk

#pragma once
// The reading road: dump -> lists -> entries -> files. Each command works on the Form and
// reports through the Host; failures travel as vesk::Error, refusals as vesk::Refusal. The
// first two also return what they read, typed, for callers that want more than the grids.
#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "dump/dump_reader.h"
#include "dump/file_list.h"
#include "dump/list_scan.h"
#include "form/form.h"
#include "form/host.h"

namespace vesk {

// "Открыть": finds the file lists of the dump at Form::OpenDumpPath.
ListScan OpenDump(Form& form, Host& host, const ProgramFolder& folder);
// "Поиск": reads the 100 entries of the list at Form::ListAddressEdit into FileGrid.
FileListRead ReadFileList(Form& form, Host& host, const ProgramFolder& folder);
// "Распаковка": writes the files listed in FileGrid into Form::TempFolderEdit, and says how many
// files it wrote, their bytes in all, and the path written for each FileGrid row (by row number,
// 0 unused; "" for a row that no block names). The files are written by Unpack (unpack.h).
struct UnpackSummary {
    int files = 0;
    std::int64_t bytes = 0;
    std::vector<std::string> paths;
};
UnpackSummary UnpackFiles(Form& form, Host& host, const ProgramFolder& folder);
// The same over `dump`, open already on the bytes of the file at Form::OpenDumpPath (a caller
// that holds them in memory spares the second reading); "Распаковка" opens the file itself.
UnpackSummary UnpackFiles(Form& form, Host& host, const ProgramFolder& folder, DumpReader& dump);
// The unpack folder's text as a folder: it names one whether or not it ends with a separator,
// and a relative one lies in the program folder (not wherever the program was started from).
std::string UnpackFolderPath(const std::string& text, const ProgramFolder& folder);
// The same for the given FileGrid rows only (all when `rows` is empty), into `outFolder` (a path
// ending in "/"): "Извлечь..." and rows dragged out of "Список".
UnpackSummary UnpackGridRows(Form& form, Host& host, const ProgramFolder& folder, const std::vector<int>& rows,
                             const std::string& outFolder);

}  // namespace vesk

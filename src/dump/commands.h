#pragma once
// The reading road: dump -> lists -> entries -> files. Each command works on the Form and
// reports through the Host; failures travel as vesk::Error, refusals as vesk::Refusal. The
// first two also return what they read, typed, for callers that want more than the grids.
#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
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
// 0 unused; "" for a row that no block names).
struct UnpackSummary {
    int files = 0;
    std::int64_t bytes = 0;
    std::vector<std::string> paths;
};
UnpackSummary UnpackFiles(Form& form, Host& host, const ProgramFolder& folder);

}  // namespace vesk

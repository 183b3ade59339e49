#pragma once
// Building a dump: blank image, format, the build list, assembly. The build file is
// program folder + "bins/" + Form::BuildNameEdit.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "assembly/build_rows.h"
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
// One system file onto the build list, at the first free row, unless the path already stands in a
// row from 2 up to that one (a copy in row 1 is not seen, so it is added once more).
void AddSystemFile(Form& form, Host& host, const ProgramFolder& folder, const std::string& path);
// "Системные": every file of [Files], as AddSystemFile adds it; pressed again, it adds once more
// the files that its walk does not meet (the one in row 1).
void AddSystemFiles(Form& form, Host& host, const ProgramFolder& folder);
// "Свои": the file pane shows the unpack folder (Form::TempFolderEdit). One that is not named or
// cannot be listed empties the pane and is refused with a text naming it.
void ShowUnpackFolder(Form& form, Host& host);
// Showing "Новый VESK": the same, but an unusable folder is refused once, not at every showing,
// until its text changes (Form::UnpackFolderReported).
void ShowUnpackPage(Form& form, Host& host);
// "Удалить" / Delete: clears columns 1..6 of BuildGrid's current row.
void ClearBuildRow(Form& form);
// "Переименовать" turns in-place editing on; Enter turns it off.
void SetBuildGridEditing(Form& form, bool editing);

// "Собрать"
void AssembleDump(Form& form, Host& host, const ProgramFolder& folder);

// The same steps on a dump image in memory, for a build that writes its result once (vesk build,
// repacking): the refusals and the progress of the commands above, no file touched.
std::vector<std::uint8_t> BlankImage();
// [HEX] "01" as bytes; refused as "Форматировать" refuses it.
std::vector<std::uint8_t> FormatHeader(const ProgramFolder& folder);
void FormatImage(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& header, Host& host);
// "Собрать" of the build list's rows onto the image.
void AssembleImage(Form& form, Host& host, const ProgramFolder& folder, std::vector<std::uint8_t>& image);
// The same for typed rows (build_rows.h) with the named firmware's profile: every refusal of
// "Собрать", and the progress, no file touched but the rows' sources, each read once. A build
// needing more slots than `tableSlots` (what FatGrid has columns for) is refused. Returns the
// content each row was built from, in row order.
std::vector<std::vector<std::uint8_t>> AssembleRows(std::vector<BuildRow> rows, const std::string& firmware, Host& host,
                                                   const ProgramFolder& folder, std::vector<std::uint8_t>& image,
                                                   int tableSlots = (kFatGridCols - 2) / 2);

}  // namespace vesk

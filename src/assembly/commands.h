#pragma once
// Building a dump: blank image, format, the build list, assembly. The build file is
// program folder + "bins/" + Form::BuildNameEdit.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

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
// Contents a build takes from memory instead of from the file that a row's "Путь" names, by
// BuildGrid row (the caller keeps the bytes): the files a repack took out of a dump, read once
// and checked against the read-back with the very bytes that were built.
using HeldContents = std::map<int, std::span<const std::uint8_t>>;
void AssembleImage(Form& form, Host& host, const ProgramFolder& folder, std::vector<std::uint8_t>& image,
                   const HeldContents* held = nullptr);

}  // namespace vesk

#pragma once
// Changing a dump: a list taken into the build list, a file of it replaced, the whole build
// list assembled and read back before it is kept, single files picked out of a list. These go
// beyond the window's own commands, which keep every behaviour they have.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assembly/build_rows.h"
#include "assembly/commands.h"
#include "config/program_folder.h"
#include "dump/dump_reader.h"
#include "form/form.h"
#include "form/host.h"

namespace vesk {

// "В сборку": reads the list at ListAddressEdit as "Поиск" does, unpacks it as "Распаковка" does
// into the work folder files/<dump name>/ (WorkFolderOf), and makes it the build list: one row per
// entry in use, in list order, with its name, size, address, group code and number and the path
// of its unpacked file. BuildNameEdit gets NewDumpName of the dump; "Новый VESK" comes to the front.
void TakeListIntoBuild(Form& form, Host& host, const ProgramFolder& folder);

// The same without writing any file (vesk repack): the entries in use of the list at `list` of
// the dump at `dumpPath` as build rows numbered from 1, each with its content gathered in memory.
// An entry that no block belongs to gets a row without a source, and the host says which.
std::vector<BuildRow> ListBuildRows(const std::string& dumpPath, std::int64_t list, const std::string& firmware,
                                    Host& host, const ProgramFolder& folder);

// files/ + the dump's file name without its extension + "/".
std::string WorkFolderOf(const ProgramFolder& folder, const std::string& dumpPath);
// The dump's file name with "-new" before its extension: "phone.bin" -> "phone-new.bin".
std::string NewDumpName(const std::string& dumpPath);

// The build list's current row, refused unless it holds a file: what "Заменить..." changes.
int CurrentBuildRow(const Form& form);
// "Заменить...": the file at `path` for the build list's current row.
void ReplaceBuildFile(Form& form, const std::string& path);
// The row takes the file at `path`: its path and size change, its name, address, group and
// number stay. A file that cannot be read is refused with its error.
void ReplaceRowFile(BuildRow& row, const std::string& path);

// Changes the image between the build and its read-back: how a test shows that the check
// refuses a build whose bytes are not those the build list asks for.
using ImageFault = std::function<void(std::vector<std::uint8_t>& image)>;

// "Собрать всё": AssembleChecked onto bins/ + BuildNameEdit.
void AssembleAll(Form& form, Host& host, const ProgramFolder& folder);
// Every filled row of the build list in order (rows emptied by "Удалить" are skipped) through
// BuildChecked onto `target`; the save dialog names it afterwards.
int AssembleChecked(Form& form, Host& host, const ProgramFolder& folder, const std::string& target,
                    const ImageFault& fault = {});
// The rows, each file read once: a blank image is formatted and "Собрать" assembles them into it;
// the image is read back with the reading road and checked against the rows, entries and
// contents. Only a build that passes replaces `target`, whose previous content is kept as
// target + ".bak". Returns the number of files.
int BuildChecked(std::vector<BuildRow> rows, const std::string& firmware, Host& host, const ProgramFolder& folder,
                 const std::string& target, const ImageFault& fault = {});

// "Собрать" as it is, then the same read-back check of the build file, reported in the status
// bar: it refuses nothing, since "Собрать" has already written the file in place.
void AssembleDumpAndCheck(Form& form, Host& host, const ProgramFolder& folder);

// One file of a build as it must read back: the cells of its row and the bytes it was built from.
struct BuiltFile {
    int row = 0;
    std::string name;
    std::string size;
    std::string address;
    std::string group;
    std::string number;
    std::vector<std::uint8_t> content;
};
// The first way in which the dump does not read back as `files`, in words; nothing when the list
// that opening it selects holds exactly these entries, in order, and unpacking gives exactly
// these contents.
std::optional<std::string> ReadBackDifference(DumpReader& dump, const std::vector<BuiltFile>& files,
                                              const std::string& firmware, const ProgramFolder& folder);

// "Извлечь..." and the rows dragged out of "Список": the given FileGrid rows unpacked as
// "Распаковка" unpacks them, into `outFolder` (made when missing). Returns the files written.
std::vector<std::string> ExtractRows(Form& form, Host& host, const ProgramFolder& folder, const std::vector<int>& rows,
                                     const std::string& outFolder);

}  // namespace vesk

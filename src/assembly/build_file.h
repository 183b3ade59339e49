#pragma once
// What the building commands share: the build file's path, the columns of the build list, and
// the check that a hex text really is bytes before anything of it is written.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"

namespace vesk::assembly {

// "Собрать" takes rows 1 to 101 of the build list: one row more than the 100 records of a list
// that the reader reads (layout::kEntriesPerList), so a 101st file is written but never read
// back. BuildGrid keeps such a row without showing it.
inline constexpr int kMaxBuildRows = 101;

// Fills row r of the build list for the file at `path`: "Путь", "№", "Файл", "Размер (байт)",
// "Адрес", then "Группа" from `group` and "Номер". A `group` that throws (a file that cannot be
// read) leaves the row half filled, with the cells set before it, as the window shows them.
void FillBuildRow(TextGrid& grid, int r, const std::string& path, const std::function<std::string()>& group);

// The address a file takes in row r of the build list: the row's low byte and "00" ("0100" for
// row 1, "0A00" for row 10).
std::string RowAddress(int r);

// Which row the walk to the first free row compares with the file after each step.
enum class WalkCheck {
    RowLeft,     // "Добавить": the row it leaves, so it ends one step after the row it filled
    RowReached,  // the system-file loop: the row it moves to or has just filled
};
// Walks from row 1 past the taken rows (a row is free when its "Путь" is empty), fills the first
// free one and stops when the compared row holds the path: a file already listed before the
// first free row stops the walk there and is not added twice. Returns the row it stopped at.
int WalkToFreeRow(TextGrid& grid, const std::string& path, WalkCheck check, const std::function<void(int row)>& fill);

// program folder + "bins/" + BuildNameEdit, the name used as typed.
std::string BuildFilePath(const Form& form, const ProgramFolder& folder);

// Why a hex text cannot be written as bytes, in words for a message box; "" when it can.
// Refused: empty, odd length, a character that is no hex digit, more bytes than a block holds.
std::string HexTextProblem(std::string_view text);
// The bytes of a text that HexTextProblem accepts (length / 2 of them).
std::vector<std::uint8_t> HexTextBytes(std::string_view text);

// What goes into a dump is a regular file's content: a pipe, a device, a folder or a file of
// /proc is refused, naming it (a missing file is left to the open that follows).
void CheckSourceFile(const std::string& path);
// The refusal's text for such a file.
std::string NotAFileText(const std::string& path);

// The part of a path after its last "/".
std::string FileNamePart(const std::string& path);

}  // namespace vesk::assembly

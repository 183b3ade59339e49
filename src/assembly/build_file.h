#pragma once
// What the building commands share: the build file's path, the columns of the build list, and
// the check that a hex text really is bytes before anything of it is written.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"

namespace vesk::assembly {

// BuildGrid columns.
enum Column : int { kRowCol = 0, kNameCol = 1, kSizeCol = 2, kAddressCol = 3, kGroupCol = 4, kNumberCol = 5, kPathCol = 6 };

// Column headers, for messages that name a cell.
inline constexpr const char* kColumnNames[] = {"№", "Файл", "Размер (байт)", "Адрес", "Группа", "Номер", "Путь"};

// program folder + "bins/" + BuildNameEdit, the name used as typed.
std::string BuildFilePath(const Form& form, const ProgramFolder& folder);

// Why a hex text cannot be written as bytes, in words for a message box; "" when it can.
// Refused: empty, odd length, a character that is no hex digit, more bytes than a block holds.
std::string HexTextProblem(std::string_view text);
// The bytes of a text that HexTextProblem accepts (length / 2 of them).
std::vector<std::uint8_t> HexTextBytes(std::string_view text);

// The part of a path after its last "/".
std::string FileNamePart(const std::string& path);

}  // namespace vesk::assembly

#pragma once
// Windows-1251 <-> UTF-8, at the borders only: dump bytes and settings files written on Windows.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

// The UTF-8 text of one Windows-1251 byte (never fails; the one unassigned code, 0x98, gives U+FFFD).
std::string Cp1251CharToUtf8(std::uint8_t byte);
std::string Cp1251ToUtf8(std::string_view bytes);
// nullopt when a character has no Windows-1251 code (or the text is not valid UTF-8).
std::optional<std::string> Utf8ToCp1251(std::string_view text);
bool IsValidUtf8(std::string_view text);
// Number of characters (code points) of valid UTF-8 text.
std::size_t Utf8Length(std::string_view text);

}  // namespace vesk

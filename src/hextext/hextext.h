#pragma once
// Hex, decimal and binary text and colours: the working form of raw bytes.
// Free, stateless functions. Integers are 32-bit and wrap as the phone tools did.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vesk {

// HexTextToBlock always yields this many bytes: the content of one data block of a dump with
// the default profile (dump/layout.h holds the dump's own Block type of that size).
inline constexpr std::size_t kHexBlockBytes = 4090;
using HexBlock = std::array<std::uint8_t, kHexBlockBytes>;

// Receives a complaint that the window shows in a modal box and then goes on.
using Complain = std::function<void(const std::string& message)>;

// Colour value 0x00BBGGRR (red in the low byte).
std::uint32_t PackColor(int red, int green, int blue);
std::uint16_t ColorToRgb565(std::uint32_t color);
std::uint32_t Rgb565ToColor(std::uint16_t value);

int BinStrToInt(std::string_view text);
std::string IntToBinStr(std::int32_t value, int count);

// What HexAddrToDecStr's complaint begins with; the text converted follows.
inline constexpr std::string_view kBadAddress = "Неверный адрес ";
// "0x..." to signed decimal text. Without the "0x" prefix it complains
// ("Неверный адрес " + text) and still converts the characters from the third on.
std::string HexAddrToDecStr(std::string_view text, const Complain& complain);

std::string ByteToHex(int value);
// Decimal (or "0x"/"$" hex) text to "0x" + eight hex digits; throws on text that is no integer.
std::string DecStrToHexAddr(std::string_view text);
std::string IntToHex8(std::int32_t value);
std::string IntToHex4(std::int32_t value);
std::int32_t HexToInt(std::string_view text);
std::string HexToDecStr(std::string_view text);
// Two upper-case digits per byte, except that the byte 0x7C becomes the single character '|'.
std::string BytesToHexText(std::span<const std::uint8_t> bytes);
// Decodes whole digit pairs into a 4090-byte block; the rest is zero.
HexBlock HexTextToBlock(std::string_view text);

// Typed text to an integer (docs/COMPATIBILITY.md, Integer text): leading blanks, optional sign,
// decimal digits or hex digits after "$", "x" or "0x" (either case). Anything else, or a value
// outside 32 bits, throws "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
// The same conversion without the error: nullopt where StrToInt would throw.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

}  // namespace vesk

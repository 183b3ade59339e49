#include "hextext/hextext.h"

#include <algorithm>

#include "base/error.h"

namespace vesk {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Below 'A' a character counts as its code minus 48 (a blank is -16): the phone tools never
// checked their input, and the dump texts depend on that arithmetic. Lower-case letters read
// like upper-case ones; anything else above 'F' counts as 0.
int HexDigitValue(unsigned char c) {
    if (c < 'A') return static_cast<int>(c) - 48;
    if (c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// Signed 32-bit arithmetic that wraps instead of overflowing.
std::int32_t Wrap(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

// The four bytes of v by truncating division, so a negative v keeps its small magnitude in the
// low bytes rather than giving its two's complement (-1 gives 00 00 00 FF).
std::array<int, 4> SplitBytes(std::int32_t v) {
    const int b3 = (v / (1 << 24)) & 0xFF;
    const std::int32_t r2 = Wrap(static_cast<std::int64_t>(v) - (static_cast<std::int64_t>(b3) << 24));
    const int b2 = (r2 / (1 << 16)) & 0xFF;
    const std::int32_t r1 = Wrap(static_cast<std::int64_t>(r2) - (static_cast<std::int64_t>(b2) << 16));
    const int b1 = (r1 / (1 << 8)) & 0xFF;
    const int b0 = v & 0xFF;
    return {b3, b2, b1, b0};
}

bool IsHexChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

}  // namespace

std::uint32_t PackColor(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red & 0xFF) | (static_cast<std::uint32_t>(green & 0xFF) << 8) |
           (static_cast<std::uint32_t>(blue & 0xFF) << 16);
}

std::uint16_t ColorToRgb565(std::uint32_t color) {
    const std::uint32_t r = color & 0xFF;
    const std::uint32_t g = (color >> 8) & 0xFF;
    const std::uint32_t b = (color >> 16) & 0xFF;
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

std::uint32_t Rgb565ToColor(std::uint16_t value) {
    const std::uint32_t r = ((value >> 11) & 0x1F) << 3;
    const std::uint32_t g = ((value >> 5) & 0x3F) << 2;
    const std::uint32_t b = (value & 0x1F) << 3;
    return r | (g << 8) | (b << 16);
}

int BinStrToInt(std::string_view text) {
    int value = 0;
    for (char c : text) value = (value * 2 + (c == '1' ? 1 : 0)) % 256;
    return value;
}

std::string IntToBinStr(std::int32_t value, int count) {
    if (count <= 0) return {};
    std::string text(static_cast<std::size_t>(count), '0');
    const auto bits = static_cast<std::uint32_t>(value);
    // Bits above 31 do not exist in a 32-bit value; they read as '0'.
    for (int i = 0; i < count && i < 32; ++i) {
        if (bits & (1u << i)) text[static_cast<std::size_t>(count - 1 - i)] = '1';
    }
    return text;
}

std::string HexAddrToDecStr(std::string_view text, const Complain& complain) {
    if (text.substr(0, 2) != "0x" && complain) complain(std::string(kBadAddress) + std::string(text));
    const std::string_view digits = text.size() > 2 ? text.substr(2) : std::string_view{};
    return std::to_string(HexToInt(digits));
}

std::string ByteToHex(int value) {
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string DecStrToHexAddr(std::string_view text) { return "0x" + IntToHex8(StrToInt(text)); }

std::string IntToHex8(std::int32_t value) {
    std::string text;
    text.reserve(8);
    for (int b : SplitBytes(value)) text += ByteToHex(b);
    return text;
}

std::string IntToHex4(std::int32_t value) { return IntToHex8(value).substr(4); }

std::int32_t HexToInt(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) value = value * 16u + static_cast<std::uint32_t>(HexDigitValue(static_cast<unsigned char>(c)));
    return static_cast<std::int32_t>(value);
}

std::string HexToDecStr(std::string_view text) { return std::to_string(HexToInt(text)); }

std::string BytesToHexText(std::span<const std::uint8_t> bytes) {
    // Written in place and cut to length once: the map converts an owner tag for each of
    // hundreds of places, and appending checked the room at every character.
    std::string text(bytes.size() * 2, '\0');
    std::size_t n = 0;
    for (const std::uint8_t b : bytes) {
        if (b == 0x7C) {
            text[n++] = '|';
        } else {
            text[n++] = kDigits[b >> 4];
            text[n++] = kDigits[b & 0xF];
        }
    }
    text.resize(n);
    return text;
}

HexBlock HexTextToBlock(std::string_view text) {
    HexBlock block{};
    // Whole pairs only, and never more than the block holds.
    const std::size_t pairs = std::min(text.size() / 2, kHexBlockBytes);
    for (std::size_t k = 0; k < pairs; ++k) {
        block[k] = static_cast<std::uint8_t>(HexToInt(text.substr(2 * k, 2)) & 0xFF);
    }
    return block;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (hex) {
            if (!IsHexChar(c)) return std::nullopt;
            value = value * 16 + static_cast<std::uint64_t>(HexDigitValue(static_cast<unsigned char>(c)));
            // Eight hex digits fill 32 bits: "$FFFFFFFF" is -1, as addresses are written.
            if (value > 0xFFFFFFFFull) return std::nullopt;
        } else {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value > 0x80000000ull) return std::nullopt;
        }
    }
    if (hex) {
        const auto bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    if (negative) return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    if (value > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
    const auto value = TryStrToInt(text);
    if (!value) ThrowInvalidInteger(text);
    return *value;
}

}  // namespace vesk

#pragma once
// Tables that turn dump bytes into text, each read once per command from vesk.ini:
// [KOD] (also read as [kod]) for name bytes, [GROUP] for group codes, [EXT] for the first three
// content bytes of an unpacked file. Keys are the bytes' hex text, the byte 0x7C as "|".
#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "config/settings.h"

namespace vesk {

// The settings key of one byte: two upper-case hex digits, or "|" for 0x7C.
std::string ByteKey(std::uint8_t byte);

class NameDecoder {
public:
    explicit NameDecoder(const Settings& settings);
    explicit NameDecoder(const std::map<std::string, std::string>& kod);

    // The text of one name byte: the [KOD] value, else (missing or empty) the byte's own
    // Windows-1251 character; a result of "?" gives nothing.
    const std::string& ByteText(std::uint8_t byte) const { return texts_[byte]; }
    // The name bytes decoded one by one and joined, as UTF-8.
    std::string Decode(std::span<const std::uint8_t> bytes) const;
    // A byte that [KOD] does not map and whose own character shows nothing readable: a control
    // character, or the one code Windows-1251 leaves unassigned (0x98).
    bool Undecodable(std::uint8_t byte) const { return undecodable_[byte]; }

private:
    std::array<std::string, 256> texts_;
    std::array<bool, 256> undecodable_{};
};

class GroupNames {
public:
    explicit GroupNames(const Settings& settings);
    explicit GroupNames(const std::map<std::string, std::string>& group);
    // The [GROUP] value of the code, empty when missing.
    const std::string& Name(std::uint8_t code) const { return names_[code]; }

private:
    std::array<std::string, 256> names_;
};

class Extensions {
public:
    explicit Extensions(const Settings& settings);
    explicit Extensions(std::map<std::string, std::string> ext);
    // The [EXT] value for a file's first three content bytes, ".bin" when missing.
    std::string Of(std::span<const std::uint8_t, 3> first) const;

private:
    std::map<std::string, std::string> ext_;
};

}  // namespace vesk

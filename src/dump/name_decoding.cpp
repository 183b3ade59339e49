#include "dump/name_decoding.h"

#include <optional>

#include "hextext/hextext.h"
#include "platform/cp1251.h"

namespace vesk {

std::string ByteKey(std::uint8_t byte) { return BytesToHexText(std::span<const std::uint8_t>(&byte, 1)); }

NameDecoder::NameDecoder(const Settings& settings) : NameDecoder(settings.Table("KOD")) {}

namespace {

// The byte whose settings key is `key`; keys that name no byte (as "7C") give none.
std::optional<std::uint8_t> ByteOfKey(const std::string& key) {
    static const std::map<std::string, std::uint8_t> kBytes = [] {
        std::map<std::string, std::uint8_t> bytes;
        for (int b = 0; b < 256; ++b) bytes.emplace(ByteKey(static_cast<std::uint8_t>(b)), static_cast<std::uint8_t>(b));
        return bytes;
    }();
    const auto it = kBytes.find(key);
    return it == kBytes.end() ? std::nullopt : std::optional<std::uint8_t>(it->second);
}

// "?" is how the table drops filler bytes; a plain '?' byte vanishes the same way.
std::string Shown(std::string text) { return text == "?" ? std::string() : text; }

// Each byte as its own Windows-1251 character, and whether that shows nothing readable.
struct OwnCharacters {
    std::array<std::string, 256> texts;
    std::array<bool, 256> undecodable{};
};

const OwnCharacters& Own() {
    static const OwnCharacters own = [] {
        OwnCharacters c;
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            c.texts[byte] = Shown(Cp1251CharToUtf8(byte));
            c.undecodable[byte] = byte < 0x20 || byte == 0x7F || byte == 0x98;
        }
        return c;
    }();
    return own;
}

}  // namespace

NameDecoder::NameDecoder(const std::map<std::string, std::string>& kod)
    : texts_(Own().texts), undecodable_(Own().undecodable) {
    // The table over every byte's own character: a table holds a few dozen keys, and looking up
    // all 256 bytes in it cost more than reading a dump's list.
    for (const auto& [key, value] : kod) {
        const std::optional<std::uint8_t> byte = value.empty() ? std::nullopt : ByteOfKey(key);
        if (!byte) continue;
        texts_[*byte] = Shown(value);
        undecodable_[*byte] = false;
    }
}

std::string NameDecoder::Decode(std::span<const std::uint8_t> bytes) const {
    std::string name;
    for (const std::uint8_t byte : bytes) {
        // Most bytes stand for one character of one byte: appended as a character, not a text.
        const std::string& text = texts_[byte];
        if (text.size() == 1) {
            name.push_back(text.front());
        } else {
            name += text;
        }
    }
    return name;
}

GroupNames::GroupNames(const Settings& settings) : GroupNames(settings.Table("GROUP")) {}

GroupNames::GroupNames(const std::map<std::string, std::string>& group) {
    for (const auto& [key, value] : group) {
        if (const std::optional<std::uint8_t> code = ByteOfKey(key)) names_[*code] = value;
    }
}

Extensions::Extensions(const Settings& settings) : Extensions(settings.Table("EXT")) {}

Extensions::Extensions(std::map<std::string, std::string> ext) : ext_(std::move(ext)) {}

std::string Extensions::Of(std::span<const std::uint8_t, 3> first) const {
    const auto it = ext_.find(BytesToHexText(first));
    return it == ext_.end() ? std::string(".bin") : it->second;
}

}  // namespace vesk

#include "dump/name_decoding.h"

#include "hextext/hextext.h"
#include "platform/cp1251.h"

namespace vesk {

std::string ByteKey(std::uint8_t byte) { return BytesToHexText(std::span<const std::uint8_t>(&byte, 1)); }

NameDecoder::NameDecoder(const Settings& settings) : NameDecoder(settings.Table("KOD")) {}

NameDecoder::NameDecoder(const std::map<std::string, std::string>& kod) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const auto it = kod.find(ByteKey(byte));
        const bool mapped = it != kod.end() && !it->second.empty();
        std::string text = mapped ? it->second : Cp1251CharToUtf8(byte);
        undecodable_[byte] = !mapped && (byte < 0x20 || byte == 0x7F || byte == 0x98);
        // "?" is how the table drops filler bytes; a plain '?' byte vanishes the same way.
        if (text == "?") text.clear();
        texts_[byte] = std::move(text);
    }
}

std::string NameDecoder::Decode(std::span<const std::uint8_t> bytes) const {
    std::string name;
    for (const std::uint8_t byte : bytes) name += texts_[byte];
    return name;
}

GroupNames::GroupNames(const Settings& settings) : GroupNames(settings.Table("GROUP")) {}

GroupNames::GroupNames(const std::map<std::string, std::string>& group) {
    for (int b = 0; b < 256; ++b) {
        const auto it = group.find(ByteKey(static_cast<std::uint8_t>(b)));
        if (it != group.end()) names_[static_cast<std::size_t>(b)] = it->second;
    }
}

Extensions::Extensions(const Settings& settings) : Extensions(settings.Table("EXT")) {}

Extensions::Extensions(std::map<std::string, std::string> ext) : ext_(std::move(ext)) {}

std::string Extensions::Of(std::span<const std::uint8_t, 3> first) const {
    const auto it = ext_.find(BytesToHexText(first));
    return it == ext_.end() ? std::string(".bin") : it->second;
}

}  // namespace vesk

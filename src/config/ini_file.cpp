#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/cp1251.h"
#include "platform/file_output.h"
#include "platform/system_calls.h"

namespace vesk {
namespace {

// Values are cut after this many characters (docs/COMPATIBILITY.md, INI files).
constexpr std::size_t kMaxValueChars = 2047;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

// Cuts UTF-8 text after its first `chars` characters.
std::string_view CutChars(std::string_view s, std::size_t chars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == chars) return s.substr(0, i);
            ++count;
        }
    }
    return s;
}

// Next code point of UTF-8 text, lower-cased for Latin and Cyrillic letters, which is what
// section and key names are written in. Bytes that are not UTF-8 compare as themselves.
char32_t NextFolded(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp = c;
    if ((c & 0xE0) == 0xC0 && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
        cp = (static_cast<char32_t>(c & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
        i += 2;
    } else {
        i += 1;
    }
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0x0410 && cp <= 0x042F) return cp + 0x20;
    if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;
    return cp;
}

bool SameName(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (NextFolded(a, i) != NextFolded(b, j)) return false;
    }
    return i == a.size() && j == b.size();
}

// "[name]" with blanks allowed around; a missing "]" still starts a section.
bool ParseSection(std::string_view text, std::string_view& name) {
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() != '[') return false;
    const auto close = t.find(']');
    name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return true;
}

// key=value; the value comes back trimmed and without matching quotes, but not yet cut, so
// that a lookup costs nothing for the lines it passes over.
bool ParseKey(std::string_view text, std::string_view& key, std::string_view& value) {
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    if (key.empty()) return false;
    value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

std::string CutValue(std::string_view value) { return std::string(CutChars(value, kMaxValueChars)); }

bool IsBlankLine(std::string_view text) { return Trim(text).empty(); }

// The whole text as one number of that base, or false.
template <typename Int>
bool WholeNumber(std::string_view text, int base, Int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    return error == std::errc{} && stop == end;
}

// Integer values (docs/COMPATIBILITY.md, INI files): more than two characters starting "0x" or
// "0X" are hex digits, anything else a decimal number with an optional sign; nothing else, and
// nothing outside 32 bits, is a number. Hex fills all 32 bits: "0xFFFFFFFF" is -1.
std::optional<std::int32_t> ProfileInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t bits = 0;
        if (!WholeNumber(text.substr(2), 16, bits)) return std::nullopt;
        return static_cast<std::int32_t>(bits);
    }
    // from_chars takes a minus sign but no plus sign.
    if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);
    std::int32_t value = 0;
    if (!WholeNumber(text, 10, value)) return std::nullopt;
    return value;
}

// A value is one line: anything after a line break would become a line of its own.
std::string_view OneLine(std::string_view value) { return value.substr(0, value.find_first_of("\r\n")); }

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) { Load(); }

bool IniFile::Load() {
    lines_.clear();
    lineEnd_ = "\n";
    cp1251_ = false;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(path_);
    } catch (const Error& e) {
        // A file we cannot read has no values; only a missing one may be written from nothing.
        return e.what() == kFileNotFound;
    }
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    cp1251_ = !IsValidUtf8(data);
    bool firstEnd = true;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const auto nl = data.find('\n', pos);
        Line line;
        if (nl == std::string_view::npos) {
            line.raw = std::string(data.substr(pos));
            pos = data.size();
        } else {
            const bool crlf = nl > pos && data[nl - 1] == '\r';
            line.raw = std::string(data.substr(pos, nl - pos - (crlf ? 1 : 0)));
            line.end = crlf ? "\r\n" : "\n";
            pos = nl + 1;
            if (firstEnd) lineEnd_ = line.end, firstEnd = false;
        }
        line.text = cp1251_ ? Cp1251ToUtf8(line.raw) : line.raw;
        if (lines_.empty() && !cp1251_ && line.text.starts_with(kUtf8Bom)) line.text.erase(0, kUtf8Bom.size());
        lines_.push_back(std::move(line));
    }
    return true;
}

bool IniFile::FindSection(std::string_view section, std::size_t& begin, std::size_t& end) const {
    std::string_view name;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!ParseSection(lines_[i].text, name) || !SameName(name, section)) continue;
        begin = i + 1;
        end = begin;
        while (end < lines_.size() && !ParseSection(lines_[end].text, name)) ++end;
        return true;
    }
    return false;
}

std::optional<IniFile::KeyLine> IniFile::FindKey(std::string_view section, std::string_view key) const {
    std::size_t begin = 0, end = 0;
    if (!FindSection(section, begin, end)) return std::nullopt;
    std::string_view name, value;
    for (std::size_t i = begin; i < end; ++i) {
        if (ParseKey(lines_[i].text, name, value) && SameName(name, key)) return KeyLine{i, CutValue(value)};
    }
    return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
    if (auto found = FindKey(section, key)) return std::move(found->value);
    return CutValue(fallback);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const {
    return ProfileInteger(ReadString(section, key, "")).value_or(fallback);
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    std::size_t begin = 0, end = 0;
    if (!FindSection(section, begin, end)) return entries;
    std::string_view key, value;
    for (std::size_t i = begin; i < end; ++i) {
        if (ParseKey(lines_[i].text, key, value)) entries.emplace_back(std::string(key), CutValue(value));
    }
    return entries;
}

std::string IniFile::Encode(const std::string& text) const {
    if (!cp1251_) return text;
    return Utf8ToCp1251(text).value_or(text);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // The file as it is now, not as it was when we read it: an edit made meanwhile stays.
    struct stat st {};
    const bool exists = sys::Lstat(path_, &st) == 0 && !S_ISLNK(st.st_mode);
    if (exists) {
        // rename() would replace a file that we may not write, so its rights are checked here;
        // a file without any write bit is read-only for root too (docs/COMPATIBILITY.md,
        // Read-only and unreadable files).
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || sys::Access(path_, R_OK | W_OK) != 0) {
            ThrowUnableToWrite(path_);
        }
    }
    if (!Load()) ThrowUnableToWrite(path_);

    const std::string keyLine = std::string(key) + "=" + std::string(OneLine(value));
    const std::string sectionLine = "[" + std::string(section) + "]";
    // A Windows-1251 file keeps its encoding unless the new text has no Windows-1251 form; then
    // the whole file turns UTF-8, which loses nothing.
    if (cp1251_ && (!Utf8ToCp1251(keyLine) || !Utf8ToCp1251(sectionLine))) {
        for (Line& line : lines_) line.raw = line.text;
        cp1251_ = false;
    }
    auto endLastLine = [this] {
        if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = lineEnd_;
    };

    std::size_t begin = 0, end = 0;
    if (auto found = FindKey(section, key)) {
        Line& line = lines_[found->index];
        line.text = keyLine;
        line.raw = Encode(keyLine);
    } else if (FindSection(section, begin, end)) {
        // After the section's last non-blank line, so a blank line before the next section stays.
        std::size_t at = end;
        while (at > begin && IsBlankLine(lines_[at - 1].text)) --at;
        if (at == lines_.size()) endLastLine();
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{Encode(keyLine), keyLine, lineEnd_});
    } else {
        endLastLine();
        lines_.push_back(Line{Encode(sectionLine), sectionLine, lineEnd_});
        lines_.push_back(Line{Encode(keyLine), keyLine, lineEnd_});
    }
    Save();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::Save() const {
    std::string content;
    for (const Line& line : lines_) content += line.raw + line.end;
    // As every file is written (platform/file_output.h): a crash leaves the old settings or the
    // new ones, never half of them.
    try {
        WriteWholeFile(path_, std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()),
                       Durability::SettingsFile);
    } catch (const Error&) {
        ThrowUnableToWrite(path_);
    }
}

}  // namespace vesk

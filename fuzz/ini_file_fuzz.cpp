// IniFile on any file content: reads, then a write, then a fresh read of the value written.
// A value that the file's lines can hold unchanged must read back exactly, cut to 2047
// characters; the write must leave no temporary file behind.
//
// Input: file content, section, key, value.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.h"
#include "config/ini_file.h"
#include "fuzz_support.h"
#include "platform/cp1251.h"

using namespace vesk;

namespace {

bool HasControl(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool Trimmed(std::string_view s) { return s.empty() || (!IsBlank(s.front()) && !IsBlank(s.back())); }

// Names and values that a line of the file can hold as they are: one line, no blanks around,
// a key without "=" that does not look like a comment or a section, a section without "]",
// a value not wrapped in quotes (the reader would take them off).
bool Representable(std::string_view section, std::string_view key, std::string_view value) {
    if (HasControl(section) || HasControl(key) || HasControl(value)) return false;
    if (!IsValidUtf8(section) || !IsValidUtf8(key) || !IsValidUtf8(value)) return false;
    if (!Trimmed(section) || !Trimmed(key) || !Trimmed(value)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    if (key.empty() || key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[') return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return !quoted;
}

bool IsAscii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::string FirstChars(std::string_view s, std::size_t chars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && count++ == chars) return std::string(s.substr(0, i));
    }
    return std::string(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const std::string content = in.Text();
    const std::string section = in.Text();
    const std::string key = in.Text();
    const std::string value = in.Text();

    const std::string& folder = fuzz::ScratchFolder();
    fuzz::ClearFolder(folder);
    const std::string path = folder + "vesk.ini";
    fuzz::WriteFile(path, content);

    IniFile ini(path);
    (void)ini.ReadString(section, key, "-");
    (void)ini.ReadInteger(section, key, 7);
    (void)ini.ReadSection(section);
    try {
        ini.WriteString(section, key, value);
    } catch (const Error&) {
        fuzz::Fail("a write to a writable file was refused");
    }
    if (fuzz::Tree(folder).size() != 1) fuzz::Fail("the write left a file beside the settings file");

    // A file read as Windows-1251 can turn valid UTF-8 when the line written replaces its only
    // odd bytes; then other text may read differently, so only plain values are held to it there.
    const bool utf8File = IsValidUtf8(content);
    if (Representable(section, key, value) && (utf8File || (IsAscii(section) && IsAscii(key) && IsAscii(value)))) {
        const std::string got = IniFile(path).ReadString(section, key, "<missing>");
        if (got != FirstChars(value, 2047)) {
            fuzz::Fail("wrote [" + section + "] " + key + "=" + value + ", read back " + got);
        }
    }
    return 0;
}

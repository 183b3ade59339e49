#pragma once
// INI files by the kept profile-file rules (docs/COMPATIBILITY.md, INI files): names match
// without regard to case, the first section and key of a name win, values are trimmed,
// unquoted and cut at 2047 characters; UTF-8 or Windows-1251. A write keeps every other line
// and goes to disk at once, through a temporary file renamed over the old one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk {

class IniFile {
public:
    // Reads the file now; a missing or unreadable file reads as empty.
    explicit IniFile(std::string path);

    const std::string& Path() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // "0x"/"0X" + hex digits when longer than two characters, else a decimal number with an
    // optional sign; anything else ("$64", "-0x10", "12a"), or a value beyond 32 bits, gives fallback.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;
    // Every key=value of the first section of that name, in file order (keys as written,
    // values trimmed, unquoted and cut). For tables that a command reads once.
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;

    // Throws "Unable to write to %s" (with the path) when the file cannot be written; the old
    // file then stays as it was.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

private:
    // A line as it stands in the file (bytes in the file's encoding, with its own line end) and
    // as we read it (UTF-8, without the line end). Lines a write does not touch go back as raw.
    struct Line {
        std::string raw;
        std::string text;
        std::string end;
    };
    struct KeyLine {
        std::size_t index;
        std::string value;
    };

    // False when the file exists but cannot be read (it then reads as empty).
    bool Load();
    // The index range [begin, end) of the body of the first section of that name, if any.
    bool FindSection(std::string_view section, std::size_t& begin, std::size_t& end) const;
    std::optional<KeyLine> FindKey(std::string_view section, std::string_view key) const;
    std::string Encode(const std::string& text) const;
    void Save() const;

    std::string path_;
    std::vector<Line> lines_;
    std::string lineEnd_ = "\n";  // for new lines: the end of the file's first line
    bool cp1251_ = false;
};

}  // namespace vesk

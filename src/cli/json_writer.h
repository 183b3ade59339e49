#pragma once
// A small JSON writer for the listings: one compact line per document. Strings are UTF-8 and
// pass through as they are; quotes, backslashes and control characters are escaped, and bytes
// that are not UTF-8 (a path from the command line may hold any) become U+FFFD.
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::cli {

// The string as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view text);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // A cell of decimal text: a number when it is one, else a string, so no value is lost.
    JsonWriter& Decimal(std::string_view text);
    // Ends the document with a line end.
    void End();

private:
    void BeforeValue();

    std::ostream& out_;
    std::vector<bool> first_;  // per open container: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace vesk::cli

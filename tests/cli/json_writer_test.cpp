// The JSON of the listings: escaping, UTF-8, numbers from decimal cells, commas in nesting.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/json_writer.h"

namespace vesk::cli {
namespace {

TEST(JsonString, EscapesWhatJsonRequiresAndPassesUtf8Through) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(JsonString("\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\x7f\"");
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
    EXPECT_EQ(JsonString("Звук.mid €𝄞"), "\"Звук.mid €𝄞\"");
}

TEST(JsonString, BytesThatAreNotUtf8BecomeTheReplacementCharacter) {
    EXPECT_EQ(JsonString("\xC7\xE2"), "\"\\ufffd\\ufffd\"");         // Windows-1251 "Зв"
    EXPECT_EQ(JsonString("a\xD0"), "\"a\\ufffd\"");                   // cut sequence at the end
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");         // overlong "/"
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // a surrogate
    EXPECT_EQ(JsonString("\xD0\x97x\xFF"), "\"Зx\\ufffd\"");
}

TEST(JsonWriter, CommasBetweenValuesAtEveryLevel) {
    std::ostringstream out;
    JsonWriter json(out);
    json.BeginObject().Key("a").Number(-1).Key("b").BeginArray();
    json.BeginObject().Key("x").Bool(true).EndObject();
    json.BeginObject().Key("y").Null().Key("z").String("q").EndObject();
    json.BeginArray().EndArray();
    json.EndArray().Key("c").BeginObject().EndObject().EndObject().End();
    EXPECT_EQ(out.str(), "{\"a\":-1,\"b\":[{\"x\":true},{\"y\":null,\"z\":\"q\"},[]],\"c\":{}}\n");
}

TEST(JsonWriter, DecimalCellsBecomeNumbersOnlyWhenJsonReadsThemAsTheSameNumber) {
    std::ostringstream out;
    JsonWriter json(out);
    json.BeginArray();
    for (const char* text : {"0", "124", "-7", "007", "", "-", "12a", " 5", "1e3", "123456789012345678901"}) json.Decimal(text);
    json.EndArray().End();
    EXPECT_EQ(out.str(), "[0,124,-7,\"007\",\"\",\"-\",\"12a\",\" 5\",\"1e3\",\"123456789012345678901\"]\n");
}

}  // namespace
}  // namespace vesk::cli

#include "platform/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace vesk {
namespace {

// The C library's own converter, as an independent check of our table.
std::string IconvToUtf8(std::uint8_t byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "?no-iconv";
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inp = in;
    char* outp = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    const std::size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return "?unmapped";
    return std::string(out, sizeof out - outLeft);
}

TEST(Cp1251, TableAgreesWithTheCLibrary) {
    iconv_t probe = iconv_open("UTF-8", "CP1251");
    if (probe == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP1251 converter here";
    iconv_close(probe);
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue;  // unassigned in Windows-1251
        EXPECT_EQ(Cp1251CharToUtf8(static_cast<std::uint8_t>(b)), IconvToUtf8(static_cast<std::uint8_t>(b)))
            << "byte " << b;
    }
}

TEST(Cp1251, KnownLetters) {
    EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8\xB9"), "Ёё№");
    EXPECT_EQ(Cp1251CharToUtf8(0x98), "\xEF\xBF\xBD");
    EXPECT_EQ(Cp1251ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, AllAssignedBytesRoundTrip) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != 0x98) bytes += static_cast<char>(b);
    }
    const std::string utf8 = Cp1251ToUtf8(bytes);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8Length(utf8), bytes.size());
    EXPECT_EQ(Utf8ToCp1251(utf8), bytes);
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue;
        EXPECT_EQ(Utf8ToCp1251(Cp1251CharToUtf8(static_cast<std::uint8_t>(b))), std::string(1, static_cast<char>(b)));
    }
}

TEST(Cp1251, CharactersWithoutACodeAreRefused) {
    EXPECT_EQ(Utf8ToCp1251("日本"), std::nullopt);
    EXPECT_EQ(Utf8ToCp1251("a\xEF\xBF\xBD"), std::nullopt);  // U+FFFD has no byte either
    EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80"), std::nullopt);
    EXPECT_EQ(Utf8ToCp1251("\xCF\xF0"), std::nullopt);  // not UTF-8 at all
    EXPECT_EQ(Utf8ToCp1251(""), std::string());
}

TEST(Utf8, StrictValidity) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain ASCII"));
    EXPECT_TRUE(IsValidUtf8("Ж€\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xD0"));              // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\x80"));              // stray continuation
    EXPECT_FALSE(IsValidUtf8("\xFF"));
    EXPECT_FALSE(IsValidUtf8("\xE8\xE2\xE0\xED"));  // Windows-1251 "иван"
}

TEST(Utf8, LengthCountsCharacters) {
    EXPECT_EQ(Utf8Length("Привет"), 6u);
    EXPECT_EQ(Utf8Length("a€\xF0\x9F\x98\x80"), 3u);
    EXPECT_EQ(Utf8Length(""), 0u);
}

}  // namespace
}  // namespace vesk

#include "hextext/hextext.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

// --- Reading hex digits -------------------------------------------------------------------

TEST(HexToInt, ReadsDigitsWithWrapAround) {
    EXPECT_EQ(HexToInt(""), 0);
    EXPECT_EQ(HexToInt("0842"), 2114);
    EXPECT_EQ(HexToInt("7FFFFFFF"), 2147483647);
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(HexToInt("80000000"), INT32_MIN);
    // A ninth digit pushes the first one out.
    EXPECT_EQ(HexToInt("123456789"), 0x23456789);
    EXPECT_EQ(HexToInt("F00000000"), 0);
}

TEST(HexToInt, CharactersBelowAReadAsCodeMinus48) {
    EXPECT_EQ(HexToInt("1 "), 0);        // the blank counts as -16
    EXPECT_EQ(HexToInt(" "), -16);
    EXPECT_EQ(HexToInt("/"), -1);
    EXPECT_EQ(HexToInt("10 "), 0x100 - 16);
}

TEST(HexToInt, CharactersAboveFHaveTheirChosenValues) {
    EXPECT_EQ(HexToInt("ff"), 255);
    EXPECT_EQ(HexToInt("aBcD"), 0xABCD);
    EXPECT_EQ(HexToInt("G"), 0);
    EXPECT_EQ(HexToInt("1Z"), 16);
    EXPECT_EQ(HexToInt("1g"), 16);
    EXPECT_EQ(HexToInt("|"), 0);
    EXPECT_EQ(HexToInt("\xD0\x96"), 0);  // bytes of a UTF-8 letter
    EXPECT_EQ(HexToInt(":"), 10);        // just below 'A', so code minus 48
    EXPECT_EQ(HexToInt("@"), 16);
}

TEST(HexToDecStr, WritesSignedDecimal) {
    EXPECT_EQ(HexToDecStr("FFFFFFFF"), "-1");
    EXPECT_EQ(HexToDecStr("7C"), "124");
    EXPECT_EQ(HexToDecStr(""), "0");
    EXPECT_EQ(HexToDecStr("80000000"), "-2147483648");
}

// --- HexAddrToDecStr ------------------------------------------------------------------------

struct Complaints {
    std::vector<std::string> messages;
    Complain sink() {
        return [this](const std::string& m) { messages.push_back(m); };
    }
};

TEST(HexAddrToDecStr, PrefixedAddressConvertsSilently) {
    Complaints c;
    EXPECT_EQ(HexAddrToDecStr("0x00000842", c.sink()), "2114");
    EXPECT_EQ(HexAddrToDecStr("0xFFFFFFFF", c.sink()), "-1");
    EXPECT_EQ(HexAddrToDecStr("0x", c.sink()), "0");
    EXPECT_TRUE(c.messages.empty());
}

TEST(HexAddrToDecStr, MissingPrefixComplainsAndStillConverts) {
    struct Case {
        std::string text;
        std::string result;
    };
    for (const Case& k : std::vector<Case>{{"0X10", "16"}, {"842", "2"}, {"42", "0"}, {"x", "0"}, {"", "0"},
                                           {"1x10", "16"}}) {
        Complaints c;
        EXPECT_EQ(HexAddrToDecStr(k.text, c.sink()), k.result) << k.text;
        ASSERT_EQ(c.messages.size(), 1u) << k.text;
        EXPECT_EQ(c.messages[0], "Неверный адрес " + k.text);
    }
}

TEST(HexAddrToDecStr, WorksWithoutAListener) {
    EXPECT_EQ(HexAddrToDecStr("842", Complain{}), "2");
}

// --- StrToInt and DecStrToHexAddr --------------------------------------------------------------

TEST(StrToInt, AcceptsTheRuntimeForms) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    for (const Case& k : std::vector<Case>{{"0", 0},
                                           {"2114", 2114},
                                           {"  12", 12},
                                           {"+5", 5},
                                           {"-1", -1},
                                           {"007", 7},
                                           {"2147483647", INT32_MAX},
                                           {"-2147483648", INT32_MIN},
                                           {"$FF", 255},
                                           {"$ff", 255},
                                           {"x10", 16},
                                           {"X10", 16},
                                           {"0x1084a", 0x1084A},
                                           {"0X1084A", 0x1084A},
                                           {"-$10", -16},
                                           {" -0x10", -16},
                                           {"0xFFFFFFFF", -1},
                                           {"$000000000001", 1}}) {
        EXPECT_EQ(StrToInt(k.text), k.value) << k.text;
    }
}

TEST(StrToInt, RejectsEverythingElseWithTheRuntimeText) {
    for (const char* text : {"", " ", "abc", "12a", "12 ", "1 2", "--1", "+-1", "-", "$", "0x", "x", "0x-1",
                             "2147483648", "-2147483649", "99999999999", "0x100000000", "$G", "1.5", "\t1", "1e3"}) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
        EXPECT_FALSE(TryStrToInt(text).has_value()) << text;
    }
}

TEST(DecStrToHexAddr, GivesEightDigitAddresses) {
    EXPECT_EQ(DecStrToHexAddr("0"), "0x00000000");
    EXPECT_EQ(DecStrToHexAddr("2114"), "0x00000842");
    EXPECT_EQ(DecStrToHexAddr("202818"), "0x00031842");  // the list of sector 3
    EXPECT_EQ(DecStrToHexAddr("3080192"), "0x002F0000");  // the start of the last sector
    EXPECT_EQ(DecStrToHexAddr("2147483647"), "0x7FFFFFFF");
    EXPECT_EQ(DecStrToHexAddr("0x1084a"), "0x0001084A");
    EXPECT_EQ(DecStrToHexAddr("0x0001084A"), "0x0001084A");  // an address comes back unchanged
    EXPECT_EQ(DecStrToHexAddr("-1"), "0x000000FF");
    EXPECT_EQ(DecStrToHexAddr("-256"), "0x0000FF00");
    EXPECT_THROW(DecStrToHexAddr("abc"), Error);
    EXPECT_THROW(DecStrToHexAddr("12a"), Error);
    EXPECT_THROW(DecStrToHexAddr(""), Error);
}

// --- Writing hex digits --------------------------------------------------------------------

TEST(IntToHex8, SplitsByTruncatingDivision) {
    EXPECT_EQ(IntToHex8(2147483647), "7FFFFFFF");
    EXPECT_EQ(IntToHex8(2114), "00000842");
    EXPECT_EQ(IntToHex8(0), "00000000");
    EXPECT_EQ(IntToHex8(-1), "000000FF");
    EXPECT_EQ(IntToHex8(-256), "0000FF00");
    EXPECT_EQ(IntToHex8(-2147483647 - 1), "80000000");
    EXPECT_EQ(IntToHex8(-65536), "00FF0000");
}

TEST(IntToHex8, NonNegativeValuesRoundTripThroughHexToInt) {
    for (std::int64_t v = 0; v <= INT32_MAX; v += 7919 * 1031) {
        const auto value = static_cast<std::int32_t>(v);
        const std::string hex = IntToHex8(value);
        ASSERT_EQ(hex.size(), 8u);
        EXPECT_EQ(HexToInt(hex), value) << hex;
    }
}


TEST(IntToHex4, KeepsTheLowTwoBytes) {
    EXPECT_EQ(IntToHex4(0x12345), "2345");
    EXPECT_EQ(IntToHex4(0xFFFF), "FFFF");
    EXPECT_EQ(IntToHex4(0), "0000");
    EXPECT_EQ(IntToHex4(-1), "00FF");
}

TEST(ByteToHex, AllByteValuesAndHighBitsIgnored) {
    for (int v = 0; v < 256; ++v) {
        const std::string hex = ByteToHex(v);
        ASSERT_EQ(hex.size(), 2u);
        EXPECT_EQ(HexToInt(hex), v);
        EXPECT_EQ(ByteToHex(v + 0x300), hex);
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
    EXPECT_EQ(ByteToHex(10), "0A");
    EXPECT_EQ(ByteToHex(0x1A5), "A5");
    EXPECT_EQ(ByteToHex(-1), "FF");
}

// --- Byte strings ----------------------------------------------------------------------------

std::vector<std::uint8_t> AllBytes() {
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return bytes;
}

TEST(BytesToHexText, BarByteIsOneCharacter) {
    const std::vector<std::uint8_t> sample{0x41, 0x7C, 0x00};
    EXPECT_EQ(BytesToHexText(sample), "41|00");
    const std::vector<std::uint8_t> bar{0x7C};
    EXPECT_EQ(BytesToHexText(bar), "|");
    EXPECT_EQ(BytesToHexText({}), "");
}

TEST(BytesToHexText, AllBytesDecodeBack) {
    const auto bytes = AllBytes();
    const std::string text = BytesToHexText(bytes);
    ASSERT_EQ(text.size(), 2u * 255 + 1);
    // Read it back as the list reader does: '|' stands for 7C, everything else in pairs.
    std::vector<std::uint8_t> back;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '|') {
            back.push_back(0x7C);
            i += 1;
        } else {
            back.push_back(static_cast<std::uint8_t>(HexToInt(text.substr(i, 2))));
            i += 2;
        }
    }
    EXPECT_EQ(back, bytes);
}

TEST(HexTextToBlock, DecodesPairsAndZeroFills) {
    const HexBlock ff = HexTextToBlock("FF");
    EXPECT_EQ(ff[0], 0xFF);
    EXPECT_EQ(ff[1], 0x00);
    const HexBlock addr = HexTextToBlock("42E0");
    EXPECT_EQ(addr[0], 0x42);
    EXPECT_EQ(addr[1], 0xE0);
    EXPECT_EQ(addr[2], 0x00);
    const HexBlock lower = HexTextToBlock("a5");
    EXPECT_EQ(lower[0], 0xA5);
}

TEST(HexTextToBlock, AllBytesRoundTrip) {
    std::string text;
    for (int v = 0; v < 256; ++v) text += ByteToHex(v);
    const HexBlock block = HexTextToBlock(text);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(block[static_cast<std::size_t>(v)], v);
    for (std::size_t i = 256; i < kHexBlockBytes; ++i) ASSERT_EQ(block[i], 0) << i;
}

TEST(HexTextToBlock, OddEmptyAndOverlongTextsStayInsideTheBlock) {
    const HexBlock odd = HexTextToBlock("ABC");
    EXPECT_EQ(odd[0], 0xAB);
    EXPECT_EQ(odd[1], 0x00);  // the half pair is ignored
    const HexBlock empty = HexTextToBlock("");
    for (std::uint8_t b : empty) ASSERT_EQ(b, 0);
    // 4091 pairs: the last one has no place and must not be written anywhere.
    std::string longText;
    for (std::size_t i = 0; i < kHexBlockBytes; ++i) longText += "11";
    longText += "22";
    const HexBlock full = HexTextToBlock(longText);
    for (std::uint8_t b : full) ASSERT_EQ(b, 0x11);
}

// --- Binary text ----------------------------------------------------------------------------

TEST(BinaryText, ReadsTheLastEightCharacters) {
    EXPECT_EQ(BinStrToInt(""), 0);
    EXPECT_EQ(BinStrToInt("2"), 0);
    EXPECT_EQ(BinStrToInt("101"), 5);
    EXPECT_EQ(BinStrToInt("111111111"), 255);
    EXPECT_EQ(BinStrToInt("100000000"), 0);
    EXPECT_EQ(BinStrToInt("1x1"), 5);
}

TEST(BinaryText, WritesCountBitsHighFirst) {
    EXPECT_EQ(IntToBinStr(5, 8), "00000101");
    EXPECT_EQ(IntToBinStr(0x1FF, 8), "11111111");
    EXPECT_EQ(IntToBinStr(1, 3), "001");
    EXPECT_EQ(IntToBinStr(5, 0), "");
    EXPECT_EQ(IntToBinStr(5, -3), "");
    EXPECT_EQ(IntToBinStr(-1, 34), "00" + std::string(32, '1'));
}

TEST(BinaryText, AllBytesRoundTrip) {
    for (int v = 0; v < 256; ++v) EXPECT_EQ(BinStrToInt(IntToBinStr(v, 8)), v);
}

// --- Colours -----------------------------------------------------------------------------------

TEST(Colors, PackUsesLowBitsOfEachChannel) {
    EXPECT_EQ(PackColor(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(PackColor(0x1FF, 0x102, -253), 0x0302FFu);
}

TEST(Colors, Rgb565ExpandsWithZeroLowBits) {
    EXPECT_EQ(Rgb565ToColor(0xF800), 0x0000F8u);
    EXPECT_EQ(Rgb565ToColor(0x001F), 0xF80000u);
    EXPECT_EQ(Rgb565ToColor(0x07E0), 0x00FC00u);
    EXPECT_EQ(Rgb565ToColor(0xFFFF), 0xF8FCF8u);
    EXPECT_EQ(ColorToRgb565(0xF8FCF8), 0xFFFF);
}

TEST(Colors, EveryRgb565ValueRoundTrips) {
    for (std::uint32_t v = 0; v <= 0xFFFF; ++v) {
        ASSERT_EQ(ColorToRgb565(Rgb565ToColor(static_cast<std::uint16_t>(v))), v);
    }
}

TEST(Colors, ToRgb565DropsLowBitsAndTopByte) {
    EXPECT_EQ(ColorToRgb565(0xFF070307), 0);
    EXPECT_EQ(ColorToRgb565(PackColor(0xFF, 0, 0)), 0xF800);
    EXPECT_EQ(ColorToRgb565(PackColor(0, 0xFF, 0)), 0x07E0);
    EXPECT_EQ(ColorToRgb565(PackColor(0, 0, 0xFF)), 0x001F);
}

}  // namespace
}  // namespace vesk

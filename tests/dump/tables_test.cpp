// The lookups that decode a dump: [FIX]/[FIX1] for addresses, [KOD], [GROUP] and [EXT].
#include <gtest/gtest.h>

#include "config/settings.h"
#include "dump/dump_fixture.h"
#include "dump/list_address.h"
#include "dump/name_decoding.h"

namespace vesk {
namespace {

using Map = std::map<std::string, std::string>;

TEST(ListAddressToBlock, EveryPlaceWithTheDefaultPair) {
    const AddressTables tables(Map{}, Map{});
    const char* const expected[] = {"02114", "06210", "10306", "14402", "18498", "22594", "26690", "30786",
                                    "34882", "38978", "43074", "47170", "51266", "55362", "59458"};
    for (int k = 0; k < 15; ++k) {
        EXPECT_EQ(ListAddressToBlock(test::PlaceAddress(k), tables), expected[k]) << k;
        EXPECT_EQ(test::BlockAt(0, k), std::stoll(expected[k])) << "fixture and reader disagree at " << k;
    }
}

TEST(ListAddressToBlock, AddressesThatNameNoBlock) {
    const AddressTables tables(Map{}, Map{});
    // C207 would be place 15; 4208 has digit 8; 5200 has X = 5; 42E0 needs 2E=2E.
    for (const char* address : {"C207", "4208", "5200", "42E0", "", "4", "420", "42000", "|E0", "4200 ", "c200"}) {
        EXPECT_EQ(ListAddressToBlock(address, tables), "00000") << '"' << address << '"';
    }
}

TEST(ListAddressToBlock, FixTeachesAMiddlePair) {
    const AddressTables tables(Map{{"2E", "2E"}}, Map{});
    EXPECT_EQ(ListAddressToBlock("42E0", tables), "02114");
    EXPECT_EQ(ListAddressToBlock("C2E1", tables), "14402");
    EXPECT_EQ(ListAddressToBlock("42E7", tables), "59458");
    EXPECT_EQ(ListAddressToBlock("4200", tables), "02114");  // 20 has no line: still the default
}

TEST(ListAddressToBlock, TheValueUnderTheAddresssOwnPairMustMatch) {
    // 20=2E: "4200" looks up 20, gets 2E, and 4200 is not 4+2E+0; "42E0" looks up 2E (no line, so 20).
    const AddressTables tables(Map{{"20", "2E"}}, Map{});
    EXPECT_EQ(ListAddressToBlock("4200", tables), "00000");
    EXPECT_EQ(ListAddressToBlock("42E0", tables), "00000");
    // A pair may be mapped to a value of another length; the address must then have that shape.
    const AddressTables longer(Map{{"AB", "ABC"}}, Map{});
    EXPECT_EQ(ListAddressToBlock("CABC3", longer), "30786");
    EXPECT_EQ(ListAddressToBlock("CAB3", longer), "00000");
}

TEST(IsFixedListAddress, Fix1AndTheErasedValue) {
    const AddressTables empty(Map{}, Map{});
    EXPECT_FALSE(IsFixedListAddress("FFFF", empty));
    EXPECT_TRUE(IsFixedListAddress("4200", empty));
    EXPECT_TRUE(IsFixedListAddress("0000", empty));

    const AddressTables listed(Map{}, Map{{"4200", "4200"}, {"FFFF", "0000"}, {"C200", "C201"}});
    EXPECT_FALSE(IsFixedListAddress("4200", listed));
    EXPECT_TRUE(IsFixedListAddress("FFFF", listed));  // FFFF=0000 lets the erased value through
    EXPECT_TRUE(IsFixedListAddress("C200", listed));  // only XNNA=XNNA rules a value out
}

TEST(AddressTables, ReadFromTheSettingsFileWithoutRegardToKeyCase) {
    test::TempFolder temp;
    temp.Write("vesk.ini", "[fix]\n2e=2E\n2E=20\n[FIX1]\nc2e1=C2E1\n");
    const AddressTables tables{Settings(ProgramFolder(temp.Path()))};
    EXPECT_EQ(ListAddressToBlock("42E0", tables), "02114");  // the first key of a name wins
    EXPECT_FALSE(IsFixedListAddress("C2E1", tables));
    EXPECT_TRUE(IsFixedListAddress("42E0", tables));
}

TEST(NameDecoder, KodValuesQuestionMarksAndOwnCharacters) {
    const NameDecoder kod(Map{{"00", "?"}, {"80", "Ж"}, {"|", "I"}, {"41", ""}, {"C0", "ab"}});
    EXPECT_EQ(kod.ByteText(0x00), "");
    EXPECT_EQ(kod.ByteText(0x3F), "");        // a '?' byte without a line vanishes as well
    EXPECT_EQ(kod.ByteText(0x80), "Ж");
    EXPECT_EQ(kod.ByteText(0x7C), "I");       // 0x7C is looked up under "|"
    EXPECT_EQ(kod.ByteText(0x41), "A");       // an empty value gives the byte itself
    EXPECT_EQ(kod.ByteText(0xC1), "Б");       // Windows-1251, as UTF-8
    EXPECT_EQ(kod.ByteText(0xB8), "ё");
    EXPECT_EQ(kod.Decode(test::HexBytes("00C0428000")), "abBЖ");
    EXPECT_EQ(kod.Decode(test::HexBytes("0000003F")), "");
}

TEST(NameDecoder, KodAndLowerCaseKodAreOneSection) {
    test::TempFolder temp;
    temp.Write("vesk.ini", "[kod]\nc0=Z\n00=?\n");
    const NameDecoder kod{Settings(ProgramFolder(temp.Path()))};
    EXPECT_EQ(kod.Decode(test::HexBytes("C000C1")), "ZБ");
}

TEST(GroupNames, LookupAndMissingCodes) {
    const GroupNames groups(Map{{"01", "Звуки"}, {"|", "Java"}});
    EXPECT_EQ(groups.Name(0x01), "Звуки");
    EXPECT_EQ(groups.Name(0x7C), "Java");
    EXPECT_EQ(groups.Name(0x02), "");
}

TEST(Extensions, SixDigitKeysWithTheBarRule) {
    const Extensions ext(Map{{"|0102", ".pic"}, {"FFD8FF", ".jpg"}, {"000000", ""}});
    const std::uint8_t bar[] = {0x7C, 0x01, 0x02};
    const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF};
    const std::uint8_t zero[] = {0, 0, 0};
    const std::uint8_t other[] = {1, 2, 3};
    EXPECT_EQ(ext.Of(bar), ".pic");
    EXPECT_EQ(ext.Of(jpeg), ".jpg");
    EXPECT_EQ(ext.Of(zero), "");  // a line with an empty value is an empty extension
    EXPECT_EQ(ext.Of(other), ".bin");
}

}  // namespace
}  // namespace vesk

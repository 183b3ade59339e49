// Hand-edited settings files: a megabyte of them, binary bytes in them, a value of 3000
// characters, and files of no byte or one byte. The tables still read as the rules say.
#include <random>
#include <string>

#include "assembly/commands.h"
#include "badinput/bad_input.h"
#include "config/ini_file.h"
#include "config/settings.h"
#include "sample_dump/sample_dump.h"
#include "support/error_text.h"

namespace vesk::test {
namespace {

class BadSettingsTest : public BadInputTest {
protected:
    // Opens, lists and unpacks the sample dump; the names, sizes and unpacked files.
    std::string Road() {
        EXPECT_EQ(Open(), "");
        EXPECT_EQ(Read(), "");
        EXPECT_EQ(Unpack(), "");
        std::string result = form_.ListAddressEdit + " " + host_.status[2] + "\n";
        for (int r = 1; r <= 3; ++r) result += form_.FileGrid.Cell(kFileNameCol, r) + " " + form_.FileGrid.Cell(kFileSizeCol, r) + "\n";
        for (const auto& [name, bytes] : Unpacked()) result += name + " " + std::to_string(bytes.size()) + "\n";
        return result;
    }
};

TEST_F(BadSettingsTest, AMegabyteOfLinesBeforeTheTablesReadsLikeTheTablesAlone) {
    const std::string expected = Road();
    std::string big = "[Filler]\n";
    for (int n = 0; big.size() < 1024 * 1024; ++n) big += "key" + std::to_string(n) + "=" + std::string(60, 'v') + "\n";
    WriteSettings(big + settings_);
    form_.FileGrid = TextGrid(6, 101);
    EXPECT_EQ(Road(), expected);
}

TEST_F(BadSettingsTest, BinaryBytesBeforeTheTablesLeaveTheTablesReadable) {
    const std::string expected = Road();
    std::mt19937 random(20);
    std::string junk;
    for (int n = 0; n < 64 * 1024; ++n) {
        // No "[" after a line break, so that the junk cannot open a section of its own name.
        char c = static_cast<char>(random() & 0xFF);
        if (c == '[' && (junk.empty() || junk.back() == '\n')) c = ' ';
        junk += c;
    }
    WriteSettings(junk + "\n" + settings_);
    form_.FileGrid = TextGrid(6, 101);
    // The file is no longer UTF-8, so it reads as Windows-1251: the group names change their
    // look, but names, sizes and extensions are ASCII and stay as they were.
    EXPECT_EQ(Road(), expected);
    EXPECT_EQ(Settings(folder_).Ext("4D5468"), ".mid");
}

TEST_F(BadSettingsTest, AValueOf3000CharactersIsCutTo2047) {
    // A header of 3000 hex digits is read as 2047 of them, an odd count that is no bytes:
    // formatting refuses and the build file stays as it was.
    WriteSettings("[HEX]\n01=" + std::string(3000, 'A') + "\n");
    MakeBlankDump(form_, host_, folder_);
    const Snapshot before = Take(temp_.Path());
    const std::string refusal = ErrorOf([&] { FormatDump(form_, host_, folder_); });
    EXPECT_NE(refusal.find("«" + std::string(2047, 'A') + "»"), std::string::npos);
    EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());

    // Characters, not bytes: 3000 Cyrillic letters for the name byte "H" are cut to 2047.
    std::string letters;
    for (int n = 0; n < 3000; ++n) letters += "ж";
    std::string settings = settings_;
    settings.insert(settings.find("[KOD]\n") + 6, "48=" + letters + "\n");
    WriteSettings(settings);
    EXPECT_EQ(IniFile(temp_.File("vesk.ini")).ReadString("KOD", "48", "").size(), 2 * 2047u);
    form_.ListAddressEdit = sample::kCurrentList;
    EXPECT_EQ(Read(), "");
    std::string hello;
    for (int n = 0; n < 2047; ++n) hello += "ж";
    EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, 1), hello + "ELLO");
    // Such a name is longer than a file name may be: the unpacker fails on it with the
    // runtime's error, and writes nothing outside the unpack folder.
    const Snapshot beforeUnpack = Take(temp_.Path());
    EXPECT_EQ(Unpack(), "I/O error 206");  // the name is too long
    for (const std::string& path : Changed(beforeUnpack, Take(temp_.Path()))) EXPECT_TRUE(path.starts_with("files/")) << path;
}

TEST_F(BadSettingsTest, EmptyAndOneByteSettingsGiveTheDefaults) {
    for (const std::string text : {"", "\xFF"}) {
        SCOPED_TRACE("settings of " + std::to_string(text.size()) + " bytes");
        WriteSettings(text);
        host_ = RecordingHost();
        // [FIX] defaults to "20", which maps both sample lists.
        EXPECT_EQ(Open(), "");
        EXPECT_EQ(host_.status[1], "Кол-во списков в памяти : 2");
        // Without [KOD] every name byte shows as itself, the zero padding too: every record
        // has a name, so all 100 count.
        EXPECT_EQ(Read(), "");
        EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, 1), "HELLO" + std::string(6, '\0'));
        EXPECT_EQ(host_.status[2], "Всего файлов : 100");

        const Settings settings(folder_);
        EXPECT_EQ(settings.WindowX(), 100);
        EXPECT_EQ(settings.Ext("4D5468"), ".bin");
        EXPECT_EQ(FirmwareNames(settings), std::vector<std::string>{""});
    }
}

}  // namespace
}  // namespace vesk::test

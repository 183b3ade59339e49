// "Пустой "FF" файл" and "Форматировать".
#include <filesystem>

#include "assembly/build_fixture.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "support/error_text.h"

namespace vesk::test {
namespace {

using BlankDumpTest = BuildTest;

TEST_F(BlankDumpTest, WritesFortyEightErasedSectorsIntoBins) {
    MakeBlankDump(form_, host_, folder_);
    EXPECT_EQ(BuildPath(), temp_.File("bins/data.bin"));
    EXPECT_TRUE(SameBytes(Bytes(kDump, 0xFF), BuildBytes()));
    EXPECT_EQ(host_.progressMax, 48);
    ASSERT_EQ(host_.progressHistory.size(), 48u);
    for (int k = 0; k < 48; ++k) EXPECT_EQ(host_.progressHistory[k], k + 1);
    EXPECT_EQ(form_.SaveDialogPath, BuildPath());
}

TEST_F(BlankDumpTest, EmptiesALargerFileAndUsesTheNameAsTyped) {
    form_.BuildNameEdit = "sub/new dump";  // no extension added, a folder part is taken inside bins
    temp_.MakeDir("bins/sub");
    temp_.Write("bins/sub/new dump", Bytes(4 << 20, 0x12));
    MakeBlankDump(form_, host_, folder_);
    EXPECT_TRUE(SameBytes(Bytes(kDump, 0xFF), ReadBytes(temp_.File("bins/sub/new dump"))));
}

TEST_F(BlankDumpTest, NeverCreatesTheBinsFolder) {
    std::filesystem::remove_all(temp_.File("bins"));
    try {
        MakeBlankDump(form_, host_, folder_);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_FALSE(std::filesystem::exists(temp_.File("bins")));
    EXPECT_EQ(form_.SaveDialogPath, "");
}

using FormatDumpTest = BuildTest;

TEST_F(FormatDumpTest, ChangesOnlyTheHeaderBytesOfEverySector) {
    WriteSettings("[HEX]\n01=0102030405\n");
    MakeBlankDump(form_, host_, folder_);
    host_.progressHistory.clear();
    FormatDump(form_, host_, folder_);
    Image expected;
    for (int s = 0; s < 48; ++s) expected.Put(s * kSector, {1, 2, 3, 4, 5});
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
    EXPECT_EQ(host_.progressMax, 48);
    EXPECT_EQ(host_.progressHistory.size(), 48u);
    EXPECT_EQ(host_.progress, 48);
    EXPECT_EQ(form_.SaveDialogPath, BuildPath());

    // Formatting again gives the same file.
    FormatDump(form_, host_, folder_);
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
}

TEST_F(FormatDumpTest, KeepsEverythingElseOfAShortFile) {
    // No size check: the file grows to hold the last header, the gaps read as zero.
    temp_.Write("bins/data.bin", Bytes{9, 9, 9, 9});
    FormatDump(form_, host_, folder_);
    Image expected(47 * kSector + 2, 0x00);
    for (int s = 0; s < 48; ++s) expected.Put(s * kSector, {0xF0, 0xF1});
    expected.Put(2, {9, 9});
    EXPECT_TRUE(SameBytes(expected.bytes, BuildBytes()));
}

TEST_F(FormatDumpTest, NeverCreatesTheFile) {
    try {
        FormatDump(form_, host_, folder_);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_FALSE(std::filesystem::exists(BuildPath()));
}


TEST_F(FormatDumpTest, RefusesAHeaderThatIsNoWholeBytesAndWritesNothing) {
    for (const char* header : {"", "F0F", "F0G1", "xx"}) {
        SCOPED_TRACE(header);
        WriteSettings(std::string("[HEX]\n01=") + header + "\n");
        MakeBlankDump(form_, host_, folder_);
        form_.SaveDialogPath.clear();
        host_.progressHistory.clear();
        const std::string refusal = ErrorOf([&] { FormatDump(form_, host_, folder_); });
        EXPECT_NE(refusal.find("[HEX] «01»"), std::string::npos) << refusal;
        EXPECT_TRUE(SameBytes(Bytes(kDump, 0xFF), BuildBytes()));
        EXPECT_TRUE(host_.progressHistory.empty());
        EXPECT_EQ(form_.SaveDialogPath, "");
    }
}

}  // namespace
}  // namespace vesk::test

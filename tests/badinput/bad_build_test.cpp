// Building from odd material: source files of no byte and of one byte, a build file of no
// byte, profiles whose every key is "0xFFFFFFFF", "-1" or written without "0x", and a [HEX]
// value of 3000 digits. A refused build leaves the build file exactly as it was.
#include <filesystem>
#include <string>

#include "assembly/commands.h"
#include "badinput/bad_input.h"
#include "dump/commands.h"

namespace vesk::test {
namespace {

const std::string kBeyond = "Read beyond end of file";

// Settings and a profile that the assembler and the readers share, so a build reads back.
std::string BuildSettings(const std::string& extra = "") {
    std::string text = "[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n[FAT]\nAddrIs=address\n"
                       "[FIX]\n2E=2E\n[KOD]\n00=?\n[Address]\n";
    for (int k = 0; k < 15; ++k) text += std::to_string(2114 + 4096 * k) + "=" + (k % 2 ? "C20" : "420") + std::to_string(k / 2) + "\n";
    return text + extra;
}

const std::string kProfile =
    "[Offsets]\nList=0x00000002\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000B\nFileNum=0x0000000E\n"
    "group=0x0000000F\naddress=0x00000010\nNameSize=0x00000012\n"
    "[FAT]\nFAT=0x0000050C\nSIZE=0x00000331\nAddrIs=address\ntodata=0x00000002\ndata=0x00000FFA\n";

class BadBuildTest : public BadInputTest {
protected:
    BadBuildTest() {
        WriteSettings(BuildSettings());
        WriteProfile(kProfile);
        build_ = temp_.Path() + "bins/" + form_.BuildNameEdit;
    }

    void Formatted() {
        MakeBlankDump(form_, host_, folder_);
        FormatDump(form_, host_, folder_);
    }
    // The files into system/ and [Files], then "Системные" pressed.
    void AddSystem(const std::vector<std::pair<std::string, Bytes>>& files) {
        std::string keys = "[Files]\n";
        for (std::size_t n = 0; n < files.size(); ++n) {
            temp_.Write("system/" + files[n].first, files[n].second);
            keys += std::to_string(n + 1) + "=system\\" + files[n].first + "\n";
        }
        WriteSettings(BuildSettings() + keys);
        AddSystemFiles(form_, host_, folder_);
    }
    std::string Assemble() { return ErrorOf([this] { AssembleDump(form_, host_, folder_); }); }

    std::string build_;
};

TEST_F(BadBuildTest, AddingAFileShorterThanItsSignatureFillsTheWholeRow) {
    for (const Bytes& content : {Bytes{}, Bytes{0x42}}) {
        SCOPED_TRACE(std::to_string(content.size()) + " bytes");
        form_.BuildGrid = TextGrid(7, 101);
        host_.selectedFile = temp_.Write("files/short.bin", content);
        EXPECT_EQ(ErrorOf([this] { AddSelectedFile(form_, host_, folder_); }), "");
        EXPECT_EQ(form_.BuildGrid.Cell(kBuildPathCol, 1), host_.selectedFile);
        EXPECT_EQ(form_.BuildGrid.Cell(kBuildSizeCol, 1), std::to_string(content.size()));
        EXPECT_EQ(form_.BuildGrid.Cell(kBuildGroupCol, 1), "01");  // no [GROUP1] line for its name
        EXPECT_EQ(form_.BuildGrid.Cell(kBuildNumberCol, 1), "1");
    }
}

TEST_F(BadBuildTest, EmptyAndOneByteSourcesBuildAndReadBackAsThemselves) {
    Formatted();
    AddSystem({{"empty.dat", {}}, {"one.dat", {0x7C}}});
    ASSERT_EQ(Assemble(), "");

    form_.OpenDumpPath = build_;
    EXPECT_EQ(Open(), "");
    EXPECT_EQ(form_.ListAddressEdit, "0x00000842");
    EXPECT_EQ(Read(), "");
    EXPECT_EQ(host_.status[2], "Всего файлов : 2");
    EXPECT_EQ(Unpack(), "");
    EXPECT_TRUE(UnpackedAre((std::map<std::string, Bytes>{{"empty.dat.bin", {}}, {"one.dat.bin", {0x7C}}})));
}

TEST_F(BadBuildTest, AnEmptyBuildFileGrowsToTheEndOfTheBuild) {
    temp_.Write("bins/" + form_.BuildNameEdit, "");
    AddSystem({{"a.dat", Bytes(5000, 0x33)}});
    ASSERT_EQ(Assemble(), "");
    // Past the old end, unwritten bytes read as the zeros that a write past the end leaves.
    const Bytes built = ReadBytes(build_);
    ASSERT_GT(built.size(), 0x842u + 4096);
    EXPECT_EQ(built[2], 0x42);
    EXPECT_EQ(built[3], 0xE0);
    EXPECT_EQ(built[0x842 + 4092], 0x00);  // the list block's last bytes are not written
    form_.OpenDumpPath = build_;
    form_.ListAddressEdit = "0x00000842";
    EXPECT_EQ(Read(), "");
    EXPECT_EQ(form_.FileGrid.Cell(kFileNameCol, 1), "a.dat");
    EXPECT_EQ(form_.FileGrid.Cell(kFileSizeCol, 1), "5000");
}

class BadBuildProfileTest : public BadBuildTest {
protected:
    std::string EveryKey(const std::string& value) const {
        std::string text = "[Offsets]\n";
        for (const char* key : {"List", "ToName", "Name", "Size", "NameSize", "FileNum", "group", "address"}) text += std::string(key) + "=" + value + "\n";
        text += "[FAT]\n";
        for (const char* key : {"FAT", "SIZE", "AddrIs", "todata", "data"}) text += std::string(key) + "=" + value + "\n";
        return text;
    }
    // Builds with the profile text; the refusal it ended with. The build file is compared.
    std::string Refused(const std::string& profile) {
        WriteProfile(profile);
        host_ = RecordingHost();
        const Snapshot before = Take(temp_.Path());
        const std::string refusal = Assemble();
        EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());
        return refusal;
    }
};

TEST_F(BadBuildProfileTest, AllOnesAndMinusOneAreRefusedAndLeaveTheFileAlone) {
    Formatted();
    AddSystem({{"a.dat", Bytes(100, 0x11)}});
    for (const std::string value : {"0xFFFFFFFF", "-1"}) {
        SCOPED_TRACE(value);
        const std::string refusal = Refused(EveryKey(value));
        EXPECT_EQ(refusal.rfind("Сборка отменена, файл сборки не изменён.", 0), 0u) << refusal;
        EXPECT_NE(refusal.find("[Offsets] List"), std::string::npos) << refusal;
    }
    // "-1" has no "0x": each value complained before the refusal.
    ASSERT_FALSE(host_.messages.empty());
    for (const std::string& message : host_.messages) EXPECT_EQ(message, BadAddress("-1"));
}

TEST_F(BadBuildProfileTest, ValuesWithoutThePrefixComplainAndBuildTheSameBytes) {
    Formatted();
    AddSystem({{"a.dat", Bytes(9000, 0x11)}});
    const Bytes formatted = ReadBytes(build_);
    ASSERT_EQ(Assemble(), "");
    const Bytes expected = ReadBytes(build_);

    temp_.Write("bins/" + form_.BuildNameEdit, formatted);
    std::string profile = kProfile;
    for (std::size_t at = profile.find("0x"); at != std::string::npos; at = profile.find("0x", at)) profile.replace(at, 2, "00");
    WriteProfile(profile);
    host_ = RecordingHost();
    ASSERT_EQ(Assemble(), "");
    EXPECT_EQ(ReadBytes(build_), expected);
    EXPECT_NE(std::find(host_.messages.begin(), host_.messages.end(), BadAddress("000000050C")), host_.messages.end());
}

TEST_F(BadBuildProfileTest, AHexValueOf3000DigitsIsCutToAnOddCountAndRefused) {
    Formatted();
    AddSystem({{"a.dat", Bytes(100, 0x11)}});
    std::string settings = BuildSettings();
    settings.replace(settings.find("21=A1A2"), 7, "21=" + std::string(3000, 'B'));
    WriteSettings(settings);
    const std::string cut = Refused(kProfile);
    // "21" + "22" + "23" joined: 2047 + 2 + 4 digits, an odd count.
    EXPECT_NE(cut.find("«" + std::string(2047, 'B') + "B1C1C2»"), std::string::npos) << cut.substr(0, 200);
}

}  // namespace
}  // namespace vesk::test

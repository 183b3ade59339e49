#include "config/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/error.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ReadText;
using test::TempFolder;

TEST(ProgramFolder, PathsEndWithASeparator) {
    const ProgramFolder a("/opt/vesk");
    const ProgramFolder b("/opt/vesk/");
    EXPECT_EQ(a.Path(), "/opt/vesk/");
    EXPECT_EQ(b.Path(), "/opt/vesk/");
    EXPECT_EQ(a.SettingsFile(), "/opt/vesk/vesk.ini");
    EXPECT_EQ(a.ProfileFile("C100 XEEF3"), "/opt/vesk/C100 XEEF3.ini");
    EXPECT_EQ(a.Bins(), "/opt/vesk/bins/");
    EXPECT_EQ(a.Files(), "/opt/vesk/files/");
    EXPECT_EQ(a.System(), "/opt/vesk/system/");
}

TEST(ProgramFolder, RunningProgramIsFoundInItsFolder) {
    const ProgramFolder folder = ProgramFolder::OfRunningProgram();
    ASSERT_EQ(folder.Path().back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder.Path() + "config_tests")) << folder.Path();
}

// --- Typed access --------------------------------------------------------------------------

TEST(Settings, DefaultsWithoutAFile) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    const Settings s(folder);
    EXPECT_EQ(s.WindowX(), 100);
    EXPECT_EQ(s.WindowY(), 100);
    EXPECT_EQ(s.UnpackFolder(), "");
    EXPECT_EQ(s.Fix("E0"), "20");
    EXPECT_EQ(s.Fix1("4200"), "FFFF");
    EXPECT_EQ(s.Kod("E0"), "");
    EXPECT_EQ(s.Group("01"), "");
    EXPECT_EQ(s.Ext("FFD8FF"), ".bin");
    EXPECT_EQ(s.Group1("FFD8FF"), "01");
    EXPECT_EQ(s.SystemFile(1), "");
    EXPECT_EQ(s.Hex("01"), "");
    EXPECT_EQ(s.FatOwnerTags(), OwnerTags::Address);
    EXPECT_EQ(s.Address("2114", "42E0"), "42E0");
    EXPECT_FALSE(std::filesystem::exists(folder.SettingsFile()));  // reading creates nothing
}

TEST(Settings, ReadsEveryTable) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    dir.Write("vesk.ini",
              "[Temp]\nX=0x64\nY=abc\nFiles=/u/\n"
              "[FIX]\nE2=E2\n[FIX1]\n4A2C=4A2C\n"
              "[kod]\nE0=а\n7C=|\n"
              "[GROUP]\n01=Картинки\n[EXT]\nFFD8FF=.jpg\n[GROUP1]\n424D36=02\n"
              "[Files]\n1=system/a.bin\n3=system/c.bin\n"
              "[HEX]\n01=FFFF0000\n[FAT]\nAddrIs=name\n[Address]\n2114=4200\n");
    const Settings s(folder);
    EXPECT_EQ(s.WindowX(), 100);
    EXPECT_EQ(s.WindowY(), 100);
    EXPECT_EQ(s.UnpackFolder(), "/u/");
    EXPECT_EQ(s.Fix("e2"), "E2");
    EXPECT_EQ(s.Fix1("4A2C"), "4A2C");
    EXPECT_EQ(s.Kod("E0"), "а");  // [KOD] and [kod] are one section
    EXPECT_EQ(s.Kod("7C"), "|");
    EXPECT_EQ(s.Group("01"), "Картинки");
    EXPECT_EQ(s.Ext("FFD8FF"), ".jpg");
    EXPECT_EQ(s.Group1("424D36"), "02");
    EXPECT_EQ(s.SystemFile(1), "system/a.bin");
    EXPECT_EQ(s.SystemFile(2), "");
    EXPECT_EQ(s.Hex("01"), "FFFF0000");
    EXPECT_EQ(s.FatOwnerTags(), OwnerTags::Name);
    EXPECT_EQ(s.Address("2114", "42E0"), "4200");
    EXPECT_EQ(s.Address("6210", "42E0"), "42E0");
}

// [FAT] AddrIs is a word matched exactly: any other spelling builds no blocks and reads no owners.
TEST(Settings, OwnerTagWordsMatchExactly) {
    EXPECT_EQ(ParseOwnerTags("address"), OwnerTags::Address);
    EXPECT_EQ(ParseOwnerTags("name"), OwnerTags::Name);
    for (const char* other : {"Name", "ADDRESS", "names", "", "adress"}) EXPECT_EQ(ParseOwnerTags(other), OwnerTags::None) << other;
}

TEST(Settings, TableUpperCasesKeysAndKeepsTheFirst) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    dir.Write("vesk.ini", "[KOD]\ne0=first\nE0=second\nc1=б\n");
    const auto table = Settings(folder).Table("kod");
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at("E0"), "first");
    EXPECT_EQ(table.at("C1"), "б");
}

TEST(Settings, WindowPositionRoundTrips) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    {
        Settings s(folder);
        s.WriteWindowPosition(300, 200);
    }
    EXPECT_EQ(Settings(folder).WindowX(), 300);
    EXPECT_EQ(Settings(folder).WindowY(), 200);
    Settings(folder).WriteWindowPosition(-5000, 7);
    EXPECT_EQ(Settings(folder).WindowX(), -5000);
}

// --- Start-up reads ------------------------------------------------------------------------

TEST(UnpackFolderWithDefault, MissingFileGetsTheDefaultWritten) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    Settings s(folder);
    EXPECT_EQ(UnpackFolderWithDefault(s, folder), folder.Files());
    EXPECT_EQ(ReadText(folder.SettingsFile()), "[Temp]\nFiles=" + folder.Files() + "\n");
    // Closing adds the position beside it.
    s.WriteWindowPosition(100, 100);
    EXPECT_EQ(ReadText(folder.SettingsFile()), "[Temp]\nFiles=" + folder.Files() + "\nX=100\nY=100\n");
}

TEST(UnpackFolderWithDefault, EmptyValueIsReplacedAndPresentOneKept) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    dir.Write("vesk.ini", "[Temp]\nX=1\nFiles=\nY=2\n");
    Settings s(folder);
    EXPECT_EQ(UnpackFolderWithDefault(s, folder), folder.Files());
    EXPECT_EQ(ReadText(folder.SettingsFile()), "[Temp]\nX=1\nFiles=" + folder.Files() + "\nY=2\n");

    dir.Write("vesk.ini", "[Temp]\nFiles=/no/such/folder/\n");
    Settings kept(folder);
    EXPECT_EQ(UnpackFolderWithDefault(kept, folder), "/no/such/folder/");
    EXPECT_EQ(ReadText(folder.SettingsFile()), "[Temp]\nFiles=/no/such/folder/\n");
}

TEST(UnpackFolderWithDefault, ReadOnlySettingsRefuseTheDefault) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    const std::string path = dir.Write("vesk.ini", "[Temp]\nFiles=\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    Settings s(folder);
    try {
        UnpackFolderWithDefault(s, folder);
        ADD_FAILURE() << "write accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + folder.SettingsFile());
    }
    EXPECT_EQ(ReadText(path), "[Temp]\nFiles=\n");
}

std::vector<std::string> NamesFrom(const std::string& ini) {
    TempFolder dir;
    const ProgramFolder folder(dir.Path());
    dir.Write("vesk.ini", ini);
    return FirmwareNames(Settings(folder));
}

TEST(FirmwareNames, StopsAtTheFirstGap) {
    EXPECT_EQ(NamesFrom("[Firmwares]\n1=a\n2=b\n4=d\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(NamesFrom("[Firmwares]\n1=a\n2=\n3=c\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(NamesFrom("[Firmwares]\n1=only\n"), (std::vector<std::string>{"only"}));
}

TEST(FirmwareNames, KeyOneIsAlwaysOffered) {
    EXPECT_EQ(NamesFrom(""), (std::vector<std::string>{""}));
    EXPECT_EQ(NamesFrom("[Firmwares]\n2=b\n3=c\n"), (std::vector<std::string>{"", "b", "c"}));
}

TEST(FirmwareNames, AtMostOneHundred) {
    std::string ini = "[Firmwares]\n";
    for (int n = 1; n <= 120; ++n) ini += std::to_string(n) + "=fw" + std::to_string(n) + "\n";
    const auto names = NamesFrom(ini);
    ASSERT_EQ(names.size(), 100u);
    EXPECT_EQ(names.front(), "fw1");
    EXPECT_EQ(names.back(), "fw100");
}

}  // namespace
}  // namespace vesk

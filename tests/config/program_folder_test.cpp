// Where the program works: its own folder, or for a system installation (a Debian package in
// /usr) a folder of the user's own, made from the shipped one without ever losing an edit.
#include "config/program_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>

#include "support/error_text.h"
#include "support/faults.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

// Every file under a folder, by its relative path, with its content.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[entry.path().lexically_relative(folder).string()] = ReadText(entry.path());
    }
    return files;
}

TEST(ProgramFolder, ASystemInstallationIsKnownByItsSharedFolder) {
    test::TempFolder root;
    root.MakeDir("usr/bin");
    EXPECT_EQ(ShippedFolderBeside(root.File("usr/bin")), "");  // nothing shipped beside it
    root.Write("usr/share/vesk/C100.ini", "");
    EXPECT_EQ(ShippedFolderBeside(root.File("usr/bin")), "");  // a shared folder without settings
    root.Write("usr/share/vesk/vesk.ini", "");
    EXPECT_EQ(ShippedFolderBeside(root.File("usr/bin")), root.File("usr/share/vesk/"));
    EXPECT_EQ(ShippedFolderBeside(root.File("usr/bin/")), root.File("usr/share/vesk/"));
    // A folder with settings of its own is a program folder (app/, an unpacked tar.gz), whatever
    // lies beside it.
    root.Write("usr/bin/vesk.ini", "");
    EXPECT_EQ(ShippedFolderBeside(root.File("usr/bin")), "");
}

TEST(ProgramFolder, TheUsersFolderFollowsTheXdgDataHome) {
    EXPECT_EQ(UserProgramFolder("/data/u", "/home/u"), "/data/u/vesk/");
    EXPECT_EQ(UserProgramFolder("/data/u/", "/home/u"), "/data/u/vesk/");
    EXPECT_EQ(UserProgramFolder(nullptr, "/home/u"), "/home/u/.local/share/vesk/");
    EXPECT_EQ(UserProgramFolder(nullptr, "/home/u//"), "/home/u/.local/share/vesk/");
    EXPECT_EQ(UserProgramFolder(nullptr, "/"), "/.local/share/vesk/");
    // Unset, empty or relative: the XDG default, ~/.local/share.
    EXPECT_EQ(UserProgramFolder("", "/home/u"), "/home/u/.local/share/vesk/");
    EXPECT_EQ(UserProgramFolder("data", "/home/u"), "/home/u/.local/share/vesk/");
    EXPECT_TRUE(UserProgramFolder(nullptr, nullptr).ends_with("/.local/share/vesk/"));  // the password database's home
}

class SeedTest : public ::testing::Test {
protected:
    SeedTest() {
        shipped_ = temp_.MakeDir("usr/share/vesk");
        user_ = temp_.File("home/.local/share/vesk/");
        for (const auto& [name, content] : std::map<std::string, std::string>{
                 {"vesk.ini", "[Firmwares]\n1=C100\n"}, {"C100.ini", "[Offsets]\nList=0x10\n"},
                 {"system/1.bin", "one"}, {"system/sub/2.bin", "two"}, {"samples/Фон.c10", "c10"},
                 {"bins/sample.bin", std::string(5000, 'S')}}) {
            temp_.Write("usr/share/vesk/" + name, content);
        }
    }
    test::TempFolder temp_;
    std::string shipped_, user_;
};

TEST_F(SeedTest, TheFirstStartCopiesTheShippedFolderAndLaterOnesOnlyWhatIsMissing) {
    SeedUserFolder(shipped_, user_);
    EXPECT_EQ(Tree(user_), Tree(shipped_));
    EXPECT_TRUE(fs::is_directory(user_ + "files"));
    EXPECT_TRUE(fs::is_directory(user_ + "bins"));

    // The user edits the settings and a profile, removes files; an upgrade ships a new profile.
    temp_.Write("home/.local/share/vesk/vesk.ini", "[Firmwares]\n1=Mine\n");
    temp_.Write("home/.local/share/vesk/C100.ini", "edited");
    for (const char* gone : {"system/1.bin", "samples/Фон.c10", "bins/sample.bin"}) fs::remove(user_ + gone);
    fs::remove(user_ + "files");
    temp_.Write("usr/share/vesk/C200.ini", "new");
    temp_.Write("usr/share/vesk/vesk.ini", "[Firmwares]\n1=C100\n2=C200\n");
    SeedUserFolder(shipped_, user_);
    EXPECT_EQ(ReadText(user_ + "vesk.ini"), "[Firmwares]\n1=Mine\n");
    EXPECT_EQ(ReadText(user_ + "C100.ini"), "edited");
    EXPECT_EQ(ReadText(user_ + "C200.ini"), "new");
    EXPECT_EQ(ReadText(user_ + "system/1.bin"), "one");
    EXPECT_TRUE(fs::is_directory(user_ + "files"));
    // The samples are the user's to remove: they come back only with the settings.
    EXPECT_FALSE(fs::exists(user_ + "samples/Фон.c10"));
    EXPECT_FALSE(fs::exists(user_ + "bins/sample.bin"));

    fs::remove(user_ + "vesk.ini");
    SeedUserFolder(shipped_, user_);
    EXPECT_EQ(ReadText(user_ + "vesk.ini"), "[Firmwares]\n1=C100\n2=C200\n");
    EXPECT_EQ(ReadText(user_ + "samples/Фон.c10"), "c10");
    EXPECT_EQ(ReadText(user_ + "bins/sample.bin"), std::string(5000, 'S'));
    EXPECT_EQ(ReadText(user_ + "C100.ini"), "edited");
}

TEST_F(SeedTest, AStartCutShortIsCompletedByTheNext) {
    // Every copy is a rename into place; the one of vesk.ini comes last. Fail each in turn.
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE(n);
        fs::remove_all(temp_.File("home"));
        test::FailNth(test::Fault::Rename, n, ENOSPC);
        EXPECT_EQ(test::ErrorOf([&] { SeedUserFolder(shipped_, user_); }), "Disk full");
        test::ResetFaults();
        EXPECT_FALSE(fs::exists(user_ + "vesk.ini"));
        SeedUserFolder(shipped_, user_);
        EXPECT_EQ(Tree(user_), Tree(shipped_));
    }
}

}  // namespace
}  // namespace vesk

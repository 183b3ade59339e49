// The system installation, as the Debian package lays it out under /usr, installed from this
// build tree into a temporary root: the programs find the shipped folder in ../share/vesk and
// work in a program folder of the user's own, made at the first start and never overwritten.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "e2e/installed_folder.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// Every file under a folder, by its relative path, with its content.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::u8path(folder))) {
        if (entry.is_regular_file()) files[entry.path().lexically_relative(folder).string()] = ReadText(entry.path());
    }
    return files;
}

class SystemInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        usr_ = temp_.Path() + "root/usr/";
        const std::string command = std::string("\"") + VESK_CMAKE_COMMAND + "\" --install \"" + VESK_BUILD_DIR +
                                    "\" --component system --prefix \"" + usr_ + "\" >\"" + temp_.Path() +
                                    "install.log\" 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(temp_.Path() + "install.log");
        home_ = temp_.MakeDir("home");
        user_ = home_ + ".local/share/vesk/";
    }

    // Runs a program of the installation as a user with this home (XDG_DATA_HOME unset unless
    // given); its status, standard output in out_.
    int Run(const std::string& program, const std::string& args, const std::string& xdgDataHome = "") {
        const std::string xdg = xdgDataHome.empty() ? "-u XDG_DATA_HOME" : "XDG_DATA_HOME=\"" + xdgDataHome + "\"";
        const std::string command = "env " + xdg + " HOME=\"" + home_ + "\" \"" + usr_ + "bin/" + program + "\" " + args +
                                    " >\"" + temp_.Path() + "out\" 2>\"" + temp_.Path() + "err\"";
        const int status = std::system(command.c_str());
        out_ = ReadText(temp_.Path() + "out");
        err_ = ReadText(temp_.Path() + "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempFolder temp_;
    std::string usr_, home_, user_, out_, err_;
};

// What the seeding keeps of the user's edits is tested in tests/config and on the package itself
// (tests/desktop/package_test.sh); here, that the installed vesk finds its folders.
TEST_F(SystemInstallTest, VeskWorksInTheUsersFolderMadeFromTheSharedOne) {
    const std::string shipped = usr_ + "share/vesk/";
    ASSERT_TRUE(fs::is_regular_file(shipped + "bins/" + samples::kSampleDump));
    // The portable folder's own files stay out of the system installation.
    for (const char* name : {"vesk.ini", "vesk", "add-to-menu", "tools", "translations"}) EXPECT_FALSE(fs::exists(usr_ + name)) << name;

    // --help and --home make nothing in the user's folder (bash completion asks for help at every Tab).
    ASSERT_EQ(Run("vesk", "--help"), 0);
    ASSERT_EQ(Run("vesk", "files --home \"" + shipped + "\" \"" + shipped + "bins/sample.bin\""), 0) << err_;
    EXPECT_FALSE(fs::exists(user_));

    ASSERT_EQ(Run("vesk", "files \"" + user_ + "bins/sample.bin\""), 0) << err_;
    EXPECT_NE(out_.find("Фон"), std::string::npos) << out_;
    EXPECT_EQ(Tree(user_), Tree(shipped));
    EXPECT_TRUE(fs::is_directory(user_ + "files"));

    temp_.Write("blocked", "a file where the folder goes");
    EXPECT_EQ(Run("vesk", "lists x.bin", temp_.Path() + "blocked"), 1);
    const std::string folder = temp_.Path() + "blocked/vesk/";
    EXPECT_EQ(err_, "vesk: " + folder + ": Unable to write to " + folder + "\n");
}

TEST_F(SystemInstallTest, TheWindowWorksInTheUsersFolder) {
    // The window's start writes the unpack folder of its program folder into vesk.ini; it runs
    // until that is there and is then ended.
    const std::string command = "cd \"" + temp_.Path() + "\" && (env -u XDG_DATA_HOME HOME=\"" + home_ +
                                "\" QT_QPA_PLATFORM=offscreen \"" + usr_ + "bin/vesk-manager\" >/dev/null 2>&1 & pid=$!; " +
                                "for i in $(seq 300); do grep -q '^Files=/' \"" + user_ +
                                "vesk.ini\" 2>/dev/null && break; sleep 0.1; done; kill $pid; wait $pid)";
    std::system(command.c_str());
    EXPECT_NE(ReadText(user_ + "vesk.ini").find("Files=" + user_ + "files/"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(user_ + "bins/" + samples::kSampleDump));
}

}  // namespace
}  // namespace vesk::test

// The desktop's part of an installed folder: add-to-menu puts the MIME type, the thumbnailer,
// the completion, the manual page and vesk itself into a user's folders, and the thumbnailer's
// command, run as a file manager runs it, writes thumbnails of the sample pictures.
#include <cstdlib>
#include <filesystem>

#include "e2e/installed_folder.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"
#include "samples/sample_content.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// The value of a key in a desktop-entry style file.
std::string Key(const std::string& path, const std::string& key) {
    const std::string text = ReadText(path);
    const std::string prefix = "\n" + key + "=";
    const std::size_t at = ("\n" + text).find(prefix);
    if (at == std::string::npos) return "<none>";
    const std::size_t start = at + prefix.size() - 1;
    return text.substr(start, text.find('\n', start) - start);
}

// Runs a shell command line; its status.
int Shell(const std::string& line) { return std::system(("/bin/sh -c '" + line + "' >/dev/null 2>&1").c_str()); }

class DesktopTest : public InstalledFolderTest {
protected:
    void SetUp() override {
        InstalledFolderTest::SetUp();
        home_ = temp_.MakeDir("home");
        data_ = home_ + ".local/share/";
        // HOME set, XDG_DATA_HOME and bash-completion's own variable not: the defaults apply.
        ASSERT_EQ(std::system(("env -u XDG_DATA_HOME -u BASH_COMPLETION_USER_DIR HOME=\"" + home_ + "\" \"" + app_ +
                               "add-to-menu\" >\"" + home_ + "add-to-menu.log\" 2>&1")
                                  .c_str()),
                  0)
            << ReadText(home_ + "add-to-menu.log");
    }
    std::string home_, data_;
};

TEST_F(DesktopTest, AddToMenuPutsEverythingWhereTheDesktopLooks) {
    for (const char* file : {"vesk-c10.xml", "vesk-c10.thumbnailer", "vesk.bash-completion", "man/man1/vesk.1"}) {
        EXPECT_TRUE(fs::is_regular_file(app_ + file)) << file;
    }
    // The MIME database was brought up to date with the new type.
    EXPECT_NE(ReadText(data_ + "mime/globs2").find("image/x-vesk-c10:*.c10"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(data_ + "mime/image/x-vesk-c10.xml"));
    // The thumbnailer names this folder's vesk.
    const std::string thumbnailer = data_ + "thumbnailers/vesk-c10.thumbnailer";
    EXPECT_EQ(Key(thumbnailer, "TryExec"), app_ + "vesk");
    EXPECT_EQ(Key(thumbnailer, "Exec"), "\"" + app_ + "vesk\" thumbnail %i %o %s");
    EXPECT_EQ(Key(thumbnailer, "MimeType"), "image/x-vesk-c10;");
    EXPECT_EQ(ReadText(data_ + "bash-completion/completions/vesk"), ReadText(app_ + "vesk.bash-completion"));
    EXPECT_EQ(ReadText(data_ + "man/man1/vesk.1"), ReadText(app_ + "man/man1/vesk.1"));
    EXPECT_EQ(fs::read_symlink(home_ + ".local/bin/vesk").string(), app_ + "vesk");
    EXPECT_TRUE(fs::is_regular_file(data_ + "applications/vesk-manager.desktop"));

    // Again, after another program took the name vesk in ~/.local/bin: that file stays.
    fs::remove(home_ + ".local/bin/vesk");
    temp_.Write("home/.local/bin/vesk", std::string("#!/bin/sh\n"));
    ASSERT_EQ(Shell("env -u XDG_DATA_HOME HOME=" + home_ + " " + app_ + "add-to-menu"), 0);
    EXPECT_EQ(ReadText(home_ + ".local/bin/vesk"), "#!/bin/sh\n");
}

TEST_F(DesktopTest, TheThumbnailersCommandWritesThumbnailsOfTheSamples) {
    std::string command = Key(data_ + "thumbnailers/vesk-c10.thumbnailer", "Exec");
    struct Case {
        std::string sample;
        std::string size;
        int width, height;
    };
    const Case cases[] = {{"Шарик", "128", samples::kBallSize, samples::kBallSize},
                          {"Шарик", "32", 32, 32},
                          {"Фон", "24", 24, 16},
                          {"Фон", "256", samples::kBackgroundWidth, samples::kBackgroundHeight}};
    for (const Case& c : cases) {
        // As the desktop fills in the placeholders: the input file, a temporary output, the size.
        const std::string out = home_ + "thumb-" + c.size + ".tmp";
        std::string line = command;
        line.replace(line.find("%i"), 2, "\"" + app_ + samples::kSamplesFolder + c.sample + ".c10\"");
        line.replace(line.find("%o"), 2, "\"" + out + "\"");
        line.replace(line.find("%s"), 2, c.size);
        ASSERT_EQ(Shell(line), 0) << line;
        const Picture thumbnail = DecodePng(ReadWholeFile(out));
        EXPECT_EQ(thumbnail.width, c.width) << c.sample << " " << c.size;
        EXPECT_EQ(thumbnail.height, c.height) << c.sample << " " << c.size;
    }
}

}  // namespace
}  // namespace vesk::test

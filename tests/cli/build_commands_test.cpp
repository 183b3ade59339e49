// blank, format and build against the window's commands, and build then unpack.
#include <filesystem>

#include "assembly/commands.h"
#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "support/recording_host.h"

namespace vesk::test {
namespace {

class BuildCommandsTest : public CliTest {
protected:
    std::string Bin(const std::string& name) const { return folder_.Bins() + name; }
};

TEST_F(BuildCommandsTest, BlankAndFormatAreTheWindowsCommands) {
    CliResult r = Run({"blank", "d.bin"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    Bytes expected(48 * 0x10000, 0xFF);
    EXPECT_EQ(ReadBytes(Bin("d.bin")), expected);

    r = Run({"format", "d.bin"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    for (int s = 0; s < 48; ++s) {
        expected[s * 0x10000] = 0xF0;
        expected[s * 0x10000 + 1] = 0xF1;
    }
    EXPECT_EQ(ReadBytes(Bin("d.bin")), expected);
}

TEST_F(BuildCommandsTest, BlankMakesBinsWhenMissingAndFormatNeverCreatesTheFile) {
    std::filesystem::remove_all(folder_.Bins());
    EXPECT_EQ(Run({"blank", "d.bin"}).status, kExitOk);
    EXPECT_EQ(std::filesystem::file_size(Bin("d.bin")), 48u * 0x10000);

    const CliResult r = Run({"format", "none.bin"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + Bin("none.bin") + ": File not found\n");
    EXPECT_FALSE(std::filesystem::exists(Bin("none.bin")));
}

TEST_F(BuildCommandsTest, AFormatRefusedByTheSettingsFails) {
    Run({"blank", "d.bin"});
    WriteSettings(CliSettings().replace(CliSettings().find("01=F0F1"), 7, "01=F0F"));
    const CliResult r = Run({"format", "d.bin"});
    EXPECT_EQ(r.status, kExitFailed);
    // One line for the box's two lines, the words unchanged.
    EXPECT_EQ(r.err.rfind("Форматирование отменено, файл не изменён. Заголовок сектора [HEX] «01» в vesk.ini: ", 0), 0u)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_EQ(ReadBytes(Bin("d.bin")), Bytes(48 * 0x10000, 0xFF));
}

TEST_F(BuildCommandsTest, BuildGivesTheDumpOfTheWindowsSteps) {
    const std::vector<std::string> files = {Source("a.dat", Pattern(9000, 1)), Source("Звук.mid", Pattern(300, 2)),
                                            Source("c.jpg", Pattern(4090, 3))};
    const Bytes window = ReadBytes(BuildWithWindowCommands("window.bin", files));

    // Relative paths are taken from the current folder, as a shell user means them.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(temp_.Path());
    const CliResult r = Run({"build", "cli.bin", "src/a.dat", files[1], "src/c.jpg"});
    std::filesystem::current_path(here);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadBytes(Bin("cli.bin")), window);
    EXPECT_FALSE(std::filesystem::exists(Bin("cli.bin.vesk-partial")));
}

TEST_F(BuildCommandsTest, BuildThenUnpackGivesTheFilesBack) {
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"first.dat", Pattern(12345, 4)}, {"Кадр.gif", Pattern(4091, 5)}, {"x.y", Pattern(3, 6)}};
    std::vector<std::string> args = {"build", "round.bin"};
    for (const auto& [name, content] : files) args.push_back(Source(name, content));
    ASSERT_EQ(Run(args).status, kExitOk);

    const CliResult r = Run({"unpack", Bin("round.bin"), "--out", temp_.File("out")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::vector<std::pair<std::string, Bytes>> expected;
    for (const auto& [name, content] : files) expected.emplace_back(name + ".bin", content);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderContents(temp_.File("out")), expected);
}

TEST_F(BuildCommandsTest, BuildPutsTheSystemFilesFirst) {
    WriteSettings(CliSettings("[Files]\n1=system\\boot.dat\n2=system\\font.dat\n[GROUP1]\nfont.dat=02\n"));
    temp_.Write("system/boot.dat", Pattern(100, 7));
    temp_.Write("system/font.dat", Pattern(5000, 8));
    ASSERT_EQ(Run({"build", "s.bin", "--system", Source("own.dat", Pattern(10, 9))}).status, kExitOk);
    const CliResult r = Run({"files", Bin("s.bin")});
    EXPECT_EQ(r.out,
              "№  Файл      Размер (байт)  Адрес  Группа    Номер\n"
              "1  boot.dat  100            0100   Звуки     1\n"
              "2  font.dat  5000           0200   Картинки  2\n"
              "3  own.dat   10             0300   Звуки     3\n");
    // --system alone is a build too.
    EXPECT_EQ(Run({"build", "only.bin", "--system"}).status, kExitOk);
}

TEST_F(BuildCommandsTest, ARefusedBuildLeavesTheOldDumpAsItWas) {
    ASSERT_EQ(Run({"build", "d.bin", Source("a.dat", Pattern(100, 1))}).status, kExitOk);
    const Bytes before = ReadBytes(Bin("d.bin"));

    // 409 FAT slots hold the blocks of 1.6 MB; this file needs more.
    CliResult r = Run({"build", "d.bin", Source("big.dat", Pattern(2'000'000, 2))});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err.rfind("Сборка отменена, файл сборки не изменён. Строка 1: ", 0), 0u) << r.err;
    EXPECT_EQ(ReadBytes(Bin("d.bin")), before);
    EXPECT_FALSE(std::filesystem::exists(Bin("d.bin.vesk-partial")));

    // A file the build list cannot take: nothing is written.
    r = Run({"build", "d.bin", temp_.File("src/missing.dat")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + temp_.File("src/missing.dat") + ": File not found\n");
    EXPECT_EQ(ReadBytes(Bin("d.bin")), before);
    EXPECT_FALSE(std::filesystem::exists(Bin("d.bin.vesk-partial")));
}

TEST_F(BuildCommandsTest, MoreFilesThanTheListTakesAreRefused) {
    std::vector<std::string> args = {"build", "d.bin"};
    for (int i = 0; i < 102; ++i) args.push_back(Source("f" + std::to_string(i), Pattern(3, static_cast<unsigned>(i))));
    const CliResult r = Run(args);
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Сборка отменена: в списке сборки 102 файлов, а в дамп входят не больше 101.\n");
    EXPECT_FALSE(std::filesystem::exists(Bin("d.bin")));
    // 101 files fit the list.
    args.pop_back();
    EXPECT_EQ(Run(args).status, kExitOk);
}

TEST_F(BuildCommandsTest, InPlaceAssemblesIntoTheFileAsItStands) {
    CliResult r = Run({"build", "p.bin", "--in-place", Source("a.dat", Pattern(100, 1))});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + Bin("p.bin") + ": File not found\n");
    EXPECT_FALSE(std::filesystem::exists(Bin("p.bin")));

    // Over a formatted image that holds a byte the build does not write, that byte stays.
    Run({"blank", "p.bin"});
    Run({"format", "p.bin"});
    Bytes image = ReadBytes(Bin("p.bin"));
    image[40 * 0x10000 + 100] = 0x5A;
    temp_.Write("bins/p.bin", image);
    r = Run({"build", "p.bin", "--in-place", temp_.File("src/a.dat")});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes(Bin("p.bin"))[40 * 0x10000 + 100], 0x5A);
    Run({"build", "fresh.bin", temp_.File("src/a.dat")});
    Bytes fresh = ReadBytes(Bin("fresh.bin"));
    fresh[40 * 0x10000 + 100] = 0x5A;
    EXPECT_EQ(ReadBytes(Bin("p.bin")), fresh);
}

}  // namespace
}  // namespace vesk::test

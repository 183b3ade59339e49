// Usage: what is bad usage (status 2 and the command's usage line), and what help says.
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/cli_fixture.h"

namespace vesk::test {
namespace {

using cli::Commands;
using cli::UsageLine;

class UsageTest : public CliTest {
protected:
    // Bad usage: nothing on standard output, the problem and then the usage line of the command.
    void ExpectUsage(const std::vector<std::string>& args, const std::string& problem, const std::string& command) {
        // Without --home: usage is checked before the program folder is used.
        const CliResult r = RunBare(args);
        EXPECT_EQ(r.status, kExitUsage);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vesk: " + problem + "\n" + UsageLine(cli::FindCommand(command)) + "\n");
    }
};

TEST_F(UsageTest, BadOptionsAndArgumentsExitWithTwoAndTheUsageLine) {
    ExpectUsage({"files", "d.bin", "--bogus"}, "unknown option \"--bogus\"", "files");
    ExpectUsage({"lists", "d.bin", "--all"}, "unknown option \"--all\"", "lists");  // not an option of lists
    ExpectUsage({"lists", "-x", "d.bin"}, "unknown option \"-x\"", "lists");
    ExpectUsage({"lists"}, "missing DUMP", "lists");
    ExpectUsage({"convert", "a.c10"}, "missing IN OUT", "convert");
    ExpectUsage({"lists", "a.bin", "b.bin"}, "too many arguments (\"b.bin\")", "lists");
    ExpectUsage({"files", "d.bin", "--list", "842"}, "--list takes a list position such as 0x00000842, not \"842\"",
                "files");
    ExpectUsage({"files", "d.bin", "--list=0x123456789"},
                "--list takes a list position such as 0x00000842, not \"0x123456789\"", "files");
    ExpectUsage({"convert", "a.c10", "b.bmp", "--frame", "0"}, "--frame takes a frame number from 1, not \"0\"",
                "convert");
    ExpectUsage({"unpack", "d.bin", "--out"}, "--out needs a value (DIR)", "unpack");
    ExpectUsage({"files", "d.bin", "--all=yes"}, "--all takes no value", "files");
    ExpectUsage({"build", "d.bin"}, "nothing to build: give a FILE or --system", "build");
    ExpectUsage({"info", "picture.tif"},
                "\"picture.tif\": the kind of picture comes from the extension .c10, .bmp, .jpg, .jpeg or .png", "info");
    ExpectUsage({"convert", "a.c10", "b.gif", "--delay", "5"}, "--delay takes milliseconds from 10 to 655350, not \"5\"",
                "convert");
    ExpectUsage({"convert", "a.c10", "b.png", "--delay", "100"}, "--delay applies to a .gif OUT only", "convert");
    ExpectUsage({"convert", "a.gif", "b.png"}, "a .gif IN converts to a .c10 OUT only", "convert");
    ExpectUsage({"thumbnail", "a.c10", "b.png", "0"}, "SIZE is a number of pixels from 1 to 4096, not \"0\"", "thumbnail");
    ExpectUsage({"thumbnail", "a.c10", "b.png"}, "missing IN OUT SIZE", "thumbnail");
    ExpectUsage({"diff", "d.bin", "--list", "0x842", "--with", "842"},
                "--with takes a list position such as 0x00000842, not \"842\"", "diff");
    // Options of two values, and one name with a meaning of its own for each command.
    ExpectUsage({"repack", "d.bin", "--replace", "Фон"}, "--replace needs two values (NAME FILE)", "repack");
    ExpectUsage({"repack", "d.bin", "--rename=A", "B"}, "--rename needs two values (OLD NEW)", "repack");
    ExpectUsage({"repack", "d.bin", "--remove", ""}, "--remove takes NAME, not an empty text", "repack");
    ExpectUsage({"repack", "d.bin", "--out="}, "--out needs a file name", "repack");
    ExpectUsage({"unpack", "d.bin", "--out="}, "--out needs a folder", "unpack");
    ExpectUsage({"frobnicate"}, "unknown command \"frobnicate\"", "");
}

TEST_F(UsageTest, NoArgumentsAtAllIsBadUsage) {
    const CliResult r = RunBare({});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err, "vesk: no command given\n" + UsageLine(nullptr) + "\n");
}

TEST_F(UsageTest, EveryCommandHasHelpWithItsUsageLine) {
    for (const cli::CommandSpec& command : Commands()) {
        // Help wins over missing arguments, wherever it stands.
        const CliResult r = RunBare({std::string(command.name), "--help"});
        EXPECT_EQ(r.status, kExitOk) << command.name;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind(UsageLine(&command) + "\n", 0), 0u) << r.out;
        EXPECT_EQ(RunBare({"help", std::string(command.name)}).out, r.out);
    }
    const CliResult all = RunBare({"--help"});
    EXPECT_EQ(all.status, kExitOk);
    for (const cli::CommandSpec& command : Commands()) {
        EXPECT_NE(all.out.find("\n  " + std::string(command.name) + " " + std::string(command.operands)), std::string::npos)
            << command.name;
    }
}

TEST(ParseArguments, OptionsStandAnywhereAndDoubleDashEndsThem) {
    const cli::CommandSpec* command = nullptr;
    cli::Invocation inv =
        cli::ParseArguments({"files", "--json", "d.bin", "--list=0x00000842", "--firmware", "F", "--all"}, &command);
    EXPECT_EQ(inv.operands, std::vector<std::string>{"d.bin"});
    EXPECT_TRUE(inv.json);
    EXPECT_TRUE(inv.all);
    EXPECT_EQ(inv.list, "0x00000842");
    EXPECT_EQ(inv.firmware, "F");
    EXPECT_EQ(command, cli::FindCommand("files"));

    // After "--" a name that starts with dashes is a file.
    inv = cli::ParseArguments({"info", "--", "--json.c10"}, &command);
    EXPECT_EQ(inv.operands, std::vector<std::string>{"--json.c10"});
    EXPECT_FALSE(inv.json);
}

TEST(ParseArguments, AnEmptyFirmwareIsAName) {
    // The window's own start-up can select no firmware at all; the command line can ask for that too.
    const cli::CommandSpec* command = nullptr;
    EXPECT_EQ(cli::ParseArguments({"lists", "d.bin", "--firmware="}, &command).firmware, "");
    EXPECT_THROW(cli::ParseArguments({"lists", "d.bin", "--home="}, &command), cli::UsageError);
}

}  // namespace
}  // namespace vesk::test

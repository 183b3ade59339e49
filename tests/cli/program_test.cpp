// The installed program itself: copied into a program folder, it takes that folder as its home.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "cli/cli_fixture.h"

namespace vesk::test {
namespace {

class ProgramTest : public CliTest {
protected:
    // Runs the program with its output in files; returns the exit status.
    CliResult Start(const std::string& program, const std::string& args) const {
        const std::string command = "'" + program + "' " + args + " >'" + temp_.File("stdout") + "' 2>'" +
                                    temp_.File("stderr") + "' </dev/null";
        const int raw = std::system(command.c_str());
        CliResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(temp_.File("stdout"));
        r.err = ReadText(temp_.File("stderr"));
        return r;
    }
};

TEST_F(ProgramTest, RunsFromItsOwnFolderWithoutHome) {
    const std::string program = temp_.File("vesk");
    std::filesystem::copy_file(VESK_PROGRAM, program);
    const std::string dump = BuildWithWindowCommands("d.bin", {Source("a.dat", Pattern(10, 1))});

    CliResult r = Start(program, "files '" + dump + "' --json");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"dump\":\"" + dump +
                         "\",\"list\":\"0x00000842\",\"files\":[{\"number\":1,\"name\":\"a.dat\",\"size\":10,"
                         "\"address\":\"0100\",\"group\":\"Звуки\",\"fileNumber\":1}]}\n");
    // Not a terminal: no progress.
    EXPECT_EQ(r.err, "");

    r = Start(program, "files '" + dump + "' --bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("usage: vesk files DUMP"), std::string::npos);
    r = Start(program, "lists '" + temp_.File("none.bin") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vesk: " + temp_.File("none.bin") + ": File not found\n");
}

// Output that cannot be written is a failure, help included: a script must not read success when
// nothing reached it.
TEST_F(ProgramTest, OutputIntoAFullDeviceFailsHelpToo) {
    const std::string dump = BuildWithWindowCommands("d.bin", {Source("a.dat", Pattern(10, 1))});
    const std::vector<std::string> runs = {"--help", "files --help", "files '" + dump + "' --home '" + folder_.Path() + "'"};
    for (const std::string& args : runs) {
        const std::string command = "'" VESK_PROGRAM "' " + args + " >/dev/full 2>'" + temp_.File("stderr") + "'";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1) << args;
        EXPECT_EQ(ReadText(temp_.File("stderr")), "vesk: standard output: Disk full\n") << args;
    }
}

}  // namespace
}  // namespace vesk::test

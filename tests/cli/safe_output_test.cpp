// What the command line writes is whole or not written: two builds of one name at once, read-only
// targets, failing writes of a build and of a conversion; and what it prints is safe to read:
// a failed standard output counts, control characters are shown escaped.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "picture/bmp_file.h"
#include "support/faults.h"

namespace vesk::test {
namespace {

class SafeOutputTest : public CliTest {
protected:
    std::string Bin(const std::string& name) const { return folder_.Bins() + name; }
    std::vector<std::string> Leftovers(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with(".vesk-tmp-")) names.push_back(entry.path().filename());
        }
        return names;
    }
};

TEST_F(SafeOutputTest, TwoBuildsOfOneNameLeaveOneWholeBuild) {
    const std::vector<std::string> a = {Source("a1", Pattern(30000, 1)), Source("a2", Pattern(500, 2))};
    const std::vector<std::string> b = {Source("b1", Pattern(70000, 3))};
    const Bytes buildA = ReadBytes(BuildWithWindowCommands("a.bin", a));
    const Bytes buildB = ReadBytes(BuildWithWindowCommands("b.bin", b));
    for (int round = 0; round < 15; ++round) {
        std::vector<pid_t> children;
        for (const auto* files : {&a, &b}) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                std::vector<std::string> args = {"build", "d.bin"};
                args.insert(args.end(), files->begin(), files->end());
                args.insert(args.end(), {"--home", temp_.Path()});
                std::ostringstream out, err;
                _exit(RunCli(args, out, err));
            }
            children.push_back(pid);
        }
        for (const pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const Bytes result = ReadBytes(Bin("d.bin"));
        EXPECT_TRUE(result == buildA || result == buildB) << "round " << round;
        EXPECT_TRUE(Leftovers(folder_.Bins()).empty());
    }
}

TEST_F(SafeOutputTest, ReadOnlyTargetsStayAsTheyAre) {
    const std::string source = Source("a1", Pattern(300, 1));
    ASSERT_EQ(Run({"build", "d.bin", source}).status, kExitOk);
    const Bytes before = ReadBytes(Bin("d.bin"));
    ASSERT_EQ(chmod(Bin("d.bin").c_str(), 0444), 0);
    CliResult r = Run({"build", "d.bin", Source("other", Pattern(900, 2))});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + Bin("d.bin") + ": File access denied\n");
    EXPECT_EQ(ReadBytes(Bin("d.bin")), before);
    struct stat st {};
    ASSERT_EQ(stat(Bin("d.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    const std::string bmp = temp_.Write("pic/p.bmp", EncodeBmp(Picture(3, 2, 0x00FF0000)));
    const std::string jpeg = temp_.Write("pic/out.jpeg", "a read-only picture");
    ASSERT_EQ(chmod(jpeg.c_str(), 0444), 0);
    r = Run({"convert", bmp, jpeg});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "vesk: " + jpeg + ": File access denied\n");
    EXPECT_EQ(ReadText(jpeg), "a read-only picture");
    EXPECT_TRUE(Leftovers(temp_.File("pic")).empty());
}

// Each write, flush and rename of a build and of a conversion failed in turn: the target is the
// old file or the new one, the error line names it, nothing is left beside it.
TEST_F(SafeOutputTest, FailingWritesOfABuildAndAConversion) {
    const std::string source = Source("a1", Pattern(20000, 1));
    const std::string bmp = temp_.Write("pic/p.bmp", EncodeBmp(Picture(30, 20, 0x00123456)));
    const struct {
        std::vector<std::string> args;
        std::string target;
    } commands[] = {
        {{"build", "d.bin", source}, Bin("d.bin")},
        {{"convert", bmp, temp_.File("pic/p.c10")}, temp_.File("pic/p.c10")},
        {{"convert", bmp, temp_.File("pic/p.jpeg")}, temp_.File("pic/p.jpeg")},
    };
    for (const auto& command : commands) {
        temp_.Write(command.target.substr(temp_.Path().size()), "old");
        ASSERT_EQ(Run(command.args).status, kExitOk);
        const Bytes fresh = ReadBytes(command.target);
        for (const test::Fault fault : {test::Fault::Write, test::Fault::Fsync, test::Fault::Rename}) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(command.target + " fault " + std::to_string(static_cast<int>(fault)) + " call " + std::to_string(n));
                temp_.Write(command.target.substr(temp_.Path().size()), "old");
                test::ResetFaults();
                test::FailNth(fault, n, ENOSPC);
                const CliResult r = Run(command.args);
                const test::CallCounts counts = test::ResetFaults();
                const int calls = fault == test::Fault::Write ? counts.writes : fault == test::Fault::Fsync ? counts.fsyncs : counts.renames;
                const Bytes now = ReadBytes(command.target);
                EXPECT_TRUE(now == fresh || ReadText(command.target) == "old");
                EXPECT_TRUE(Leftovers(std::filesystem::path(command.target).parent_path().string() + "/").empty());
                if (calls < n) break;
                EXPECT_EQ(r.status, kExitFailed);
                EXPECT_EQ(r.err, "vesk: " + command.target + ": Disk full\n");
            }
        }
    }
}

// A stream that takes nothing, as a full disk or a closed pipe does.
class FullBuffer : public std::streambuf {
protected:
    int overflow(int) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(SafeOutputTest, AListingThatCannotBeWrittenFails) {
    const std::string dump = BuildWithWindowCommands("d.bin", {Source("a1", Pattern(300, 1))});
    FullBuffer full;
    std::ostream out(&full);
    std::ostringstream err;
    EXPECT_EQ(RunCli({"lists", dump, "--home", temp_.Path()}, out, err), kExitFailed);
    EXPECT_EQ(err.str().rfind("vesk: standard output: ", 0), 0u) << err.str();
}

TEST_F(SafeOutputTest, ControlCharactersInNamesAreShownEscaped) {
    const std::string dump = BuildWithWindowCommands("d.bin", {Source("plain", Pattern(300, 1))});
    // Rename the entry in the dump to one with an escape sequence that would retitle a terminal.
    Bytes bytes = ReadBytes(dump);
    const std::string evil = "\x1b]0;pwned\x07";
    std::copy(evil.begin(), evil.end(), bytes.begin() + 0x842);
    temp_.Write("bins/d.bin", bytes);
    const CliResult text = Run({"files", dump});
    EXPECT_EQ(text.status, kExitOk) << text.err;
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
    EXPECT_NE(text.out.find("\\x1b]0;pwned\\x07"), std::string::npos) << text.out;
    // JSON escapes them its own way and stays as it was.
    const CliResult json = Run({"files", dump, "--json"});
    EXPECT_NE(json.out.find("\\u001b]0;pwned\\u0007"), std::string::npos) << json.out;
}

}  // namespace
}  // namespace vesk::test

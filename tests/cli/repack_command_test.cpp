// vesk repack and vesk unpack NAME...: the changes in their order, refusals that write nothing,
// and the round trip without changes.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "platform/file_output.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

class RepackCommandTest : public CliTest {
protected:
    // bins/d.bin of four files, built as the window builds it.
    void SetUp() override {
        for (const auto& [name, size] : {std::pair{"one", 100}, {"two", 9000}, {"three", 4090}, {"four", 3}}) {
            contents[name] = Pattern(static_cast<std::size_t>(size), static_cast<unsigned>(size));
            sources.push_back(Source(name, contents[name]));
        }
        dump = BuildWithWindowCommands("d.bin", sources);
        before = ReadBytes(dump);
    }
    std::string Files(const std::string& path) {
        const CliResult r = Run({"files", path});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return r.out;
    }
    // Unpacks the dump into a fresh folder and returns its files.
    std::vector<std::pair<std::string, Bytes>> Unpacked(const std::string& path, std::vector<std::string> names = {}) {
        const std::string out = temp_.File("out" + std::to_string(++outs));
        std::vector<std::string> args = {"unpack", path, "--out", out};
        args.insert(args.end(), names.begin(), names.end());
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return FolderContents(out);
    }
    // What a refused repack must leave: the dump as it was, no .bak, no temporary.
    void ExpectNothingWritten(const CliResult& r, const std::string& says) {
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(dump), before);
        for (const auto& entry : fs::directory_iterator(folder_.Bins())) {
            EXPECT_TRUE(entry.path() == dump) << entry.path();
        }
    }

    std::map<std::string, Bytes> contents;
    std::vector<std::string> sources;
    std::string dump;
    Bytes before;
    int outs = 0;
};

TEST_F(RepackCommandTest, WithoutChangesTheListReadsBackEntryForEntryAndFileForFile) {
    const CliResult r = Run({"repack", dump, "--out", temp_.File("new.bin")});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Files(temp_.File("new.bin")), Files(dump));
    EXPECT_EQ(Unpacked(temp_.File("new.bin")), Unpacked(dump));
    EXPECT_EQ(ReadBytes(dump), before);
    EXPECT_EQ(FolderContents(folder_.Files()).size(), 0u);  // nothing unpacked on the way
}

TEST_F(RepackCommandTest, ChangesApplyInTheirOrderAndTheDumpIsKeptAsBak) {
    const Bytes picture = Pattern(5000, 7);
    const CliResult r = Run({"repack", dump, "--rename", "two", "Два", "--replace", "Два", Source("p.jpg", picture),
                             "--remove", "three", "--add", sources[2], "--rename", "three", "3"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes(dump + ".bak"), before);
    // The removed row leaves no gap; the added one comes last, with "Добавить"'s address and number.
    EXPECT_EQ(Files(dump),
              "№  Файл  Размер (байт)  Адрес  Группа  Номер\n"
              "1  one   100            0100   Звуки   1\n"
              "2  Два   5000           0200   Звуки   2\n"
              "3  four  3              0400   Звуки   4\n"
              "4  3     4090           0500   Звуки   5\n");
    const auto files = Unpacked(dump, {"Два", "3"});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], (std::pair<std::string, Bytes>{"3.bin", contents["three"]}));
    EXPECT_EQ(files[1], (std::pair<std::string, Bytes>{"Два.bin", picture}));
}

TEST_F(RepackCommandTest, UnknownTwiceOrMissingIsRefusedBeforeAnythingIsWritten) {
    ExpectNothingWritten(Run({"repack", dump, "--remove", "five"}), "Нет файла «five» в списке сборки.");
    ExpectNothingWritten(Run({"repack", dump, "--rename", "one", "two", "--replace", "two", sources[0]}),
                         "Файл «two» в списке сборки не один (строки 1 и 2)");
    ExpectNothingWritten(Run({"repack", dump, "--replace", "one", temp_.File("gone.jpg")}),
                         "vesk: " + temp_.File("gone.jpg") + ": File not found");
    ExpectNothingWritten(Run({"repack", dump, "--add", temp_.File("gone.jpg")}), "File not found");
    ExpectNothingWritten(Run({"repack", dump, "--rename", "one", "a/b"}), "в имени файла не бывает «/»");
    ExpectNothingWritten(Run({"repack", dump, "--rename", "one", "a\x1b[2Jb"}), "Имя «a\\x1b[2Jb» не годится");
    // A change after the refused one is never reached.
    ExpectNothingWritten(Run({"repack", dump, "--remove", "five", "--remove", "one"}), "«five»");
    const CliResult usage = RunBare({"repack", dump, "--home", folder_.Path(), "--rename", "one"});
    EXPECT_EQ(usage.status, kExitUsage);
    EXPECT_NE(usage.err.find("--rename needs two values (OLD NEW)"), std::string::npos) << usage.err;
}

// "two" (9000 bytes: three blocks and the builder's surplus one, slots 2 to 5) loses the slot of its
// second block: unpacking would give wrong bytes, so the check says so and repack will not carry
// the file on until it is removed or replaced.
TEST_F(RepackCommandTest, AnEntryThatLostABlockIsNotCarriedOn) {
    Bytes broken = before;
    broken[0x50C + 2 * 3] = broken[0x50C + 2 * 3 + 1] = 0xFF;
    temp_.Write("bins/d.bin", broken);
    before = broken;

    const CliResult check = Run({"check", dump});
    EXPECT_EQ(check.status, kExitFailed);
    EXPECT_NE(check.out.find("lost-block"), std::string::npos) << check.out;

    const CliResult refused = Run({"repack", dump});
    EXPECT_NE(refused.err.find("Файлы «two» в дампе повреждены"), std::string::npos) << refused.err;
    ExpectNothingWritten(refused, "Строка 2 («two»): нет файла");

    ASSERT_EQ(Run({"repack", dump, "--remove", "two", "--out", temp_.File("without.bin")}).status, kExitOk);
    ASSERT_EQ(Run({"repack", dump, "--replace", "two", sources[0], "--out", temp_.File("mended.bin")}).status, kExitOk);
    EXPECT_EQ(Run({"check", temp_.File("mended.bin")}).status, kExitOk);
}

TEST_F(RepackCommandTest, UnpackTakesOnlyTheNamedEntries) {
    const auto files = Unpacked(dump, {"four", "one"});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].first, "four.bin");
    EXPECT_EQ(files[1], (std::pair<std::string, Bytes>{"one.bin", contents["one"]}));
    const CliResult r = Run({"unpack", dump, "--out", temp_.File("x"), "one", "five"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Нет файла «five» в списке 0x00000842.\n");
    EXPECT_FALSE(fs::exists(temp_.File("x/one.bin")));
}

// ---- Trust in a repack: nothing written when refused, no lost change, no damaged file carried on

// The real program, for what only processes show: two at once, their memory.
int RunProgram(const std::string& args, rusage* usage = nullptr) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", (std::string("exec '") + VESK_PROGRAM + "' " + args + " >/dev/null 2>&1").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage own{};
    wait4(pid, &status, 0, usage ? usage : &own);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RepackCommandTest, ARefusedRepackLeavesNoBackupAndABackupIsNoWiderToRead) {
    // A read-only dump cannot be replaced: refused before its backup is made.
    ::chmod(dump.c_str(), 0444);
    ExpectNothingWritten(Run({"repack", dump, "--remove", "one"}), "File access denied");
    ::chmod(dump.c_str(), 0600);
    // An --out that is no regular file (a pipe here; /dev/null alike): refused, and no OUT.bak.
    const std::string pipe = temp_.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(Run({"repack", dump, "--out", pipe}).status, kExitFailed);
    EXPECT_FALSE(fs::exists(pipe + ".bak"));
    // The backup of a dump only its owner reads is only its owner's to read.
    ASSERT_EQ(Run({"repack", dump, "--remove", "one"}).status, kExitOk);
    struct stat st {};
    ASSERT_EQ(::stat((dump + ".bak").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadBytes(dump + ".bak"), before);
}

// A link planted at --out is replaced; the file behind it is neither read into a backup nor changed.
TEST_F(RepackCommandTest, ABackupIsNeverReadThroughALink) {
    const std::string secret = temp_.Write("elsewhere/secret", std::string("contacts and messages"));
    ::chmod(secret.c_str(), 0600);
    const std::string out = temp_.File("bins/out.bin");
    ASSERT_EQ(::symlink(secret.c_str(), out.c_str()), 0);
    ASSERT_EQ(Run({"repack", dump, "--out", out}).status, kExitOk);
    EXPECT_FALSE(fs::is_symlink(out));
    EXPECT_FALSE(fs::exists(out + ".bak"));
    EXPECT_EQ(ReadText(secret), "contacts and messages");
}

// Only files go into a dump: a pipe, a device or a /proc file would give nothing, or anything.
TEST_F(RepackCommandTest, WhatIsNoRegularFileIsRefusedBeforeAnythingIsWritten) {
    const std::string pipe = temp_.File("src/pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& source : {pipe, std::string("/dev/zero"), std::string("/proc/self/status")}) {
        SCOPED_TRACE(source);
        ExpectNothingWritten(Run({"repack", dump, "--replace", "one", source}), "не обычный файл");
        ExpectNothingWritten(Run({"repack", dump, "--add", source}), "не обычный файл");
    }
}

// Sources are measured before they are read: files that cannot fit are refused at once, in
// little memory, whatever their size.
TEST_F(RepackCommandTest, HugeSourcesAreRefusedFromTheirSizesAlone) {
    std::vector<std::string> args = {"repack", "'" + dump + "'", "--home", "'" + folder_.Path() + "'"};
    for (int i = 0; i < 3; ++i) {
        const std::string huge = temp_.File("src/huge" + std::to_string(i));
        temp_.Write("src/huge" + std::to_string(i), std::string("x"));
        fs::resize_file(huge, std::uintmax_t{1} << 30);  // sparse: nothing is on the disk
        args.push_back("--add '" + huge + "'");
    }
    std::string line;
    for (const std::string& arg : args) line += arg + " ";
    rusage usage{};
    EXPECT_EQ(RunProgram(line, &usage), kExitFailed);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "kilobytes at the peak";
    EXPECT_EQ(ReadBytes(dump), before);
}

// Two changes of one dump at once: the second waits for the first and changes its result, so
// neither change is lost.
TEST_F(RepackCommandTest, TwoRepacksOfOneDumpAtOnceKeepBothChanges) {
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        temp_.Write("bins/d.bin", before);
        const std::string home = " --home '" + folder_.Path() + "'";
        std::vector<pid_t> pids;
        for (const char* name : {"one", "four"}) {
            const pid_t pid = fork();
            if (pid == 0) _exit(RunProgram("repack '" + dump + "' --remove " + name + home));
            pids.push_back(pid);
        }
        for (const pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const std::string files = Files(dump);
        EXPECT_EQ(files.find("one"), std::string::npos) << files;
        EXPECT_EQ(files.find("four"), std::string::npos) << files;
        EXPECT_NE(files.find("two"), std::string::npos) << files;
    }
}

}  // namespace
}  // namespace vesk::test

// The one way the program writes a file: old or new, never half; never through a link; a
// read-only target refused; nothing left behind.
#include "platform/file_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/folders.h"
#include "support/error_text.h"
#include "support/faults.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ErrorOf;
using test::ReadText;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The file the error names, "" when none is thrown.
std::string FileOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.File();
    }
    return "";
}

TEST(FileOutput, NewContentReplacesTheOldWhole) {
    test::TempFolder dir;
    const std::string target = dir.Write("d.bin", "old content, longer than the new");
    WriteWholeFile(target, Text("new"), Durability::Durable);
    EXPECT_EQ(ReadText(target), "new");
    WriteWholeFile(dir.File("fresh.bin"), Text("made"), Durability::Replaceable);
    EXPECT_EQ(ReadText(dir.File("fresh.bin")), "made");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"d.bin", "fresh.bin"}));

    // Positioned writes: the gap reads as zero.
    FileOutput out = FileOutput::Create(target, Durability::Durable);
    out.WriteAt(4, Text("xy"));
    out.Write(Text("z"));
    EXPECT_EQ(ReadText(target), "new");  // nothing shows before the commit
    out.Commit();
    EXPECT_EQ(ReadText(target), std::string("\0\0\0\0xyz", 7));
}

TEST(FileOutput, WithoutCommitNothingIsLeft) {
    test::TempFolder dir;
    const std::string target = dir.Write("d.bin", "old");
    {
        FileOutput out = FileOutput::Create(target, Durability::Durable);
        out.Write(Text("half of a new"));
    }
    EXPECT_EQ(ReadText(target), "old");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"d.bin"});
}

// Every write, flush and rename a replacement makes, failed in turn: the target is the old file
// or the new one, no temporary is left, and the error names the target.
TEST(FileOutput, AFailureAtAnyStepLeavesTheOldFile) {
    test::TempFolder dir;
    const std::string target = dir.Write("d.bin", "old");
    const Bytes content(200000, 0x5A);
    for (const test::Fault fault : {test::Fault::Write, test::Fault::Fsync, test::Fault::Rename}) {
        for (const int errnum : {ENOSPC, EIO}) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault) << " call " << n);
                test::ResetFaults();
                test::FailNth(fault, n, errnum);
                const std::string named = FileOf([&] { WriteWholeFile(target, content, Durability::Durable); });
                const test::CallCounts counts = test::ResetFaults();
                const int calls = fault == test::Fault::Write ? counts.writes : fault == test::Fault::Fsync ? counts.fsyncs : counts.renames;
                EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"d.bin"});
                if (calls < n) {  // the run made fewer calls: it went through
                    EXPECT_EQ(named, "");
                    EXPECT_EQ(test::ReadBytes(target), content);
                    break;
                }
                EXPECT_EQ(named, target);
                // A flush of the folder fails after the rename: then the new file is in place.
                const std::string now = ReadText(target);
                EXPECT_TRUE(now == "old" || test::ReadBytes(target) == content);
                WriteWholeFile(target, Text("old"), Durability::Replaceable);
            }
        }
    }
    EXPECT_EQ(ErrorOf([&] {
                  test::FailNth(test::Fault::Write, 1, ENOSPC);
                  WriteWholeFile(target, content, Durability::Replaceable);
              }),
              "Disk full");
    test::ResetFaults();
}

TEST(FileOutput, ReadOnlyTargetsAndNonFilesAreRefused) {
    test::TempFolder dir;
    const std::string readOnly = dir.Write("ro.bin", "keep");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(ErrorOf([&] { WriteWholeFile(readOnly, Text("x"), Durability::Durable); }), "File access denied");
    EXPECT_EQ(FileOf([&] { WriteWholeFile(readOnly, Text("x"), Durability::Durable); }), readOnly);
    EXPECT_EQ(ErrorOf([&] { ChangeFile(readOnly, Durability::Durable, [](Bytes&) {}); }), "File access denied");
    EXPECT_EQ(ReadText(readOnly), "keep");

    const std::string folder = dir.MakeDir("sub");
    EXPECT_EQ(ErrorOf([&] { WriteWholeFile(dir.File("sub"), Text("x"), Durability::Durable); }), "File access denied");
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(ErrorOf([&] { WriteWholeFile(pipe, Text("x"), Durability::Durable); }), "File access denied");
    EXPECT_EQ(ErrorOf([&] { WriteWholeFile(dir.File("no/such/f.bin"), Text("x"), Durability::Durable); }), "File not found");
    EXPECT_EQ(ErrorOf([&] { ChangeFile(dir.File("missing.bin"), Durability::Durable, [](Bytes&) {}); }), "File not found");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"pipe", "ro.bin", "sub"}));
}

TEST(FileOutput, LinksAreReplacedNeverWrittenThrough) {
    test::TempFolder dir;
    const std::string victim = dir.Write("outside/victim", "precious");
    const std::string out = dir.MakeDir("out");
    ASSERT_EQ(symlink(victim.c_str(), (out + "link.bin").c_str()), 0);
    ASSERT_EQ(symlink((dir.Path() + "outside/created").c_str(), (out + "dangling.bin").c_str()), 0);
    const std::string hard = dir.Write("out/hard.bin", "shared");
    ASSERT_EQ(link(hard.c_str(), dir.File("outside/other-name").c_str()), 0);

    for (const char* name : {"link.bin", "dangling.bin", "hard.bin"}) WriteWholeFile(out + name, Text(name), Durability::Durable);
    for (const char* name : {"link.bin", "dangling.bin", "hard.bin"}) {
        EXPECT_FALSE(std::filesystem::is_symlink(out + name)) << name;
        EXPECT_EQ(ReadText(out + name), name);
    }
    EXPECT_EQ(ReadText(victim), "precious");
    EXPECT_FALSE(std::filesystem::exists(dir.File("outside/created")));
    EXPECT_EQ(ReadText(dir.File("outside/other-name")), "shared");
}

TEST(FileOutput, AReplacedFileKeepsItsPermissionBits) {
    test::TempFolder dir;
    const std::string target = dir.Write("d.bin", "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ChangeFile(target, Durability::Durable, [](Bytes& content) { content.push_back('!'); });
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadText(target), "old!");
}

TEST(FileOutput, OldTemporariesAreRemovedAndNewOnesKept) {
    test::TempFolder dir;
    const std::string old = dir.Write(".vesk-tmp-0ld0ld0ld0ld", "x");
    const std::string young = dir.Write(".vesk-tmp-y0ungy0ungy0", "x");
    // A user's files that only look alike: no temporary is exactly twelve letters and digits.
    const std::string mine = dir.Write(".vesk-tmp-x", "x");
    const std::string upper = dir.Write(".vesk-tmp-0LD0LD0LD0LD", "x");
    dir.Write("d.bin", "x");
    const utimbuf longAgo{std::time(nullptr) - 7200, std::time(nullptr) - 7200};
    for (const std::string& path : {old, mine, upper}) ASSERT_EQ(utime(path.c_str(), &longAgo), 0);
    RemoveOldTemporaries(dir.Path(), 3600);
    EXPECT_EQ(Names(dir.Path()),
              (std::vector<std::string>{".vesk-tmp-0LD0LD0LD0LD", ".vesk-tmp-x", ".vesk-tmp-y0ungy0ungy0", "d.bin"}));

    // Any write removes the old temporaries of its folder (once a run), as the window does at start.
    utime(young.c_str(), &longAgo);
    WriteWholeFile(dir.File("new.bin"), Text("n"), Durability::Replaceable);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{".vesk-tmp-0LD0LD0LD0LD", ".vesk-tmp-x", "d.bin", "new.bin"}));
}

// The drag-out folders of a killed window: only this program's, whole, old and flat, go.
TEST(FileOutput, OldDragFoldersAreRemovedAndOthersKept) {
    test::TempFolder dir;
    const std::string elsewhere = dir.MakeDir("elsewhere");
    dir.Write("elsewhere/keep.txt", "mine");
    for (const char* folder : {"vesk-drag-0ld0ld", "vesk-drag-young0", "vesk-drag-x", "vesk-drag-deep00", "vesk-drag-deep00/in"}) {
        dir.MakeDir(folder);
    }
    dir.Write("vesk-drag-0ld0ld/Море.mid", "m");
    dir.Write("vesk-drag-0ld0ld/Фон.c10", "c");
    dir.Write("vesk-drag-deep00/a.bin", "a");
    ASSERT_EQ(symlink(elsewhere.c_str(), dir.File("vesk-drag-link00").c_str()), 0);
    const utimbuf longAgo{std::time(nullptr) - 7200, std::time(nullptr) - 7200};
    for (const char* folder : {"vesk-drag-0ld0ld", "vesk-drag-x", "vesk-drag-deep00", "elsewhere"}) {
        ASSERT_EQ(utime(dir.File(folder).c_str(), &longAgo), 0);
    }
    RemoveOldFolders(dir.Path(), "vesk-drag-", 6, 3600);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"elsewhere", "vesk-drag-deep00", "vesk-drag-link00", "vesk-drag-x",
                                                           "vesk-drag-young0"}));
    EXPECT_EQ(Names(dir.File("vesk-drag-deep00")), (std::vector<std::string>{"a.bin", "in"}));
    EXPECT_EQ(ReadText(dir.File("elsewhere/keep.txt")), "mine");
}

// The thumbnailer's write: into the regular file of this user that the caller made, or nothing.
TEST(FileOutput, WriteIntoCallersFileWritesOnlyAnOwnRegularFile) {
    test::TempFolder dir;
    const std::string made = dir.Write("made.png", "an older, longer thumbnail");
    const int held = ::open(made.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    EXPECT_TRUE(WriteIntoCallersFile(made, Text("new"), Durability::Replaceable));
    char seen[64] = {};
    EXPECT_EQ(::pread(held, seen, sizeof seen, 0), 3);
    ::close(held);
    EXPECT_EQ(std::string(seen), "new");

    // Nothing written where there is no such file: the caller then writes as every writer does.
    const std::string victim = dir.Write("victim", "precious");
    ASSERT_EQ(symlink(victim.c_str(), dir.File("link.png").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0644), 0);
    dir.MakeDir("sub");
    for (const char* name : {"missing.png", "link.png", "pipe", "sub"}) {
        EXPECT_FALSE(WriteIntoCallersFile(dir.File(name), Text("x"), Durability::Replaceable)) << name;
    }
    EXPECT_EQ(ReadText(victim), "precious");
    if (::geteuid() == 0) {  // only root can give a file away
        const std::string others = dir.Write("others.png", "theirs");
        ASSERT_EQ(chown(others.c_str(), 1, 1), 0);
        EXPECT_FALSE(WriteIntoCallersFile(others, Text("x"), Durability::Replaceable));
        EXPECT_EQ(ReadText(others), "theirs");
    }

    const std::string readOnly = dir.Write("ro.png", "keep");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(ErrorOf([&] { WriteIntoCallersFile(readOnly, Text("x"), Durability::Replaceable); }), "File access denied");
    EXPECT_EQ(ReadText(readOnly), "keep");
    test::FailNth(test::Fault::Write, 1, ENOSPC);
    EXPECT_EQ(ErrorOf([&] { WriteIntoCallersFile(made, Text("more"), Durability::Replaceable); }), "Disk full");
    test::FailNth(test::Fault::Fsync, 1, EIO);
    EXPECT_EQ(FileOf([&] { WriteIntoCallersFile(made, Text("more"), Durability::Durable); }), made);
    test::ResetFaults();
    for (const std::string& name : Names(dir.Path())) EXPECT_FALSE(IsTempName(name)) << name;
}

// Processes writing one name at once each leave a whole file: the name ends up with one of
// their contents, never a mix, and no temporary stays.
TEST(FileOutput, WritersOfOneNameAtOnceLeaveOneWholeFile) {
    test::TempFolder dir;
    const std::string target = dir.File("d.bin");
    for (int round = 0; round < 10; ++round) {
        std::vector<pid_t> children;
        for (int writer = 0; writer < 4; ++writer) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                const Bytes content(300000, static_cast<std::uint8_t>('a' + writer));
                for (int k = 0; k < 5; ++k) WriteWholeFile(target, content, Durability::Replaceable);
                _exit(0);
            }
            children.push_back(pid);
        }
        for (const pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const Bytes now = test::ReadBytes(target);
        ASSERT_EQ(now.size(), 300000u);
        EXPECT_TRUE(std::all_of(now.begin(), now.end(), [&](std::uint8_t b) { return b == now[0]; }));
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"d.bin"});
    }
}

// A folder that takes no new file around a file that may be written (a writable settings file
// in a read-only program folder): the file is written in place. Root ignores the folder's bits,
// so the child that runs it gives up root first.
// A folder that takes no new file: the settings file is written in place as it always was; a dump
// or picture is refused, naming the folder, and stays as it was (in place, a killed write would
// leave it half written). Run as a user who is not root, since root passes the folder's rights;
// returns 0 when all holds, else the number of the step that failed.
int WriteIntoAReadOnlyFolder() {
    constexpr uid_t kNobody = 65534;
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return 1;
    std::string app = "/tmp/vesk-app-XXXXXX";
    if (!mkdtemp(app.data())) return 2;
    const std::string ini = app + "/vesk.ini";
    const std::string dump = app + "/d.bin";
    const auto check = [&]() -> int {
        WriteWholeFile(ini, Text("[Temp]\nX=1\n"), Durability::SettingsFile);
        WriteWholeFile(dump, Text("old dump"), Durability::Durable);
        if (chmod(app.c_str(), 0555) != 0) return 3;
        WriteWholeFile(ini, Text("[Temp]\nX=2\n"), Durability::SettingsFile);
        if (ReadWholeFile(ini) != Text("[Temp]\nX=2\n")) return 4;
        try {
            WriteWholeFile(dump, Text("new dump"), Durability::Durable);
            return 5;
        } catch (const Error& e) {
            if (std::string(e.what()) != "Unable to write to " + app || e.File() != app) return 6;
        }
        if (ReadWholeFile(dump) != Text("old dump")) return 7;
        try {  // a new file has nowhere to go either
            WriteWholeFile(app + "/new.bin", Text("x"), Durability::Durable);
            return 8;
        } catch (const Error& e) {
            if (e.File() != app) return 9;
        }
        const std::vector<std::string> expected = {"d.bin", "vesk.ini"};
        return Names(app + "/") == expected ? 0 : 10;
    };
    const int status = check();
    chmod(app.c_str(), 0755);
    unlink(ini.c_str());
    unlink(dump.c_str());
    rmdir(app.c_str());
    return status;
}

TEST(FileOutputDeathTest, AReadOnlyFolderTakesOnlyTheSettingsFileInPlace) {
    EXPECT_EXIT(_exit(WriteIntoAReadOnlyFolder()), testing::ExitedWithCode(0), "");
}

// Stopped by a signal in the middle of a write, the process leaves no temporary, and still ends
// as the signal ends it.
TEST(FileOutputDeathTest, ASignalDuringAWriteRemovesTheTemporary) {
    test::TempFolder dir;
    for (const int signal : {SIGINT, SIGTERM}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RemoveTemporariesOnSignals();
            FileOutput out = FileOutput::Create(dir.File("d.bin"), Durability::Durable);
            out.Write(Text("half"));
            raise(signal);
            _exit(3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{});
    }
}

TEST(FileOutput, ThePlanOfManyFilesIsCheckedAgainstTheFreeSpace) {
    test::TempFolder dir;
    const test::FreeSpace disk(4096 * 10);
    const std::vector<std::int64_t> fits{4096 * 9, 1};  // ten blocks, one of them for a byte
    const std::vector<std::int64_t> tooMuch{4096 * 9, 1, 1};
    EXPECT_NO_THROW(CheckRoomFor(dir.Path(), fits));
    EXPECT_EQ(ErrorOf([&] { CheckRoomFor(dir.File("new/deeper/"), tooMuch); }),
              "Не хватает места: нужно 45056 байт, свободно 40960 байт. Ничего не записано.");
    EXPECT_EQ(FileOf([&] { CheckRoomFor(dir.File("new/deeper/"), tooMuch); }), dir.File("new/deeper/"));
    // The folders still to be made take the room of the one that stands.
    EXPECT_EQ(disk.Asked() + "/", dir.Path());
}

}  // namespace
}  // namespace vesk

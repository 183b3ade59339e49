// Every writing command with each of its writes, flushes and renames failed in turn, as a full
// or failing disk would: each target is its old file or its new one, no temporary is left, and
// the error names the file. And read-only targets and links at output names.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "assembly/repack.h"
#include "badinput/bad_input.h"
#include "base/error.h"
#include "dump/commands.h"
#include "form/settings_commands.h"
#include "picture/commands.h"
#include "platform/file_output.h"
#include "support/faults.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// The sample's settings and the patterns a build writes.
const char kBuildPatterns[] = "[HEX]\n01=F0F1\n11=E0E1\n21=A1\n31=D1D2\n[FAT]\nAddrIs=address\n";

class InterruptedWritesTest : public BadInputTest {
protected:
    // Runs the command once whole, then again from `reset` with each call of each kind failing
    // in turn, until a run makes fewer calls than the one to fail. After every run the folder
    // differs from the snapshot taken after `reset` in the targets alone, each of them old or
    // as the whole run left it, and the error names one of them.
    // `together`: the targets change all or none (a dump and its backup).
    void EveryFault(const std::function<void()>& reset, const std::function<void()>& command, bool together = false) {
        reset();
        const Snapshot before = Take(temp_.Path());
        command();
        const Snapshot whole = Take(temp_.Path());
        std::set<std::string> targets;
        for (const std::string& path : Changed(before, whole)) targets.insert(temp_.File(path));
        ASSERT_FALSE(targets.empty());
        for (const test::Fault fault : {test::Fault::Write, test::Fault::Fsync, test::Fault::Rename}) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault) << ", call " << n);
                reset();
                test::ResetFaults();
                test::FailNth(fault, n, n % 2 ? ENOSPC : EIO);
                std::string named = "none";
                try {
                    command();
                } catch (const Error& e) {
                    named = e.File();
                }
                const test::CallCounts counts = test::ResetFaults();
                const int calls = fault == test::Fault::Write ? counts.writes : fault == test::Fault::Fsync ? counts.fsyncs : counts.renames;
                const Snapshot after = Take(temp_.Path());
                const std::vector<std::string> changed = Changed(before, after);
                for (const std::string& path : changed) {
                    EXPECT_TRUE(whole.count(path) && whole.at(path) == after.at(path)) << path << " is neither old nor new";
                }
                if (together) {
                    EXPECT_TRUE(changed.empty() || changed.size() == targets.size()) << "only some targets changed";
                }
                for (const auto& [path, bytes] : after) EXPECT_FALSE(fs::path(path).filename().string().starts_with(kTempPrefix)) << path;
                if (calls < n) {
                    EXPECT_EQ(named, "none");
                    break;
                }
                EXPECT_TRUE(targets.count(named)) << "the error names " << named;
            }
        }
    }

    std::string BuildFile() const { return assembly::BuildFilePath(form_, folder_); }
    TextGrid& BuildGrid() { return form_.BuildGrid; }
};

TEST_F(InterruptedWritesTest, BlankFormatAndAssembly) {
    // The sample's list address at 1 is for reading; a build writes its neighbour at List - 2.
    std::string profile = profile_;
    profile.replace(profile.find("List=0x00000001"), 15, "List=0x00000010");
    WriteProfile(profile);
    form_.BuildNameEdit = "new.bin";
    temp_.Write("system/a.dat", Bytes(9000, 0x11));
    temp_.Write("system/b.dat", Bytes(100, 0x22));
    WriteSettings(settings_ + kBuildPatterns + "[Files]\n1=system/a.dat\n2=system/b.dat\n");
    AddSystemFiles(form_, host_, folder_);
    const auto old = [&] { temp_.Write("bins/new.bin", "an old dump"); };
    EveryFault(old, [&] { MakeBlankDump(form_, host_, folder_); });

    const auto blank = [&] {
        old();
        MakeBlankDump(form_, host_, folder_);
    };
    EveryFault(blank, [&] { FormatDump(form_, host_, folder_); });
    EveryFault(
        [&] {
            blank();
            FormatDump(form_, host_, folder_);
        },
        [&] { AssembleDump(form_, host_, folder_); });
}

// "Собрать всё" onto the dump it replaces: the new dump and the old one's backup come together,
// or the dump and its older backup stay as they were.
TEST_F(InterruptedWritesTest, AssembleAllReplacesTheDumpAndItsBackupTogether) {
    std::string profile = profile_;
    profile.replace(profile.find("List=0x00000001"), 15, "List=0x00000010");
    WriteProfile(profile);
    // The build must read back: the list address and every block place known through [FIX].
    std::string places = "[FIX]\n2E=2E\n[Address]\n";
    for (int k = 0; k < 15; ++k) {
        places += std::to_string(2114 + 4096 * k) + "=" + (k % 2 ? "C2E" : "42E") + std::to_string(k / 2) + "\n";
    }
    WriteSettings(settings_ + kBuildPatterns + places);
    const std::string a = temp_.Write("files/a.dat", Bytes(5000, 0x33));
    BuildGrid().SetCell(kBuildNameCol, 1, "a.dat");
    BuildGrid().SetCell(kBuildSizeCol, 1, "5000");
    BuildGrid().SetCell(kBuildAddressCol, 1, "0100");
    BuildGrid().SetCell(kBuildGroupCol, 1, "01");
    BuildGrid().SetCell(kBuildNumberCol, 1, "1");
    BuildGrid().SetCell(kBuildPathCol, 1, a);
    form_.BuildNameEdit = "d.bin";
    EveryFault(
        [&] {
            temp_.Write("bins/d.bin", "the dump as it was");
            temp_.Write("bins/d.bin.bak", "an older backup");
        },
        [&] { AssembleAll(form_, host_, folder_); }, true);
}

TEST_F(InterruptedWritesTest, UnpackingWritesEachFileWholeOrNotAtAll) {
    ASSERT_EQ(Read(), "");
    EveryFault(
        [&] {
            fs::remove_all(form_.TempFolderEdit);
            temp_.MakeDir("files");
            temp_.Write("files/MELODY.mid", "an earlier good copy");
        },
        [&] { UnpackFiles(form_, host_, folder_); });
}

TEST_F(InterruptedWritesTest, PicturesAndSettings) {
    form_.ImageView = Picture(40, 30, 0x00336699);
    for (const PictureKind kind : {PictureKind::Bmp, PictureKind::Jpeg, PictureKind::C10}) {
        const std::string name = "pic" + std::string(InfoOf(kind).extension);
        SCOPED_TRACE(name);
        EveryFault([&] { temp_.Write(name, "an old picture"); }, [&] { SaveImage(form_, host_, temp_.File("pic"), kind); });
    }
    form_.TempFolderEdit = "/somewhere/else/";
    EveryFault([&] { WriteSettings(settings_); }, [&] { ApplyUnpackFolder(form_, folder_); });
}

TEST_F(InterruptedWritesTest, ReadOnlyTargetsAreRefusedByEveryWriter) {
    form_.BuildNameEdit = "ro.bin";
    temp_.Write("bins/ro.bin", Bytes(48 * kSector, 0xFF));
    ASSERT_EQ(chmod(BuildFile().c_str(), 0444), 0);
    temp_.Write("system/a.dat", Bytes(100, 0x11));
    WriteSettings(settings_ + kBuildPatterns + "[Files]\n1=system/a.dat\n");
    AddSystemFiles(form_, host_, folder_);
    form_.ImageView = Picture(4, 4);
    temp_.Write("pic.jpg", "a read-only picture");
    ASSERT_EQ(chmod(temp_.File("pic.jpg").c_str(), 0444), 0);
    const Snapshot before = Take(temp_.Path());
    for (const auto& command : std::vector<std::function<void()>>{
             [&] { MakeBlankDump(form_, host_, folder_); },
             [&] { FormatDump(form_, host_, folder_); },
             [&] { AssembleDump(form_, host_, folder_); },
         }) {
        EXPECT_EQ(ErrorOf(command), "File access denied");
    }
    EXPECT_EQ(ErrorOf([&] { SaveImage(form_, host_, temp_.File("pic"), PictureKind::Jpeg); }), "File access denied");
    EXPECT_TRUE(Changed(before, Take(temp_.Path())).empty());

    ASSERT_EQ(form_.OpenDumpPath, dump_);  // "Системные" leaves the open dump alone
    ASSERT_EQ(Read(), "");
    temp_.Write("files/MELODY.mid", "a read-only copy");
    ASSERT_EQ(chmod(temp_.File("files/MELODY.mid").c_str(), 0444), 0);
    const Snapshot beforeUnpack = Take(temp_.Path());
    EXPECT_EQ(Unpack(), "File access denied");
    for (const std::string& path : Changed(beforeUnpack, Take(temp_.Path()))) EXPECT_NE(path, "files/MELODY.mid");
    EXPECT_EQ(ReadText(temp_.File("files/MELODY.mid")), "a read-only copy");
}

TEST_F(InterruptedWritesTest, UnpackingNeverWritesThroughALink) {
    ASSERT_EQ(Read(), "");
    ASSERT_EQ(Unpack(), "");
    const std::map<std::string, Bytes> expected = Unpacked();
    ASSERT_EQ(expected.size(), 3u);
    const std::string victim = temp_.Write("outside/victim", "precious");
    fs::remove_all(form_.TempFolderEdit);
    temp_.MakeDir("files");
    auto name = expected.begin();
    ASSERT_EQ(symlink(victim.c_str(), (form_.TempFolderEdit + name->first).c_str()), 0);
    ++name;
    ASSERT_EQ(symlink(temp_.File("outside/made").c_str(), (form_.TempFolderEdit + name->first).c_str()), 0);
    ++name;
    temp_.Write("files/" + name->first, "shared");
    ASSERT_EQ(link((form_.TempFolderEdit + name->first).c_str(), temp_.File("outside/other").c_str()), 0);

    ASSERT_EQ(Unpack(), "");
    EXPECT_TRUE(UnpackedAre(expected));
    EXPECT_EQ(ReadText(victim), "precious");
    EXPECT_FALSE(fs::exists(temp_.File("outside/made")));
    EXPECT_EQ(ReadText(temp_.File("outside/other")), "shared");
}

}  // namespace
}  // namespace vesk::test

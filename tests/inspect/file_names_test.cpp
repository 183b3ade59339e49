// Entries whose names come out alike as file names: "Распаковка", the typed unpacking of the
// command line, recovery and the list comparison must call every file the same.
#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>

#include <algorithm>
#include <filesystem>

#include "dump/commands.h"
#include "dump/messages.h"
#include "dump/unpack.h"
#include "inspect/commands.h"
#include "inspect/entry_view.h"
#include "inspect/inspect_fixture.h"
#include "inspect/list_diff.h"
#include "platform/file_output.h"

namespace vesk::test {
namespace {

using Names = std::vector<std::string>;

// The file names in a folder, without their extension, sorted.
Names FilesIn(const std::string& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

Names Sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

class FileNamesTest : public InspectTest {
protected:
    FileNamesTest() {
        PutList(3, 1, 0x00);  // an empty older list: every file of the current one is added
        const char* names[] = {"a", "a", "a/", "a (2)"};
        for (int i = 0; i < 4; ++i) {
            PutFile(i, names[i], Pattern(50, static_cast<std::uint8_t>(i + 1)), PlaceAddress(i), {{1, i, i}});
        }
        PutFile(4, "b", Pattern(10, 9), "0500", {});  // no block: unpacking writes no file for it
        // Named as our temporaries are: the clean-up of stale ones must never take it.
        PutFile(5, ".vesk-tmp-0", Pattern(20, 7), PlaceAddress(5), {{1, 5, 5}});
        w.Dump(image);
        w.form.ListAddressEdit = "0x00000842";
    }
};

TEST_F(FileNamesTest, UnpackRecoverAndDiffNameEveryFileAlike) {
    // The rule, spelled out: the second "a" and the "a (2)" that was listed as such both give
    // way; "/" cannot stand in a file name.
    const Names expected = Sorted({"a", "a (2)", "a_", "a (2) (2)", "_vesk-tmp-0"});

    ReadFileList(w.form, w.host, w.folder);
    UnpackFiles(w.form, w.host, w.folder);
    EXPECT_EQ(FilesIn(w.form.TempFolderEdit), expected);
    const utimbuf longAgo{std::time(nullptr) - 7200, std::time(nullptr) - 7200};
    for (const auto& entry : std::filesystem::directory_iterator(w.form.TempFolderEdit)) {
        ASSERT_EQ(utime(entry.path().c_str(), &longAgo), 0);
    }
    RemoveOldTemporaries(w.form.TempFolderEdit, 3600);
    EXPECT_EQ(FilesIn(w.form.TempFolderEdit), expected);

    const std::string typed = w.temp.MakeDir("typed");
    FirmwareProfile profile(w.folder, "T", ProfileUse::Reading, messages::ToHost(w.host));
    DumpReader dump(w.form.OpenDumpPath);
    const std::vector<ListEntry> entries = ReadListFile(w.form.OpenDumpPath, BlockAt(0, 0), w.folder, "T", messages::ToHost(w.host));
    Unpack(dump, profile, Settings(w.folder), entries, typed);
    EXPECT_EQ(FilesIn(typed), expected);

    RecoverOpenDump(w.form, w.host, w.folder, w.temp.Path() + "recovered");
    EXPECT_EQ(FilesIn(w.temp.Path() + "recovered/0x00000842"), expected);

    const ListDiff diff = DiffLists({w.form.OpenDumpPath, BlockAt(3, 1)}, {w.form.OpenDumpPath, BlockAt(0, 0)}, w.folder, "T",
                                    messages::ToHost(w.host));
    // "b" gets no file; it is named after the files, by the same rule.
    EXPECT_EQ(diff.added, (Names{"a", "a (2)", "a_", "a (2) (2)", "b", "_vesk-tmp-0"}));
}

// A name of dots with an empty [EXT] value would name the folder itself or its parent: the file is
// written under "_" and the files after it too, by unpacking and by recovery.
class DotNamesTest : public InspectTest {};

TEST_F(DotNamesTest, DotsWithAnEmptyExtensionStillNameAFile) {
    w.Settings("[KOD]\n00=?\n[EXT]\n444F54=\n");
    const std::vector<std::uint8_t> dots = {'D', 'O', 'T', 1, 2, 3};
    PutFile(0, "..", dots, PlaceAddress(0), {{1, 0, 0}});
    PutFile(1, ".", dots, PlaceAddress(1), {{1, 1, 1}});
    PutFile(2, "z", Pattern(30, 4), PlaceAddress(2), {{1, 2, 2}});
    w.Dump(image);
    w.form.ListAddressEdit = "0x00000842";
    ReadFileList(w.form, w.host, w.folder);
    UnpackFiles(w.form, w.host, w.folder);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(w.form.TempFolderEdit)) {
        files.push_back(entry.path().filename().string());
        EXPECT_TRUE(entry.is_regular_file()) << files.back();
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Names{"_.", "_..", "z.bin"}));

    RecoverOpenDump(w.form, w.host, w.folder, w.temp.Path() + "recovered");
    files.clear();
    for (const auto& entry : std::filesystem::directory_iterator(w.temp.Path() + "recovered/0x00000842")) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Names{"_.", "_..", "z.bin"}));

    // The entry viewer, `vesk cat` and `vesk info` call them so too, and find them by that name.
    const ListFiles list = ReadListFiles(w.form.OpenDumpPath, BlockAt(0, 0), w.folder, "T", messages::ToHost(w.host));
    ASSERT_EQ(list.files.size(), 3u);
    EXPECT_EQ(list.files[0].FullName(), "_..");
    EXPECT_EQ(list.files[1].FullName(), "_.");
    EXPECT_EQ(&FindEntryFile(list, "_.."), &list.files[0]);
}

}  // namespace
}  // namespace vesk::test

// The entry viewer's reading on the installed sample dump: every file read in memory is the file
// "Распаковка" writes, byte for byte, and every sample is judged by its content as what it was
// made as (the sample tool's trailer-form and multi-frame C10 pictures among them).
#include <filesystem>

#include "config/settings.h"
#include "dump/commands.h"
#include "e2e/installed_folder.h"
#include "inspect/entry_view.h"
#include "picture/content_judge.h"
#include "samples/sample_content.h"
#include "samples/sample_installation.h"
#include "support/temp_folder.h"

namespace vesk::test {
namespace {

class SampleEntriesTest : public InstalledFolderTest {};

std::string KindOfSample(const std::string& extension) {
    if (extension == ".c10") return "C10";
    if (extension == ".jpg") return "JPEG";
    if (extension == ".bmp") return "BMP";
    if (extension == ".txt" || extension == ".vcf" || extension == ".jad") return "text";
    return extension;  // melodies and sounds: the extension [EXT] gives them
}

TEST_F(SampleEntriesTest, EveryFileInMemoryIsTheUnpackedFileAndIsJudgedAsWhatItIs) {
    form_.FirmwareCombo = StartupFirmware(Settings(folder_));
    form_.OpenDumpPath = folder_.Bins() + samples::kSampleDump;
    OpenDump(form_, host_, folder_);
    ReadFileList(form_, host_, folder_);
    form_.TempFolderEdit = temp_.MakeDir("unpacked");
    UnpackFiles(form_, host_, folder_);
    ExpectNoBoxes();
    const auto unpacked = ByStem(form_.TempFolderEdit + "/");

    const ListFiles list = ReadListFiles(form_.OpenDumpPath, std::nullopt, folder_, form_.FirmwareCombo, [](const std::string& m) { ADD_FAILURE() << m; });
    EXPECT_EQ(list.list, 0x842);
    ASSERT_EQ(list.files.size(), unpacked.size());
    for (const EntryFile& file : list.files) {
        ASSERT_TRUE(unpacked.count(file.fileName)) << file.fileName;
        const std::string& path = unpacked.at(file.fileName);
        EXPECT_EQ(std::filesystem::path(path).filename().string(), file.FullName());
        EXPECT_EQ(file.bytes, ReadBytes(path)) << file.fileName;
    }

    int pictures = 0;
    for (const samples::SampleFile& sample : samples::SampleFiles()) {
        const EntryFile& file = FindEntryFile(list, sample.name);
        const ContentInfo info = JudgeContent(file.bytes, file.extension);
        EXPECT_EQ(info.kindName, KindOfSample(sample.extension)) << sample.name;
        EXPECT_FALSE(info.damaged) << sample.name << ": " << info.problem;
        if (info.IsPicture()) {
            ++pictures;
            EXPECT_GT(info.width, 0) << sample.name;
            EXPECT_GE(info.frames, 1) << sample.name;
        }
    }
    EXPECT_GE(pictures, 10);
    // The sample tool's pictures: a ball of six frames, the wallpaper in the trailer form.
    const ContentInfo ball = JudgeContent(FindEntryFile(list, "Шарик").bytes, ".c10");
    EXPECT_EQ(ball.frames, 6);
    const ContentInfo wallpaper = JudgeContent(FindEntryFile(list, "Фон").bytes, ".c10");
    ASSERT_TRUE(wallpaper.c10);
    EXPECT_EQ(wallpaper.c10->form, C10Form::Trailer);
}

}  // namespace
}  // namespace vesk::test

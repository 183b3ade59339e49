// The reading road on the installed sample dump, then the building road back: the unpacked
// files built into a new dump with every shipped profile, read back byte for byte.
#include <filesystem>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "e2e/installed_folder.h"
#include "samples/sample_content.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

class SampleDumpTest : public InstalledFolderTest {
protected:
    // Where each file of the sample dump came from, by its name in the list, in list order.
    std::vector<std::pair<std::string, std::string>> Sources() const {
        std::vector<std::pair<std::string, std::string>> sources;
        const Settings settings(folder_);
        for (int n = 1; !settings.SystemFile(n).empty(); ++n) {
            const std::string path = app_ + settings.SystemFile(n);
            sources.emplace_back(fs::path(path).filename().string(), path);
        }
        for (const samples::SampleFile& f : samples::SampleFiles()) {
            sources.emplace_back(f.name, app_ + samples::kSamplesFolder + f.name + f.extension);
        }
        return sources;
    }

    // "Открыть", "Поиск", "Распаковка" with the start-up firmware; returns the unpacked files.
    std::map<std::string, std::string> OpenListAndUnpack(Form& form, const std::string& dump, const std::string& out) {
        form.OpenDumpPath = dump;
        OpenDump(form, host_, folder_);
        ReadFileList(form, host_, folder_);
        form.TempFolderEdit = out;
        UnpackFiles(form, host_, folder_);
        ExpectNoBoxes();
        return ByStem(out);
    }

    static std::vector<std::string> ListedNames(const Form& form) {
        std::vector<std::string> names;
        for (int r = 1; !form.FileGrid.Cell(kFileNameCol, r).empty(); ++r) names.push_back(form.FileGrid.Cell(kFileNameCol, r));
        return names;
    }
};

TEST_F(SampleDumpTest, ListsReadAndUnpackEveryFileAsItsSource) {
    form_.FirmwareCombo = StartupFirmware(Settings(folder_));
    const auto unpacked = OpenListAndUnpack(form_, folder_.Bins() + samples::kSampleDump, folder_.Files());

    // Two lists: the current one is selected, the older one stays on offer.
    EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 1), samples::kCurrentList);
    EXPECT_EQ(form_.ListsGrid.Cell(kListsCol, 2), samples::kOlderList);
    EXPECT_EQ(form_.ListAddressEdit, samples::kCurrentList);
    EXPECT_EQ(host_.status[1], "Кол-во списков в памяти : 2");

    const auto sources = Sources();
    EXPECT_EQ(host_.status[2], "Всего файлов : " + std::to_string(sources.size()));
    std::vector<std::string> expected;
    for (const auto& [name, path] : sources) expected.push_back(name);
    EXPECT_EQ(ListedNames(form_), expected);
    ASSERT_EQ(unpacked.size(), sources.size());
    for (const auto& [name, path] : sources) {
        ASSERT_TRUE(unpacked.count(name)) << name;
        EXPECT_EQ(ReadBytes(unpacked.at(name)), ReadBytes(path)) << name;
    }
    // The extensions come from the content: the sources' own, where [EXT] knows the signature.
    EXPECT_EQ(fs::path(unpacked.at("Закат")).extension(), ".jpg");
    EXPECT_EQ(fs::path(unpacked.at("Шарик")).extension(), ".c10");
    EXPECT_EQ(fs::path(unpacked.at("Вальс")).extension(), ".mid");

    // The older list holds the first files of the current one, with the same content.
    Form older;
    older.FirmwareCombo = form_.FirmwareCombo;
    older.OpenDumpPath = form_.OpenDumpPath;
    older.ListAddressEdit = samples::kOlderList;
    ReadFileList(older, host_, folder_);
    const std::vector<std::string> olderNames = ListedNames(older);
    ASSERT_GT(olderNames.size(), 3u);
    ASSERT_LT(olderNames.size(), expected.size());
    EXPECT_TRUE(std::equal(olderNames.begin(), olderNames.end(), expected.begin()));
    older.TempFolderEdit = temp_.MakeDir("older");
    UnpackFiles(older, host_, folder_);
    ExpectNoBoxes();
    for (const auto& [name, path] : ByStem(older.TempFolderEdit)) EXPECT_EQ(ReadBytes(path), ReadBytes(unpacked.at(name))) << name;
}

TEST_F(SampleDumpTest, UnpackedFilesBuildIntoANewDumpWithEveryProfile) {
    form_.FirmwareCombo = StartupFirmware(Settings(folder_));
    const auto unpacked = OpenListAndUnpack(form_, folder_.Bins() + samples::kSampleDump, folder_.Files());
    const std::vector<std::string> names = ListedNames(form_);
    ASSERT_EQ(unpacked.size(), names.size());

    for (const std::string& firmware : FirmwareNames(Settings(folder_))) {
        SCOPED_TRACE(firmware);
        // "Свои", "Добавить" for each file in list order, the names without their extensions
        // ("Переименовать"), then a blank, formatted image and "Собрать".
        Form build;
        build.FirmwareCombo = firmware;
        build.BuildNameEdit = "rebuilt-" + firmware + ".bin";
        for (std::size_t i = 0; i < names.size(); ++i) {
            host_.selectedFile = unpacked.at(names[i]);
            AddSelectedFile(build, host_, folder_);
            ASSERT_EQ(build.BuildGrid.Cell(kBuildPathCol, static_cast<int>(i) + 1), host_.selectedFile);
            build.BuildGrid.SetCell(kBuildNameCol, static_cast<int>(i) + 1, names[i]);
        }
        EXPECT_EQ(host_.progressMax, static_cast<int>(names.size()));
        MakeBlankDump(build, host_, folder_);
        FormatDump(build, host_, folder_);
        AssembleDump(build, host_, folder_);
        ExpectNoBoxes();

        Form back;
        back.FirmwareCombo = firmware;
        const auto again = OpenListAndUnpack(back, assembly::BuildFilePath(build, folder_), temp_.MakeDir(firmware));
        EXPECT_EQ(back.ListAddressEdit, samples::kCurrentList);
        EXPECT_EQ(ListedNames(back), names);
        ASSERT_EQ(again.size(), unpacked.size());
        for (const auto& [name, path] : unpacked) {
            ASSERT_TRUE(again.count(name)) << name;
            EXPECT_EQ(ReadBytes(again.at(name)), ReadBytes(path)) << name;
        }
    }
}

}  // namespace
}  // namespace vesk::test

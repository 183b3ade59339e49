// Repacking the installed sample dump: `vesk repack` without changes reads back entry for entry
// and file for file; one picture replaced gives the same dump from the window's commands as
// from one `vesk repack` line.
#include <cstdlib>
#include <filesystem>

#include "assembly/repack.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "e2e/installed_folder.h"
#include "samples/sample_installation.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct DumpRead {
    std::size_t lists = 0;
    std::vector<std::vector<std::string>> entries;  // name, size, address, group, number
    std::map<std::string, Bytes> files;              // unpacked, by name
};

class RepackSampleTest : public InstalledFolderTest {
protected:
    std::string Firmware() const { return StartupFirmware(Settings(folder_)); }
    std::string Bin(const std::string& name) const { return folder_.Bins() + name; }

    // "Открыть", "Поиск", "Распаковка" into a fresh folder.
    DumpRead ReadDump(const std::string& dump) {
        Form form;
        InitGrids(form);
        form.FirmwareCombo = Firmware();
        form.OpenDumpPath = dump;
        DumpRead read;
        read.lists = OpenDump(form, host_, folder_).lists.size();
        for (const ListEntry& e : ReadFileList(form, host_, folder_).entries) {
            if (!e.InUse()) continue;
            read.entries.push_back({e.name, std::to_string(e.size), e.address, std::to_string(e.groupCode), std::to_string(e.fileNumber)});
        }
        form.TempFolderEdit = temp_.MakeDir("read" + std::to_string(++reads));
        UnpackFiles(form, host_, folder_);
        for (const auto& [name, path] : ByStem(form.TempFolderEdit)) read.files[name] = ReadBytes(path);
        ExpectNoBoxes();
        return read;
    }
    // The installed command line, in the program folder.
    int Vesk(const std::string& args) const {
        const std::string command = "cd \"" + app_ + "\" && ./vesk " + args + " >\"" + temp_.Path() + "vesk.log\" 2>&1";
        return std::system(command.c_str());
    }

    int reads = 0;
};

TEST_F(RepackSampleTest, WithoutChangesTheListReadsBackAsTheDumpsDid) {
    ASSERT_EQ(Vesk("repack bins/sample.bin --out bins/round.bin"), 0) << ReadText(temp_.Path() + "vesk.log");
    const DumpRead before = ReadDump(Bin(samples::kSampleDump));
    const DumpRead after = ReadDump(Bin("round.bin"));
    ASSERT_EQ(before.entries.size(), 30u);
    EXPECT_EQ(after.entries, before.entries);
    EXPECT_EQ(after.files, before.files);
    // The older list is not carried over.
    EXPECT_EQ(before.lists, 2u);
    EXPECT_EQ(after.lists, 1u);
}

TEST_F(RepackSampleTest, OnePictureReplacedInTheWindowOrOnTheCommandLine) {
    const std::string ball = app_ + samples::kSamplesFolder + "Шарик.c10";
    // The window: open the dump, "Поиск" runs inside "В сборку", "Заменить..." on "Фон",
    // "Собрать всё".
    form_.FirmwareCombo = Firmware();
    form_.OpenDumpPath = Bin(samples::kSampleDump);
    OpenDump(form_, host_, folder_);
    TakeListIntoBuild(form_, host_, folder_);
    for (int r = 1; r <= kGridRows; ++r) {
        if (form_.BuildGrid.Cell(kBuildNameCol, r) == "Фон") form_.BuildGrid.Row = r;
    }
    ReplaceBuildFile(form_, ball);
    AssembleAll(form_, host_, folder_);
    ExpectNoBoxes();
    EXPECT_EQ(host_.status[0], "Проверено: 30 файлов");
    ASSERT_TRUE(fs::exists(Bin("sample-new.bin")));

    ASSERT_EQ(Vesk("repack bins/sample.bin --replace Фон samples/Шарик.c10 --out bins/cli.bin"), 0)
        << ReadText(temp_.Path() + "vesk.log");
    EXPECT_EQ(ReadBytes(Bin("cli.bin")), ReadBytes(Bin("sample-new.bin")));

    const DumpRead before = ReadDump(Bin(samples::kSampleDump));
    const DumpRead after = ReadDump(Bin("cli.bin"));
    EXPECT_EQ(after.files.at("Фон"), ReadBytes(ball));
    for (const auto& [name, content] : before.files) {
        if (name != "Фон") {
            EXPECT_EQ(after.files.at(name), content) << name;
        }
    }
}

}  // namespace
}  // namespace vesk::test

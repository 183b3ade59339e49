// Repacking: a dump's list into the build list, the changes, and "Собрать всё", whose read-back
// check keeps every build that would not read back from replacing the dump.
#include <filesystem>
#include <fstream>

#include "assembly/build_fixture.h"
#include "assembly/commands.h"
#include "assembly/repack.h"
#include "dump/commands.h"
#include "platform/file_output.h"
#include "support/error_text.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

class RepackTest : public BuildTest {
protected:
    // bins/orig.bin from four files, and the build list as "В сборку" makes it of that dump.
    void SetUp() override {
        for (int i = 0; i < 4; ++i) {
            contents.push_back(Pattern(i == 2 ? 9000 : 100 + 700 * static_cast<std::size_t>(i), static_cast<unsigned>(i)));
            Add(Source("f" + std::to_string(i), contents.back()));
        }
        form_.BuildGrid.SetCell(kBuildGroupCol, 3, "0A");  // kept as the dump holds it
        form_.BuildGrid.SetCell(kBuildNumberCol, 4, "77");
        original = form_.BuildGrid;
        dump = folder_.Bins() + "orig.bin";
        ASSERT_EQ(AssembleChecked(form_, host_, folder_, dump), 4);
        form_ = Form{};
        InitGrids(form_);
        form_.FirmwareCombo = "Test";
        form_.OpenDumpPath = dump;
        form_.ListAddressEdit = "0x00000842";
        TakeListIntoBuild(form_, host_, folder_);
    }

    // The entries of the list that opening the dump selects, as rows of cells.
    std::vector<std::vector<std::string>> Entries(const std::string& path) {
        Form back;
        InitGrids(back);
        back.FirmwareCombo = "Test";
        back.OpenDumpPath = path;
        OpenDump(back, host_, folder_);
        std::vector<std::vector<std::string>> rows;
        for (const ListEntry& e : ReadFileList(back, host_, folder_).entries) {
            if (e.InUse()) rows.push_back({e.name, std::to_string(e.size), e.address, ByteToHex(e.groupCode), std::to_string(e.fileNumber)});
        }
        return rows;
    }
    std::vector<std::string> Cells(const TextGrid& grid, int r) const {
        return {grid.Cell(kBuildNameCol, r), grid.Cell(kBuildSizeCol, r), grid.Cell(kBuildAddressCol, r),
                grid.Cell(kBuildGroupCol, r), grid.Cell(kBuildNumberCol, r)};
    }
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Bins())) {
            if (IsTempName(entry.path().filename().string())) names.push_back(entry.path().string());
        }
        return names;
    }

    std::vector<Bytes> contents;
    TextGrid original{7, 101};
    std::string dump;
};

TEST_F(RepackTest, TheListBecomesTheBuildListAndBuildsBackUnchanged) {
    EXPECT_EQ(host_.pages.back(), Page::NewVesk);
    EXPECT_EQ(form_.BuildNameEdit, "orig-new.bin");
    const std::string work = folder_.Files() + "orig/";
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(Cells(form_.BuildGrid, r), Cells(original, r)) << r;
        EXPECT_EQ(form_.BuildGrid.Cell(kBuildPathCol, r), work + "f" + std::to_string(r - 1) + ".bin");
        EXPECT_EQ(ReadBytes(form_.BuildGrid.Cell(kBuildPathCol, r)), contents[static_cast<std::size_t>(r) - 1]);
    }
    EXPECT_EQ(form_.BuildGrid.Cell(kBuildNameCol, 5), "");

    AssembleAll(form_, host_, folder_);
    EXPECT_EQ(host_.status[0], "Проверено: 4 файлов");
    EXPECT_EQ(Entries(folder_.Bins() + "orig-new.bin"), Entries(dump));
    EXPECT_FALSE(fs::exists(folder_.Bins() + "orig-new.bin.bak"));
    // Built again: the file it replaces is kept once.
    const Bytes first = ReadBytes(folder_.Bins() + "orig-new.bin");
    AssembleAll(form_, host_, folder_);
    EXPECT_EQ(ReadBytes(folder_.Bins() + "orig-new.bin.bak"), first);
}

TEST_F(RepackTest, ReplaceRemoveAndRenameBuildEveryRowLeft) {
    const Bytes picture = Pattern(5000, 99);
    form_.BuildGrid.Row = 2;
    ReplaceBuildFile(form_, Source("new.pic", picture));
    EXPECT_EQ(Cells(form_.BuildGrid, 2), (std::vector<std::string>{"f1", "5000", "0200", "01", "2"}));
    form_.BuildGrid.Row = 3;
    ClearBuildRow(form_);  // "Собрать" would end the list here and drop row 4
    form_.BuildGrid.SetCell(kBuildNameCol, 4, "Звонок");

    AssembleAll(form_, host_, folder_);
    EXPECT_EQ(host_.status[0], "Проверено: 3 файлов");
    const auto entries = Entries(folder_.Bins() + "orig-new.bin");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1], (std::vector<std::string>{"f1", "5000", "0200", "01", "2"}));
    EXPECT_EQ(entries[2], (std::vector<std::string>{"Звонок", std::to_string(contents[3].size()), "0400", "01", "77"}));

    Form back;
    back.FirmwareCombo = "Test";
    back.OpenDumpPath = folder_.Bins() + "orig-new.bin";
    back.ListAddressEdit = "0x00000842";
    ReadFileList(back, host_, folder_);
    EXPECT_EQ(ReadBytes(ExtractRows(back, host_, folder_, {2}, temp_.File("out")).at(0)), picture);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_.File("out")), fs::directory_iterator()), 1);  // that row alone
}

TEST_F(RepackTest, AChangedByteRefusesTheBuildAndLeavesTheDump) {
    const std::string target = folder_.Bins() + "orig-new.bin";
    temp_.Write("bins/orig-new.bin", "old");
    struct Fault {
        std::int64_t at;
        std::string says;
    };
    const Fault faults[] = {
        {0x842 + 18 + 1, "Строка 2 («f1»): имя читается как"},           // a name byte of entry 2
        {0x842 + 3 * 18 + 16, "Строка 4 («f3»): адрес читается как"},     // entry 4's address
        {0x2842 + 2 + 17, "Строка 1 («f0»): содержимое расходится с файлом сборки с байта 17."},
        {2, "Новый дамп не открывается: Неизвестный адрес списка 18E0"},  // sector 0's list address
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.says);
        const std::string error = ErrorOf([&] {
            AssembleChecked(form_, host_, folder_, target, [&](Bytes& image) { image[static_cast<std::size_t>(fault.at)] ^= 0x5A; });
        });
        EXPECT_NE(error.find("Сборка отменена, файл сборки не изменён."), std::string::npos) << error;
        EXPECT_NE(error.find(fault.says), std::string::npos) << error;
        EXPECT_EQ(ReadText(target), "old");
        EXPECT_FALSE(fs::exists(target + ".bak"));
        EXPECT_TRUE(Temporaries().empty());
    }
}

// Another program changed the dump after "В сборку": building over it would lose that change.
TEST_F(RepackTest, ADumpChangedSinceItWasTakenIsNotBuiltOver) {
    Bytes changed = ReadBytes(dump);
    changed.back() ^= 0x01;
    {
        std::ofstream out(dump, std::ios::binary | std::ios::in);  // in place: the same file, new content
        out.seekp(static_cast<std::streamoff>(changed.size() - 1));
        out.put(static_cast<char>(changed.back()));
    }
    form_.BuildNameEdit = "orig.bin";  // built over the dump it was taken from
    const std::string error = ErrorOf([&] { AssembleAll(form_, host_, folder_); });
    EXPECT_NE(error.find("изменён другой программой после «В сборку»"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(dump), changed);
    EXPECT_FALSE(fs::exists(dump + ".bak"));
    // Taken again, it builds.
    TakeListIntoBuild(form_, host_, folder_);
    form_.BuildNameEdit = "orig.bin";
    EXPECT_EQ(ErrorOf([&] { AssembleAll(form_, host_, folder_); }), "");
    EXPECT_TRUE(fs::exists(dump + ".bak"));
}

TEST_F(RepackTest, RowsThatCannotBuildAreRefusedFirst) {
    const std::string target = folder_.Bins() + "orig-new.bin";
    fs::remove(form_.BuildGrid.Cell(kBuildPathCol, 3));
    EXPECT_NE(ErrorOf([&] { AssembleAll(form_, host_, folder_); }).find("Строка 3, «Путь»"), std::string::npos);
    form_.BuildGrid.SetCell(kBuildPathCol, 3, form_.BuildGrid.Cell(kBuildPathCol, 2));
    form_.BuildGrid.SetCell(kBuildAddressCol, 3, "0100");
    EXPECT_NE(ErrorOf([&] { AssembleAll(form_, host_, folder_); }).find("адрес 0100 уже у строки 1"), std::string::npos);
    form_.BuildGrid.Row = 7;
    EXPECT_NE(ErrorOf([&] { ReplaceBuildFile(form_, dump); }).find("Выберите строку"), std::string::npos);
    form_.BuildGrid.Row = 1;
    EXPECT_EQ(ErrorOf([&] { ReplaceBuildFile(form_, temp_.File("none")); }), "File not found");
    EXPECT_EQ(form_.BuildGrid.Cell(kBuildPathCol, 1), folder_.Files() + "orig/f0.bin");
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(RepackTest, CollectAndCheckReportsWithoutRefusing) {
    // "Собрать" itself: rows up to the first empty name, and the check in the status bar.
    form_.BuildNameEdit = "inplace.bin";
    MakeFormatted();
    AssembleDumpAndCheck(form_, host_, folder_);
    EXPECT_EQ(host_.status[0], "Проверено: 4 файлов");
    // A size cell that is not the file's: written as typed, and the check says so.
    form_.BuildGrid.SetCell(kBuildSizeCol, 2, "10");
    AssembleDumpAndCheck(form_, host_, folder_);
    EXPECT_EQ(host_.status[0], "Проверка не пройдена: Строка 2 («f1»): распаковано байт: 10, а в файле сборки 800.");
    EXPECT_EQ(Entries(BuildPath())[1][1], "10");
}

TEST(RepackNames, NewNameAndWorkFolder) {
    EXPECT_EQ(NewDumpName("/x/bins/phone.bin"), "phone-new.bin");
    EXPECT_EQ(NewDumpName("dump"), "dump-new");
    EXPECT_EQ(NewDumpName("/x/.hidden"), ".hidden-new");
    EXPECT_EQ(NewDumpName("a.b.bin"), "a.b-new.bin");
    EXPECT_EQ(WorkFolderOf(ProgramFolder("/p"), "/x/bins/phone.bin"), "/p/files/phone/");
}

}  // namespace
}  // namespace vesk::test

// lists, files and unpack on dumps built by the window's commands.
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_fixture.h"
#include "cli/json_writer.h"
#include "dump/commands.h"
#include "support/recording_host.h"

namespace vesk::test {
namespace {

class DumpCommandsTest : public CliTest {
protected:
    DumpCommandsTest() {
        a_ = Source("a.dat", Pattern(5000, 1));
        b_ = Source("Звук.mid", Pattern(4090, 2));
        c_ = Source("c.txt", Bytes{'x', 'y', 'z'});
        dump_ = BuildWithWindowCommands("d.bin", {a_, b_, c_});
    }

    // A second list: the list block of sector 0 copied to block place 0 of sector 3, whose
    // header names it; its state byte says it is an older list.
    void AddOlderListInSector3() const {
        Bytes bytes = ReadBytes(dump_);
        std::copy_n(bytes.begin() + 0x842, 4096, bytes.begin() + 3 * 0x10000 + 0x842);
        bytes[3 * 0x10000 + 2] = 0x42;
        bytes[3 * 0x10000 + 3] = 0xE0;
        bytes[3 * 0x10000 + 11] = 0x00;
        // Tell the copy apart: its first name starts with "b" instead of "a".
        bytes[3 * 0x10000 + 0x842] = 'b';
        temp_.Write("bins/d.bin", bytes);
    }

    std::string a_, b_, c_, dump_;
};

TEST_F(DumpCommandsTest, ListsShowsEveryListWithItsStateAndTheSelection) {
    CliResult r = Run({"lists", dump_});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "№  Списки файлов  Состояние  Выбран\n"
              "1  0x00000842     текущий    *\n");

    // The scan selects row 1 when the last list found is not the current one.
    AddOlderListInSector3();
    r = Run({"lists", dump_, "--json"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "{\"dump\":" + cli::JsonString(dump_) +
                         ",\"selected\":\"0x00000842\",\"lists\":["
                         "{\"number\":1,\"position\":\"0x00000842\",\"current\":true,\"selected\":true},"
                         "{\"number\":2,\"position\":\"0x00030842\",\"current\":false,\"selected\":false}]}\n");
}

TEST_F(DumpCommandsTest, FilesShowsTheNamedEntriesOfTheSelectedOrTheGivenList) {
    CliResult r = Run({"files", dump_});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "№  Файл      Размер (байт)  Адрес  Группа  Номер\n"
              "1  a.dat     5000           0100   Звуки   1\n"
              "2  Звук.mid  4090           0200   Звуки   2\n"
              "3  c.txt     3              0300   Звуки   3\n");

    AddOlderListInSector3();
    r = Run({"files", dump_, "--list", "0x00030842", "--json"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "{\"dump\":" + cli::JsonString(dump_) +
                         ",\"list\":\"0x00030842\",\"files\":["
                         "{\"number\":1,\"name\":\"b.dat\",\"size\":5000,\"address\":\"0100\",\"group\":\"Звуки\",\"fileNumber\":1},"
                         "{\"number\":2,\"name\":\"Звук.mid\",\"size\":4090,\"address\":\"0200\",\"group\":\"Звуки\",\"fileNumber\":2},"
                         "{\"number\":3,\"name\":\"c.txt\",\"size\":3,\"address\":\"0300\",\"group\":\"Звуки\",\"fileNumber\":3}]}\n");
}

TEST_F(DumpCommandsTest, FilesAllShowsEveryEntryOfTheList) {
    const CliResult r = Run({"files", dump_, "--all"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), 101u);
    // An unused entry of a built list: zero bytes, which [KOD] turns into no name.
    std::istringstream last(rows[100]);
    std::vector<std::string> cells;
    for (std::string cell; last >> cell;) cells.push_back(cell);
    EXPECT_EQ(cells, (std::vector<std::string>{"100", "0", "0000", "0"}));
}

TEST_F(DumpCommandsTest, UnpackGivesWhatTheWindowsCommandsGive) {
    // The window: open, "Поиск", "Распаковка" into one folder.
    Form form;
    InitGrids(form);
    RecordingHost host;
    form.FirmwareCombo = "Test";
    form.OpenDumpPath = dump_;
    form.TempFolderEdit = temp_.MakeDir("window");
    OpenDump(form, host, folder_);
    ReadFileList(form, host, folder_);
    UnpackFiles(form, host, folder_);

    const CliResult r = Run({"unpack", dump_, "--out", temp_.File("cli/made/here")});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "");
    const auto unpacked = FolderContents(temp_.File("cli/made/here"));
    EXPECT_EQ(unpacked, FolderContents(form.TempFolderEdit));
    ASSERT_EQ(unpacked.size(), 3u);
    EXPECT_EQ(unpacked[0], std::make_pair(std::string("a.dat.bin"), ReadBytes(a_)));
}

TEST_F(DumpCommandsTest, UnpackGoesToTheSettingsFolderWithoutWritingIt) {
    // [Temp] Files empty: files/ of the program folder, and vesk.ini stays as it is (the fixture
    // checks that on every run).
    CliResult r = Run({"unpack", dump_});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(FolderContents(folder_.Files()).size(), 3u);

    const std::string elsewhere = temp_.MakeDir("elsewhere");
    WriteSettings(CliSettings("[Temp]\nFiles=" + elsewhere + "\n"));
    r = Run({"unpack", dump_});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(FolderContents(elsewhere), FolderContents(folder_.Files()));
}

TEST_F(DumpCommandsTest, TheFirmwareIsTheWindowsStartupChoiceUnlessNamed) {
    // [Firmwares] names Other first and Test second; the window starts with the second.
    EXPECT_EQ(Run({"lists", dump_}).status, kExitOk);
    // Without a profile the list address is read at 1 instead of 2: E1 42, which [FIX] cannot place.
    CliResult r = Run({"lists", dump_, "--firmware", "Other"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Неизвестный адрес списка E142\n");
    // With fewer than two names the window selects none.
    WriteSettings(CliSettings().replace(0, std::string("[Firmwares]\n1=Other\n2=Test\n").size(), "[Firmwares]\n1=Test\n"));
    r = Run({"lists", dump_});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Неизвестный адрес списка E142\n");
}

TEST_F(DumpCommandsTest, AnUnknownListAddressStopsWithTheWindowsMessage) {
    WriteSettings(CliSettings().replace(CliSettings().find("2E=2E"), 5, "2F=2F"));
    for (const char* command : {"files", "unpack"}) {
        const CliResult r = Run({command, dump_});
        EXPECT_EQ(r.status, kExitFailed) << command;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Неизвестный адрес списка 42E0\n");
    }
    EXPECT_TRUE(FolderContents(folder_.Files()).empty());
}

TEST_F(DumpCommandsTest, ListsShowsTheListsFoundBeforeAScanStops) {
    // Sector 5 names its list with an address no block place has, after the list of sector 0.
    Bytes bytes = ReadBytes(dump_);
    bytes[5 * 0x10000 + 2] = 0x52;
    bytes[5 * 0x10000 + 3] = 0x00;
    const std::string stopping = temp_.Write("bins/stopping.bin", bytes);
    CliResult r = Run({"lists", stopping});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.out.find("0x00000842"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "Неизвестный адрес списка 5200\n");
    r = Run({"lists", stopping, "--json"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.out.find("\"position\":\"0x00000842\""), std::string::npos) << r.out;
    // A dump cut in sector 3: the list of sector 0, then the read error naming the dump.
    bytes.resize(3 * 0x10000 + 1);
    const std::string cut = temp_.Write("bins/cut.bin", bytes);
    r = Run({"lists", cut});
    EXPECT_NE(r.out.find("0x00000842"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "vesk: " + cut + ": Read beyond end of file\n");
}

TEST_F(DumpCommandsTest, AMissingDumpIsTheRuntimesError) {
    for (const char* command : {"lists", "files", "unpack"}) {
        const CliResult r = Run({command, temp_.File("bins/none.bin")});
        EXPECT_EQ(r.status, kExitFailed) << command;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vesk: " + temp_.File("bins/none.bin") + ": File not found\n");
    }
}

TEST_F(DumpCommandsTest, ADumpWithoutListsListsNothingAndHasNoFilesToRead) {
    Run({"blank", "empty.bin"});
    const std::string empty = folder_.Bins() + "empty.bin";
    CliResult r = Run({"lists", empty});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "№  Списки файлов  Состояние  Выбран\n");
    EXPECT_EQ(Run({"lists", empty, "--json"}).out,
              "{\"dump\":" + cli::JsonString(empty) + ",\"selected\":null,\"lists\":[]}\n");
    r = Run({"files", empty});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "Кол-во списков в памяти : 0\n");
}

TEST_F(DumpCommandsTest, InformationBoxesAreLinesAndTheCommandGoesOn) {
    // A profile value without "0x": the window shows a box at every read of it, a record after
    // record; here it is one line, and the command goes on.
    temp_.Write("Odd.ini", StandardProfile().replace(StandardProfile().find("ToName=0x"), 9, "ToName=00"));
    const CliResult r = Run({"files", dump_, "--firmware", "Odd"});
    EXPECT_EQ(r.status, kExitOk);
    const std::string line = "Неверный адрес 0000000000\n";
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(line), r.err.rfind(line)) << r.err;
    EXPECT_NE(r.out.find("a.dat"), std::string::npos);
}

TEST_F(DumpCommandsTest, ProgressIsDrawnOnlyWhenAskedForAndWipedAtTheEnd) {
    EXPECT_EQ(Run({"lists", dump_}).err, "");
    const CliResult r = Run({"unpack", dump_}, true);
    EXPECT_EQ(r.status, kExitOk);
    // The dump's three files, the last drawn as done.
    EXPECT_NE(r.err.find("\rvesk: 3/3"), std::string::npos) << r.err;
    // Nothing stays on the line afterwards: it ends blanked and back at its start.
    ASSERT_GE(r.err.size(), 2u);
    EXPECT_EQ(r.err.back(), '\r');
    EXPECT_EQ(r.err.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace vesk::test

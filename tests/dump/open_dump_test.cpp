// OpenDump: the scan of the 48 sector headers, the selection rule and its failures.
#include <gtest/gtest.h>

#include "dump/commands.h"
#include "dump/dump_fixture.h"
#include "support/error_text.h"

namespace vesk {
namespace {

using test::DumpImage;
using test::ErrorOf;

class OpenDumpTest : public ::testing::Test {
protected:
    test::Workspace w;
};

TEST_F(OpenDumpTest, TwoListsTheCurrentOneLast) {
    DumpImage image;
    image.SetListAddress(3, "C201");  // place 3
    image.SetListState(3, 0x00);
    image.SetListAddress(9, "4200");
    image.SetListState(9, 0xFF);
    w.Dump(image);
    OpenDump(w.form, w.host, w.folder);

    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 0), "Списки файлов");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 1), "0x00033842");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 2), "0x00090842");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 3), "*** Конец ***");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 4), "");
    EXPECT_EQ(w.form.ListsGrid.Row, 2);
    EXPECT_EQ(w.form.ListAddressEdit, "0x00090842");
    EXPECT_EQ(w.host.pages, std::vector<Page>{Page::Settings});
    EXPECT_EQ(w.host.status[0], "Готово");
    EXPECT_EQ(w.host.status[1], "Кол-во списков в памяти : 2");
    EXPECT_EQ(w.host.caption, "Vesk File Manager d.bin");
    EXPECT_EQ(w.host.progressMax, 48);
    EXPECT_EQ(w.host.progressHistory.size(), 48u);
    EXPECT_EQ(w.host.progress, 47);
    EXPECT_TRUE(w.host.messages.empty());
}

TEST_F(OpenDumpTest, TheLastListNotCurrentSelectsRowOneAndOlderRowsStay) {
    for (int r = 1; r <= 6; ++r) w.form.ListsGrid.SetCell(kListsCol, r, "old " + std::to_string(r));
    DumpImage image;
    image.SetListAddress(3, "C201");
    image.SetListState(3, 0xFF);  // current, but a later list decides the selection
    image.SetListAddress(9, "4200");
    image.SetListState(9, 0x3E);
    w.Dump(image);
    OpenDump(w.form, w.host, w.folder);

    EXPECT_EQ(w.form.ListsGrid.Row, 1);
    EXPECT_EQ(w.form.ListAddressEdit, "0x00033842");
    EXPECT_EQ(w.host.pages, std::vector<Page>{Page::Settings});  // brought forward for sector 3
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 4), "");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 5), "old 5");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 6), "old 6");
}

TEST_F(OpenDumpTest, BlankDumpFindsNoList) {
    w.form.ListsGrid.SetCell(kListsCol, 1, "0x00000842");
    w.form.ListsGrid.Row = 1;
    w.form.ListAddressEdit = "0x00000842";
    w.Dump(DumpImage());
    OpenDump(w.form, w.host, w.folder);

    EXPECT_EQ(w.form.ListAddressEdit, "");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 1), "0x00000842");  // nothing of this dump is written
    EXPECT_EQ(w.host.status[0], "Готово");
    EXPECT_EQ(w.host.status[1], "Кол-во списков в памяти : 0");
}

TEST_F(OpenDumpTest, UnknownAddressStopsUntilFixLearnsIt) {
    w.form.ListAddressEdit = "before";
    DumpImage image;
    image.SetListAddress(0, "42E0");
    image.SetListState(0, 0xFF);
    image.SetListAddress(5, "4200");
    image.SetListState(5, 0x00);
    w.Dump(image);
    EXPECT_EQ(ErrorOf([&] { OpenDump(w.form, w.host, w.folder); }), "Неизвестный адрес списка 42E0");
    EXPECT_EQ(w.form.ListAddressEdit, "before");
    EXPECT_EQ(w.host.status[0], "");
    EXPECT_EQ(w.host.status[1], "");
    EXPECT_EQ(w.host.progress, 0);  // the scan ended in sector 0
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 1), "");

    // The same program run, after the user added the line the notes ask for.
    w.Settings("[FIX]\n2E=2E\n");
    test::RecordingHost again;
    OpenDump(w.form, again, w.folder);
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 1), "0x00000842");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 2), "0x00050842");
    EXPECT_EQ(w.form.ListsGrid.Row, 1);
    EXPECT_EQ(w.form.ListAddressEdit, "0x00000842");
}

TEST_F(OpenDumpTest, Fix1SkipsAValueThatFixWouldMap) {
    w.Settings("[FIX1]\nC207=C207\n4200=4200\n");
    DumpImage image;
    image.SetListAddress(1, "4200");
    image.SetListAddress(2, "C207");  // no block, yet never reported since FIX1 rules it out
    image.SetListAddress(4, "4207");
    w.Dump(image);
    OpenDump(w.form, w.host, w.folder);
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 1), "0x0004E842");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 2), "*** Конец ***");
}

TEST_F(OpenDumpTest, DumpCutShortMidScan) {
    DumpImage image(6);
    image.SetListAddress(2, "4200");
    image.Truncate(test::kSector * 5 + 2);  // the 2-byte read of sector 5 runs past the end
    w.Dump(image);
    w.form.ListAddressEdit = "before";
    EXPECT_EQ(ErrorOf([&] { OpenDump(w.form, w.host, w.folder); }), "Read beyond end of file");
    EXPECT_EQ(w.form.ListsGrid.Cell(kListsCol, 1), "0x00020842");
    EXPECT_EQ(w.form.ListAddressEdit, "before");
    EXPECT_EQ(w.host.status[1], "");
    EXPECT_EQ(w.host.progress, 5);
}

TEST_F(OpenDumpTest, MissingDumpAfterTheCaption) {
    w.form.OpenDumpPath = w.temp.File("bins/none.bin");
    EXPECT_EQ(ErrorOf([&] { OpenDump(w.form, w.host, w.folder); }), "File not found");
    EXPECT_EQ(w.host.caption, "Vesk File Manager none.bin");
}

TEST_F(OpenDumpTest, ProfileValueWithoutPrefixComplainsAtEverySector) {
    // "4" has no "0x": it complains, and its remainder (nothing) reads the address at offset 0.
    w.Profile(test::ProfileText({}, {{"List", "4"}}));
    DumpImage image;
    image.SetListAddress(7, "C200", 0);
    w.Dump(image);
    OpenDump(w.form, w.host, w.folder);
    EXPECT_EQ(w.host.messages, std::vector<std::string>(48, "Неверный адрес 4"));
    EXPECT_EQ(w.form.ListAddressEdit, "0x00071842");
}

TEST_F(OpenDumpTest, MissingProfileUsesTheDefaults) {
    w.form.FirmwareCombo = "NoSuchFirmware";
    DumpImage image;
    image.SetListAddress(0, "4200", 1);  // default List 0x00000001
    w.Dump(image);
    OpenDump(w.form, w.host, w.folder);
    EXPECT_TRUE(w.host.messages.empty());
    EXPECT_EQ(w.form.ListAddressEdit, "0x00000842");
}

TEST_F(OpenDumpTest, ProfilePointingOutsideTheDump) {
    w.Dump(DumpImage());
    w.Profile(test::ProfileText({}, {{"List", "0xFFFFFFF0"}}));
    EXPECT_EQ(ErrorOf([&] { OpenDump(w.form, w.host, w.folder); }), "I/O error 131");
    w.Profile(test::ProfileText({}, {{"List", "0x7FFFFFF0"}}));
    EXPECT_EQ(ErrorOf([&] { OpenDump(w.form, w.host, w.folder); }), "Read beyond end of file");
}

}  // namespace
}  // namespace vesk

// Start-up and closing: what FormCreate reads and writes, and what FormDestroy stores.
#include <QComboBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <utime.h>

#include <ctime>
#include <filesystem>

#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::vector<std::string> Items(QComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
    return items;
}

TEST_F(WindowTest, StartWithoutSettingsCreatesThemWithDefaults) {
    Start();
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Setting("Temp", "Files"), temp.File("files/"));
    EXPECT_EQ(Text("TempFolderEdit"), temp.File("files/"));
    EXPECT_EQ(window->pos(), QPoint(100, 100));
    auto* combo = Find<QComboBox>("FirmwareCombo");
    EXPECT_THAT(Items(combo), ElementsAre(""));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(window->GetForm().FirmwareCombo, "");
    // The folders beside the program are made, and the pane shows bins.
    for (const char* dir : {"bins", "files", "system"}) EXPECT_TRUE(std::filesystem::is_directory(temp.File(dir))) << dir;
    EXPECT_EQ(Find<FilePane>("FolderList")->Folder(), temp.File("bins/"));
}

TEST_F(WindowTest, StartShowsTheDesignedWindow) {
    temp.Write("bins/a.bin", "x");
    temp.Write("bins/.hidden.bin", "x");
    temp.MakeDir("bins/sub");
    Start();
    EXPECT_EQ(window->windowTitle().toStdString(), "Vesk File Manager");
    // Client area 717 x 370 below the menu, fixed.
    EXPECT_EQ(window->width(), 717);
    EXPECT_EQ(window->centralWidget()->height() + window->statusBar()->height(), 370);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(CurrentTab(), "C10");
    auto* tabs = Find<QTabWidget>("Pages");
    std::vector<std::string> captions;
    for (int i = 0; i < tabs->count(); ++i) captions.push_back(tabs->tabText(i).toStdString());
    EXPECT_THAT(captions, ElementsAre("Список", "FAT", "О Программе...", "Настройки", "Новый VESK", "C10", "Карта"));
    EXPECT_FALSE(tabs->isTabVisible(1));
    EXPECT_FALSE(Panel(0).empty());
    EXPECT_EQ(Find<QLabel>("StatusPanel2")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(Find<QLabel>("StatusPanel2")->layoutDirection(), Qt::RightToLeft);
    // Headers of the grids.
    EXPECT_EQ(Cell("FileGrid", kFileRowCol, 0), "№");
    EXPECT_EQ(Cell("FileGrid", kFileSizeCol, 0), "Размер (байт)");
    EXPECT_EQ(Cell("FileGrid", kFileNumberCol, 0), "Номер");
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 0), "Путь");
    EXPECT_EQ(Cell("ListsGrid", kListsCol, 0), "Списки файлов");
    EXPECT_EQ(Find<GridView>("FileGrid")->columnWidth(0), 150);  // "Файл"; "№" is the fixed column
    // The label before BuildNameEdit names bins and ends 5 pixels before the edit.
    auto* label = Find<QLabel>("BuildNameLabel");
    EXPECT_EQ(label->text().toStdString(), temp.File("bins/"));
    EXPECT_EQ(label->x() + label->width() + 5, Find<QLineEdit>("BuildNameEdit")->x());
    // The pane lists files, hidden ones too, and no folders; nothing is selected.
    auto* pane = Find<FilePane>("FolderList");
    ASSERT_EQ(pane->count(), 2);
    EXPECT_EQ(pane->item(0)->text().toStdString(), ".hidden.bin");
    EXPECT_EQ(pane->item(1)->text().toStdString(), "a.bin");
    EXPECT_EQ(pane->SelectedFile(), "");
    EXPECT_FALSE(pane->item(0)->icon().isNull());
}

TEST_F(WindowTest, NoCaptionIsCut) {
    Start();
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        const int needed = button->fontMetrics().horizontalAdvance(button->text()) + 8;
        EXPECT_LE(needed, button->width()) << button->text().toStdString();
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->objectName().startsWith("StatusPanel")) continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
    }
    auto* grid = Find<GridView>("FileGrid");
    for (int c = 0; c < 5; ++c) {
        const QString header = grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_LE(grid->horizontalHeader()->fontMetrics().horizontalAdvance(header) + 4, grid->columnWidth(c))
            << header.toStdString();
    }
}

TEST_F(WindowTest, StartRemovesOldTemporariesAndThePaneNeverShowsThem) {
    // What a killed write left: an old temporary goes, one of a write that may be running stays.
    const std::string old = temp.Write("bins/.vesk-tmp-k1lledk1lled", "half a dump");
    const std::string young = temp.Write("bins/.vesk-tmp-runn1ngrunn1", "being written");
    temp.Write("bins/d.bin", "a dump");
    const utimbuf twoHoursAgo{std::time(nullptr) - 7200, std::time(nullptr) - 7200};
    ASSERT_EQ(utime(old.c_str(), &twoHoursAgo), 0);
    Start();
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_TRUE(std::filesystem::exists(young));
    auto* pane = Find<FilePane>("FolderList");
    ASSERT_EQ(pane->count(), 1);
    EXPECT_EQ(pane->item(0)->text().toStdString(), "d.bin");
}

TEST_F(WindowTest, FirmwareListStopsAtTheFirstGapAndSelectsItemOne) {
    temp.Write("vesk.ini", "[Firmwares]\n1=Alpha\n2=Beta\n4=Delta\n");
    Start();
    auto* combo = Find<QComboBox>("FirmwareCombo");
    EXPECT_THAT(Items(combo), ElementsAre("Alpha", "Beta"));
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(window->GetForm().FirmwareCombo, "Beta");
}

TEST_F(WindowTest, FirmwareListHoldsAtMostOneHundredItems) {
    std::string ini = "[Firmwares]\n";
    for (int n = 1; n <= 120; ++n) ini += std::to_string(n) + "=F" + std::to_string(n) + "\n";
    temp.Write("vesk.ini", ini);
    Start();
    auto* combo = Find<QComboBox>("FirmwareCombo");
    EXPECT_EQ(combo->count(), 100);
    EXPECT_EQ(combo->itemText(99).toStdString(), "F100");
    EXPECT_EQ(combo->currentText().toStdString(), "F2");
}

TEST_F(WindowTest, OneFirmwareIsListedButNotSelected) {
    temp.Write("vesk.ini", "[Firmwares]\n1=Only\n");
    Start();
    auto* combo = Find<QComboBox>("FirmwareCombo");
    EXPECT_THAT(Items(combo), ElementsAre("Only"));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText().toStdString(), "");
}

TEST_F(WindowTest, WindowPositionIsReadAsTheSettingsFileStatesIt) {
    temp.Write("vesk.ini", "[Temp]\nX=0x1F4\nY=abc\nFiles=/somewhere/\n");
    Start();
    EXPECT_EQ(window->pos(), QPoint(500, 100));
    // A value that is already there is not replaced by the default.
    EXPECT_EQ(Text("TempFolderEdit"), "/somewhere/");
    EXPECT_EQ(Setting("Temp", "Files"), "/somewhere/");
    Close();
    temp.Write("vesk.ini", "[Temp]\nX=-5000\nY=0x64\n");
    Start();
    EXPECT_EQ(window->pos(), QPoint(-5000, 100));
}

TEST_F(WindowTest, ClosingStoresThePositionForTheNextStart) {
    Start();
    window->move(300, 200);
    Close();
    EXPECT_EQ(Setting("Temp", "X"), "300");
    EXPECT_EQ(Setting("Temp", "Y"), "200");
    Start();
    EXPECT_EQ(window->pos(), QPoint(300, 200));
}

TEST_F(WindowTest, StartupErrorsAreShownAndTheOtherStepsStillRun) {
    // A file where the bins folder belongs, and a folder where the settings file belongs: bins
    // can be neither made nor listed, and the unpack folder default cannot be written.
    temp.Write("bins", "not a folder");
    temp.MakeDir("vesk.ini");
    Start();
    const std::vector<std::string> texts = BoxTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_THAT(texts[0], HasSubstr(temp.File("bins/")));
    EXPECT_EQ(texts[1], "I/O error 3");
    EXPECT_THAT(texts[2], HasSubstr("Unable to write to"));
    for (const Box& box : boxes) EXPECT_EQ(box.kind, BoxKind::Error);
    // Everything after the failures is still in place.
    EXPECT_TRUE(std::filesystem::is_directory(temp.File("system")));
    EXPECT_EQ(Find<QComboBox>("FirmwareCombo")->count(), 1);
    EXPECT_FALSE(Panel(0).empty());
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 0), "Файл");
    EXPECT_TRUE(window->acceptDrops());
}

}  // namespace
}  // namespace vesk::test

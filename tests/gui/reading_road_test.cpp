// Opening a dump in each of its four ways, and "Поиск" and "Распаковка" through the buttons.
#include <QAction>
#include <QComboBox>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QUrl>

#include "sample_dump/sample_dump.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ReadingRoad : public WindowTest {
protected:
    void SetUp() override { dump = sample::WriteSampleInstallation(temp.Path()); }

    void ExpectSampleOpened() const {
        EXPECT_THAT(BoxTexts(), IsEmpty());
        EXPECT_EQ(window->GetForm().OpenDumpPath, dump);
        EXPECT_EQ(window->windowTitle().toStdString(), "Vesk File Manager sample.bin");
        EXPECT_EQ(Cell("ListsGrid", kListsCol, 1), sample::kCurrentList);
        EXPECT_EQ(Cell("ListsGrid", kListsCol, 2), sample::kOlderList);
        EXPECT_EQ(Text("ListAddressEdit"), sample::kCurrentList);
        EXPECT_EQ(Panel(0), "Готово");
        EXPECT_EQ(Panel(1), "Кол-во списков в памяти : 2");
    }

    void Drop(const std::vector<std::string>& paths) {
        QList<QUrl> urls;
        for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
    }

    std::string dump;
};

TEST_F(ReadingRoad, OpenSearchAndUnpackThroughTheButtons) {
    Start();
    ASSERT_EQ(window->GetForm().FirmwareCombo, "Sample");
    nextOpen = DialogChoice{dump, 1};
    QTest::mouseClick(Button("OpenDumpButton"), Qt::LeftButton);
    ExpectSampleOpened();
    ASSERT_EQ(openFilters.size(), 1u);
    EXPECT_THAT(openFilters[0], ElementsAre("Vesk (*.bin)", "All files (*.*)"));
    // OpenDump brought "Настройки" to the front: the current list is in sector 0.
    EXPECT_EQ(CurrentTab(), "Настройки");

    QTest::mouseClick(Button("ReadListButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(CurrentTab(), "Список");
    EXPECT_EQ(Panel(2), "Всего файлов : 3");
    EXPECT_EQ(Cell("FileGrid", kFileRowCol, 1), "1");
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 1), "HELLO");
    EXPECT_EQ(Cell("FileGrid", kFileSizeCol, 2), "5000");
    EXPECT_EQ(Cell("FileGrid", kFileGroupCol, 3), "Картинки");
    EXPECT_EQ(Find<QProgressBar>("ProgressBar")->maximum(), 100);

    QTest::mouseClick(Button("UnpackButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    for (const sample::SampleFile& file : sample::SampleFiles()) {
        EXPECT_EQ(ReadBytes(temp.File("files/" + file.name + file.extension)), file.content) << file.name;
    }
}

TEST_F(ReadingRoad, TheMenuItemOpensLikeTheButtonAndCancelChangesNothing) {
    Start();
    auto* action = window->findChild<QAction*>("OpenDumpAction");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(action->text().toStdString(), "Открыть VESK");
    action->trigger();  // the dialog is cancelled
    EXPECT_EQ(openFilters.size(), 1u);
    EXPECT_EQ(window->GetForm().OpenDumpPath, "");
    EXPECT_EQ(window->windowTitle().toStdString(), "Vesk File Manager");
    nextOpen = DialogChoice{dump, 2};
    action->trigger();
    ExpectSampleOpened();
}

TEST_F(ReadingRoad, ADropOpensOnlyTheFirstFile) {
    const std::string second = temp.Write("bins/second.bin", "x");
    const std::string third = temp.Write("bins/third.bin", "y");
    Start();
    Drop({dump, second, third});
    ExpectSampleOpened();
}

TEST_F(ReadingRoad, DoubleClickOpensTheSelectedFileOrReportsNone) {
    Start();
    auto* pane = Find<FilePane>("FolderList");
    // Nothing selected: the empty path fails like the runtime's open does.
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, QPoint(pane->width() / 2, pane->height() - 20));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(boxes[0].text, "File not found");
    boxes.clear();
    // On the file: the press selects it, the double-click opens it.
    ASSERT_EQ(pane->count(), 1);
    const QPoint onFile = pane->visualItemRect(pane->item(0)).center();
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, onFile);
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, onFile);
    ExpectSampleOpened();
}

TEST_F(ReadingRoad, ClickInTheListsGridChoosesTheListThatSearchReads) {
    Start();
    nextOpen = DialogChoice{dump, 1};
    window->OnOpenDump();
    ClickCell("ListsGrid", kListsCol, 2);
    EXPECT_EQ(Text("ListAddressEdit"), sample::kOlderList);
    // Moving the current cell with the keys chooses too.
    QTest::keyClick(Find<GridView>("ListsGrid"), Qt::Key_Up);
    EXPECT_EQ(Text("ListAddressEdit"), sample::kCurrentList);
    QTest::keyClick(Find<GridView>("ListsGrid"), Qt::Key_Down);
    EXPECT_EQ(Text("ListAddressEdit"), sample::kOlderList);
    window->OnReadList();
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 1), "OLDFILE");
    EXPECT_EQ(Panel(2), "Всего файлов : 1");
}

TEST_F(ReadingRoad, TypedFieldsReachTheNextCommand) {
    Start();
    nextOpen = DialogChoice{dump, 1};
    window->OnOpenDump();
    Find<QLineEdit>("ListAddressEdit")->setText(sample::kOlderList);
    window->OnReadList();
    EXPECT_EQ(Cell("FileGrid", kFileNameCol, 1), "OLDFILE");
    // A typed firmware name counts as well as a chosen one.
    Find<QComboBox>("FirmwareCombo")->setEditText("Missing");
    window->OnReadList();
    EXPECT_EQ(window->GetForm().FirmwareCombo, "Missing");
}

TEST_F(ReadingRoad, AFailingCommandIsReportedAndTheWindowGoesOn) {
    Start();
    window->OnReadList();  // "Поиск" before any dump was opened
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File not found");
    boxes.clear();
    // A file that concerns the error is named on the box's second line.
    nextOpen = DialogChoice{temp.File("bins/gone.bin"), 1};
    window->OnOpenDump();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "File not found\n" + temp.File("bins/gone.bin"));
    boxes.clear();
    nextOpen = DialogChoice{dump, 1};
    window->OnOpenDump();
    ExpectSampleOpened();
}

TEST_F(ReadingRoad, BringingAPageToTheFrontRunsItsReaction) {
    const std::string mine = temp.MakeDir("mine");
    Start();
    Find<QLineEdit>("TempFolderEdit")->setText(QString::fromStdString(mine));
    ShowTab("Новый VESK");
    ASSERT_EQ(Find<FilePane>("FolderList")->Folder(), mine);
    nextOpen = DialogChoice{dump, 1};
    window->OnOpenDump();
    EXPECT_EQ(CurrentTab(), "Настройки");
    EXPECT_EQ(Find<FilePane>("FolderList")->Folder(), temp.File("bins/"));
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

TEST_F(WindowTest, ANewProgressMaximumHoldsThePositionAtIt) {
    Start();
    auto* bar = Find<QProgressBar>("ProgressBar");
    Host& host = *window;
    host.SetProgressMax(48);
    host.SetProgress(47);
    host.SetProgressMax(3);  // as "Добавить" does after a long command
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 3);
    host.SetProgressMax(100);
    EXPECT_EQ(bar->value(), 3);
}

}  // namespace
}  // namespace vesk::test

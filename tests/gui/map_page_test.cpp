// The page "Карта" and the "Сравнить" button: what the map shows of the open dump, the check's
// findings, recovery into a chosen folder, and the comparison of two lists selected with Ctrl.
#include "gui/map_page.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "sample_dump/sample_dump.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class MapPageTest : public WindowTest {
protected:
    void SetUp() override { dump = sample::WriteSampleInstallation(temp.Path()); }

    void OpenSample() {
        Start();
        nextOpen = DialogChoice{dump, 1};
        QTest::mouseClick(Button("OpenDumpButton"), Qt::LeftButton);
        ASSERT_THAT(BoxTexts(), IsEmpty());
    }
    BlockMapView* View() const { return Find<BlockMapView>("BlockMap"); }
    void ClickPlace(int sector, int place) const {
        QTest::mouseClick(View(), Qt::LeftButton, {}, View()->CellRect(sector, place).center());
    }
    std::vector<std::string> Findings() const {
        std::vector<std::string> texts;
        auto* list = Find<QListWidget>("FindingList");
        for (int i = 0; i < list->count(); ++i) texts.push_back(list->item(i)->text().toStdString());
        return texts;
    }

    std::string dump;
};

TEST_F(MapPageTest, TheMapShowsTheOpenDumpAndAFileCellSelectsItsRow) {
    OpenSample();
    ShowTab("Карта");
    EXPECT_EQ(CurrentTab(), "Карта");
    EXPECT_THAT(BoxTexts(), IsEmpty());
    // The window keeps its size with the page added.
    EXPECT_EQ(window->width(), 717);
    EXPECT_EQ(window->centralWidget()->height() + window->statusBar()->height(), 370);

    BlockMapView* view = View();
    EXPECT_THAT(view->CellTip(0, 0).toStdString(), HasSubstr("Текущий список 0x00000842"));
    EXPECT_THAT(view->CellTip(3, 1).toStdString(), HasSubstr("Прежний список 0x00031842"));
    const std::string melody = view->CellTip(1, 2).toStdString();
    EXPECT_THAT(melody, HasSubstr("Сектор 1, место 2: Блок файла"));
    EXPECT_THAT(melody, HasSubstr("Смещение 0x00012842"));
    EXPECT_THAT(melody, HasSubstr("Ячейки FAT: 2"));
    EXPECT_THAT(melody, HasSubstr("Владелец: 4202"));
    EXPECT_THAT(melody, HasSubstr("Файл: 2. MELODY"));
    // A colour per file; lists and erased places apart from files.
    EXPECT_EQ(view->CellColor(1, 1), view->CellColor(1, 2));
    EXPECT_NE(view->CellColor(1, 0), view->CellColor(1, 1));
    EXPECT_NE(view->CellColor(0, 0), view->CellColor(3, 1));
    EXPECT_NE(view->CellColor(0, 0), view->CellColor(5, 5));

    QTest::mouseClick(Button("ReadListButton"), Qt::LeftButton);  // "Поиск" fills "Список"
    ShowTab("Карта");
    ClickPlace(2, 0);  // PICTURE
    EXPECT_EQ(window->GetForm().FileGrid.Row, 3);
    EXPECT_EQ(Find<GridView>("FileGrid")->currentIndex().row(), 2);
    ClickPlace(5, 5);  // erased: the row stays
    EXPECT_EQ(window->GetForm().FileGrid.Row, 3);
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

TEST_F(MapPageTest, CheckListsFindingsAndAFindingMarksItsCells) {
    OpenSample();
    ShowTab("Карта");
    QTest::mouseClick(Button("CheckButton"), Qt::LeftButton);
    EXPECT_THAT(Findings(), ElementsAre("Ошибок и предупреждений нет."));

    // A block of nobody's named by slot 5 of sector 2.
    std::vector<std::uint8_t> bytes = ReadBytes(dump);
    bytes[2 * 0x10000 + 0x50C + 10] = 0xC2;
    bytes[2 * 0x10000 + 0x50C + 11] = 0x00;
    bytes[2 * 0x10000 + 0x842 + 0x1000] = 0x09;
    bytes[2 * 0x10000 + 0x842 + 0x1000 + 1] = 0x00;
    temp.Write("bins/sample.bin", bytes);
    QTest::mouseClick(Button("CheckButton"), Qt::LeftButton);
    const std::vector<std::string> findings = Findings();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_THAT(findings[0], HasSubstr("Внимание: Блоки с меткой 0900"));
    EXPECT_THAT(View()->Marked(), IsEmpty());
    auto* list = Find<QListWidget>("FindingList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(View()->Marked(), (std::vector<PlaceRef>{{2, 1}}));
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

TEST_F(MapPageTest, RecoverAllWritesIntoTheChosenFolder) {
    OpenSample();
    ShowTab("Карта");
    QTest::mouseClick(Button("RecoverButton"), Qt::LeftButton);  // no folder chosen: nothing
    EXPECT_THAT(BoxTexts(), IsEmpty());
    nextFolder = temp.File("out");
    QTest::mouseClick(Button("RecoverButton"), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, BoxKind::Information);
    EXPECT_EQ(boxes[0].text, "Восстановлено в " + temp.File("out") +
                                 ":\n0x00000842/: файлов 3, байт 5126\n0x00031842/: файлов 0, байт 0");
    EXPECT_EQ(ReadText(temp.File("out/0x00000842/HELLO.txt")), "Hello from the sample dump");
    EXPECT_TRUE(std::filesystem::is_directory(temp.File("out/0x00031842")));
    // The status bar still shows what "Открыть" left there.
    EXPECT_EQ(Panel(1), "Кол-во списков в памяти : 2");
}

TEST_F(MapPageTest, CompareTakesTwoListsSelectedWithCtrl) {
    OpenSample();
    ShowTab("Настройки");
    // A plain click still chooses the list, and one list is not enough to compare.
    ClickCell("ListsGrid", 0, 2);
    EXPECT_EQ(Text("ListAddressEdit"), sample::kOlderList);
    QTest::mouseClick(Button("CompareButton"), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].text, HasSubstr("Выберите в «Списки файлов» два списка"));
    boxes.clear();

    ClickCell("ListsGrid", 0, 1);
    auto* lists = Find<GridView>("ListsGrid");
    const QModelIndex older = lists->model()->index(1, 0);
    QTest::mouseClick(lists->viewport(), Qt::LeftButton, Qt::ControlModifier, lists->visualRect(older).center());
    std::vector<std::vector<std::string>> rows;
    std::string same;
    onDialog = [&](QDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("DiffTable"));
        for (int r = 0; r < table->rowCount(); ++r) {
            rows.push_back({table->item(r, 0)->text().toStdString(), table->item(r, 1)->text().toStdString()});
        }
        same = dialog.findChild<QLabel*>(QStringLiteral("DiffSame"))->text().toStdString();
    };
    QTest::mouseClick(Button("CompareButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"OLDFILE", "добавлен"}, {"HELLO", "удалён"}, {"MELODY", "удалён"}, {"PICTURE", "удалён"}}));
    EXPECT_EQ(same, "Одинаковых файлов: 0");
}

}  // namespace
}  // namespace vesk::test

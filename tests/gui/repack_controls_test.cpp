// The controls for changing a dump: "В сборку" (button and menu), "Заменить...", "Собрать всё",
// "Извлечь..." and the drag out of "Список", on a dump the building commands made; and where the
// new buttons sit.
#include <QAction>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "gui/text_grid_model.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RepackWindow : public WindowTest {
protected:
    // bins/d.bin of three files, opened and read on "Список".
    void SetUp() override {
        for (const char* name : {"one", "two", "three"}) {
            files.push_back({name, Pattern(3000 * files.size() + 10, static_cast<unsigned>(files.size()))});
        }
        dump = BuildDump(files);
        OpenAndReadList(dump);
        ASSERT_THAT(BoxTexts(), IsEmpty());
        openFilters.clear();
    }
    QAction* Action(const char* grid, const char* name) const {
        for (QAction* action : Find<GridView>(grid)->actions()) {
            if (action->objectName() == name) return action;
        }
        ADD_FAILURE() << grid << " has no " << name;
        return nullptr;
    }
    std::vector<std::string> Captions(const char* grid) const {
        std::vector<std::string> captions;
        for (QAction* action : Find<GridView>(grid)->actions()) captions.push_back(action->text().toStdString());
        return captions;
    }
    void SelectFileRows(std::initializer_list<int> rows) const {
        auto* view = Find<GridView>("FileGrid");
        view->clearSelection();
        for (int r : rows) view->selectionModel()->select(view->model()->index(r - 1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::string dump;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
};

TEST_F(RepackWindow, ListIntoBuildReplaceAndAssembleAllThroughTheControls) {
    EXPECT_THAT(Captions("FileGrid"), ElementsAre("В сборку", "Извлечь...", "Просмотр"));
    EXPECT_THAT(Captions("BuildGrid"), ElementsAre("Удалить", "Переименовать", "Заменить...", "Отменить", "Повторить"));
    QTest::mouseClick(Button("ToBuildButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(CurrentTab(), "Новый VESK");
    EXPECT_EQ(Text("BuildNameEdit"), "d-new.bin");
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        EXPECT_EQ(Cell("BuildGrid", kBuildNameCol, r), files[i].first);
        EXPECT_EQ(ReadBytes(Cell("BuildGrid", kBuildPathCol, r)), files[i].second);
    }
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 1), temp.File("files/d/one.bin"));

    // The menu item does the same, from the list's own pop-up menu.
    Find<QLineEdit>("BuildNameEdit")->setText("other.bin");
    Action("FileGrid", "ToBuildAction")->trigger();
    EXPECT_EQ(Text("BuildNameEdit"), "d-new.bin");

    // "Собрать" on a blank, formatted file: the read-back check reports in the status bar.
    for (const char* button : {"BlankDumpButton", "FormatButton", "AssembleButton"}) QTest::mouseClick(Button(button), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Panel(0), "Проверено: 3 файлов");

    const std::vector<std::uint8_t> picture = Pattern(7000, 3);
    nextOpen = DialogChoice{temp.Write("new.pic", picture), 1};
    ClickCell("BuildGrid", kBuildNameCol, 9);  // an empty row: refused before any dialog
    Action("BuildGrid", "ReplaceAction")->trigger();
    EXPECT_THAT(BoxTexts(), ElementsAre("Выберите строку списка сборки: заменить можно файл, который в нём есть."));
    EXPECT_THAT(openFilters, IsEmpty());
    boxes.clear();
    ClickCell("BuildGrid", kBuildNameCol, 3);
    Action("BuildGrid", "ReplaceAction")->trigger();
    ASSERT_EQ(openFilters.size(), 1u);
    EXPECT_EQ(Cell("BuildGrid", kBuildPathCol, 3), temp.File("new.pic"));
    EXPECT_EQ(Cell("BuildGrid", kBuildSizeCol, 3), "7000");
    EXPECT_EQ(window->GetForm().OpenDumpPath, dump);  // the open dialog's dump stays

    QTest::mouseClick(Button("AssembleAllButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Panel(0), "Проверено: 3 файлов");
    EXPECT_TRUE(std::filesystem::exists(temp.File("bins/d-new.bin.bak")));  // what "Собрать" wrote

    // The new dump opened and unpacked gives the new picture.
    nextOpen = DialogChoice{temp.File("bins/d-new.bin"), 1};
    QTest::mouseClick(Button("OpenDumpButton"), Qt::LeftButton);
    QTest::mouseClick(Button("ReadListButton"), Qt::LeftButton);
    QTest::mouseClick(Button("UnpackButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(ReadBytes(temp.File("files/three.bin")), picture);
}

TEST_F(RepackWindow, ChosenRowsAreExtractedOrDraggedOutAsFiles) {
    SelectFileRows({1, 3});
    nextFolder = temp.File("picked");
    Action("FileGrid", "ExtractAction")->trigger();
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(ReadBytes(temp.File("picked/one.bin")), files[0].second);
    EXPECT_EQ(ReadBytes(temp.File("picked/three.bin")), files[2].second);
    EXPECT_FALSE(std::filesystem::exists(temp.File("picked/two.bin")));

    auto* view = Find<GridView>("FileGrid");
    EXPECT_TRUE(view->dragEnabled());
    const QModelIndexList chosen = view->selectionModel()->selectedIndexes();
    EXPECT_TRUE(view->model()->flags(chosen.front()) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> data(view->model()->mimeData(chosen));
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 2);
    for (int k = 0; k < 2; ++k) {
        const QUrl url = data->urls()[k];
        EXPECT_TRUE(url.isLocalFile());
        const std::string path = url.toLocalFile().toStdString();
        EXPECT_EQ(path.substr(path.rfind('/') + 1), files[k * 2].first + ".bin");
        EXPECT_EQ(ReadBytes(path), files[k * 2].second);
    }
    // Nothing chosen: a message instead of a folder dialog.
    view->clearSelection();
    nextFolder.reset();
    Action("FileGrid", "ExtractAction")->trigger();
    EXPECT_THAT(BoxTexts(), ElementsAre("Выберите строки списка, которые извлечь."));
}

TEST_F(RepackWindow, NewButtonsFitTheirPagesWithoutOverlapping) {
    EXPECT_EQ(window->size(), QSize(717, window->menuBar()->height() + 370));
    for (const char* name : {"ToBuildButton", "AssembleAllButton"}) {
        QPushButton* button = Button(name);
        QWidget* page = button->parentWidget();
        while (page && page->objectName() != "ListPage" && page->objectName() != "NewVeskPage") page = page->parentWidget();
        ASSERT_NE(page, nullptr) << name;
        ShowTab(page->objectName() == "ListPage" ? "Список" : "Новый VESK");
        const QRect mine(button->mapTo(page, QPoint(0, 0)), button->size());
        EXPECT_TRUE(page->rect().contains(mine)) << name;
        for (QWidget* other : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (other == button || other->isAncestorOf(button) || !other->isVisible()) continue;
            const QRect theirs(other->mapTo(page, QPoint(0, 0)), other->size());
            EXPECT_FALSE(mine.intersects(theirs)) << name << " overlaps " << other->objectName().toStdString();
        }
    }
}

}  // namespace
}  // namespace vesk::test

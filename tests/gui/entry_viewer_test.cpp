// "Просмотр файла" on a dump the building commands made: a double-click, Enter and the pop-up
// menu open it on the row's file, judged by content; it follows the current row; the rows'
// tooltips; a click on a place of "Карта" shows the block's bytes with the tag and content marked;
// "Извлечь..." writes the shown file.
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "gui/entry_viewer.h"
#include "gui/map_page.h"
#include "picture/c10_codec.h"
#include "picture/jpeg_file.h"
#include "support/program_files.h"
#include "support/recording_host.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

Picture Checks(int width, int height) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) p.SetPixel(x, y, (x / 4 + y / 4) % 2 ? 0x0000F8 : 0x00FC00);
    }
    return p;
}

class EntryViewerTest : public WindowTest {
protected:
    void SetUp() override {
        const std::string note = "\xEF\xBB\xBF" "Купить хлеб\r\n";
        OpenAndReadList(BuildDump({
            {"Фон", EncodeC10(Checks(16, 8))},
            {"Закат", EncodeJpeg(Checks(24, 16))},
            {"Заметка", std::vector<std::uint8_t>(note.begin(), note.end())},
        }));
        ShowTab("Список");
        ASSERT_THAT(BoxTexts(), IsEmpty());
        grid = Find<GridView>("FileGrid");
        for (QObject* child : window->children()) {
            if (auto* c = dynamic_cast<EntryViewerControls*>(child)) controls = c;
        }
        ASSERT_NE(controls, nullptr);
    }

    QPoint RowCenter(int row) const { return grid->visualRect(grid->model()->index(row - 1, 0)).center(); }
    EntryViewer* Viewer() const { return controls->Viewer(); }
    std::string Info() const { return Viewer() ? Viewer()->InfoText().toStdString() : ""; }
    std::string CurrentPage() const {
        auto* pages = Viewer()->findChild<QTabWidget*>(QStringLiteral("ViewerPages"));
        return pages->tabText(pages->currentIndex()).toStdString();
    }

    GridView* grid = nullptr;
    EntryViewerControls* controls = nullptr;
};

TEST_F(EntryViewerTest, DoubleClickEnterAndTheMenuOpenTheViewerWhichFollowsTheRow) {
    EXPECT_EQ(Viewer(), nullptr);
    // A click makes the row current, then the double-click on it.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, RowCenter(2));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, RowCenter(2));
    ASSERT_NE(Viewer(), nullptr) << testing::PrintToString(BoxTexts());
    EXPECT_TRUE(Viewer()->isVisible());
    EXPECT_TRUE(Viewer()->isWindow());
    EXPECT_THAT(Info(), HasSubstr("Закат"));
    EXPECT_THAT(Info(), HasSubstr("JPEG 24 x 16"));
    EXPECT_EQ(CurrentPage(), "Изображение");
    EXPECT_TRUE(Viewer()->Picture()->Fitting());

    // Moving to another row shows its file in the same window.
    ClickCell("FileGrid", 1, 1);
    EXPECT_THAT(Info(), HasSubstr("C10 16 x 8"));
    ASSERT_NE(Viewer()->Frames(), nullptr);
    EXPECT_EQ(Viewer()->Frames()->Shown().Pixel(0, 0), Checks(16, 8).Pixel(0, 0) & 0xF8FCF8);
    // The bytes: sixteen a row, lazily; the C10 file is 11 + 3 x 128 bytes.
    EXPECT_EQ(Viewer()->Hex()->rowCount(), (11 + 3 * 128 + 15) / 16);
    EXPECT_EQ(Viewer()->Hex()->data(Viewer()->Hex()->index(0, 0), Qt::DisplayRole).toString(), "10");
    EXPECT_EQ(Viewer()->Hex()->headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), "00000010");

    // Closed, it stays closed while the rows change; Enter opens it on the current row.
    Viewer()->close();
    ClickCell("FileGrid", 1, 3);
    EXPECT_THAT(Info(), HasSubstr("Фон"));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(Viewer()->isVisible());
    EXPECT_THAT(Info(), HasSubstr("текст (UTF-8)"));
    EXPECT_EQ(CurrentPage(), "Текст");
    EXPECT_THAT(Viewer()->findChild<QPlainTextEdit*>(QStringLiteral("ViewerText"))->toPlainText().toStdString(), HasSubstr("Купить хлеб"));

    // "Просмотр" in the pop-up menu.
    QAction* view = nullptr;
    for (QAction* a : grid->actions()) {
        if (a->objectName() == "ViewEntryAction") view = a;
    }
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->text().toStdString(), "Просмотр");
    ClickCell("FileGrid", 1, 2);
    Viewer()->close();
    view->trigger();
    EXPECT_TRUE(Viewer()->isVisible());
    EXPECT_THAT(Info(), HasSubstr("JPEG"));

    // One viewer at a time.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, RowCenter(1));
    int viewers = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) viewers += dynamic_cast<EntryViewer*>(w) != nullptr;
    EXPECT_EQ(viewers, 1);
    EXPECT_THAT(BoxTexts(), IsEmpty());
}

TEST_F(EntryViewerTest, RowsTellTheirKindSizeAndPictureSize) {
    EXPECT_THAT(controls->RowTip(2).toStdString(), HasSubstr("JPEG 24 x 16\n"));
    EXPECT_THAT(controls->RowTip(1).toStdString(), HasSubstr("C10 16 x 8\n395 байт"));
    EXPECT_THAT(controls->RowTip(3).toStdString(), HasSubstr("текст (UTF-8)"));
    EXPECT_EQ(controls->RowTip(4).toStdString(), "");  // an empty row
    // A grid that no longer shows the dump's list tells nothing, and the viewer says why.
    temp.Write("bins/d.bin", std::vector<std::uint8_t>(48 * 0x10000, 0xFF));
    EXPECT_EQ(controls->RowTip(2).toStdString(), "");
    controls->Open(2);
    EXPECT_THAT(BoxTexts(), testing::Contains(HasSubstr("нажмите «Поиск»")));
}

TEST_F(EntryViewerTest, APlaceOfTheMapShowsTheBlocksBytesAndExtractWritesTheFile) {
    ShowTab("Карта");
    auto* page = dynamic_cast<MapPage*>(window->findChild<QWidget*>(QStringLiteral("MapPage")));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->CurrentInspection());
    const Inspection& in = *page->CurrentInspection();
    std::optional<PlaceRef> file;
    for (const MapPlace& p : in.Map().places) {
        if (!file && in.KindAt(p.sector, p.place) == BlockKind::File) file = PlaceRef{p.sector, p.place};
    }
    ASSERT_TRUE(file);
    page->View()->placeClicked(file->sector, file->place);
    ASSERT_NE(Viewer(), nullptr);
    EXPECT_THAT(Info(), HasSubstr("Блок"));
    EXPECT_EQ(CurrentPage(), "Байты");
    HexModel* hex = Viewer()->Hex();
    EXPECT_EQ(hex->rowCount(), 4096 / 16);
    // The owner tag and the content in colours of their own, each byte saying what it is.
    const QVariant tag = hex->data(hex->index(0, 0), Qt::BackgroundRole);
    const QVariant content = hex->data(hex->index(0, 2), Qt::BackgroundRole);
    EXPECT_TRUE(tag.isValid());
    EXPECT_TRUE(content.isValid());
    EXPECT_NE(tag, content);
    EXPECT_THAT(hex->data(hex->index(0, 1), Qt::ToolTipRole).toString().toStdString(), HasSubstr("метка владельца"));
    EXPECT_THAT(hex->data(hex->index(0, 2), Qt::ToolTipRole).toString().toStdString(), HasSubstr("содержимое"));
    EXPECT_FALSE(hex->data(hex->index(255, 15), Qt::BackgroundRole).isValid()) << "past the content";

    // Back on a file, "Извлечь..." writes exactly its bytes into the chosen folder.
    ShowTab("Список");
    controls->Open(2);
    nextFolder = temp.MakeDir("out");
    QTest::mouseClick(Viewer()->findChild<QPushButton*>(QStringLiteral("ViewerExtractButton")), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(Viewer()->Entry()->FullName(), "Закат.bin");  // [EXT] of the test's settings
    EXPECT_EQ(ReadBytes(temp.File("out/Закат.bin")), EncodeJpeg(Checks(24, 16)));
}

}  // namespace
}  // namespace vesk::test

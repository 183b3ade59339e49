// Rough edges of the window: a typed firmware name, empty pictures, the progress bar's end,
// Enter in the file pane, and the folders the dialogs start in.
#include <QComboBox>
#include <QImage>
#include <QProgressBar>
#include <QTest>

#include "picture/c10_test_files.h"
#include "sample_dump/sample_dump.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(WindowTest, ATypedFirmwareNameIsTakenAsTyped) {
    temp.Write("vesk.ini", "[Firmwares]\n1=C100-compact\n2=C100\n");
    Start();
    auto* combo = Find<QComboBox>("FirmwareCombo");
    // Completion would make "C100" "C100-compact" and "c1" "c100-compact"; Enter would add them.
    for (const std::string typed : {"C100", "c1", "c100"}) {
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), QString::fromStdString(typed));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        window->OnReadList();  // "Поиск" takes what the field holds
        EXPECT_EQ(window->GetForm().FirmwareCombo, typed);
    }
    EXPECT_EQ(combo->count(), 2);
}

TEST_F(WindowTest, EveryPictureSizeReachesTheScreenEmptyOnesToo) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const std::string bmp = temp.File("p.bmp");
    ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
    const std::string tall = temp.Write("tall.c10", OneFrameFile(0, 5, {}, {}));
    Start();
    // The empty C10 files have no pixel stream: their preview ends reading past the end, after the
    // picture was replaced.
    nextSave = DialogChoice{temp.File("nothing"), 3};
    window->OnSaveImage();  // "Сохранить" before anything was opened: a C10 of 0 x 0
    auto* view = Find<QLabel>("ImageView");
    auto* bevel = Find<QWidget>("ImageBevel");
    const std::pair<DialogChoice, QSize> shown[] = {{{bmp, 2}, {40, 30}},
                                                    {{tall, 1}, {0, 5}},
                                                    {{bmp, 2}, {40, 30}},
                                                    {{temp.File("nothing.c10"), 1}, {0, 0}}};
    for (const auto& [file, size] : shown) {
        nextOpen = file;
        window->OnOpenImage();
        EXPECT_EQ(view->size(), size) << file.path;
        EXPECT_EQ(bevel->size(), size + QSize(2, 2)) << file.path;
        EXPECT_EQ(view->pixmap().isNull(), size.isEmpty()) << file.path;
    }
}

class EdgesWithADump : public WindowTest {
protected:
    void SetUp() override { dump = sample::WriteSampleInstallation(temp.Path()); }
    std::string dump;
};

TEST_F(EdgesWithADump, EachUnpackingPassEndsOnAFullBar) {
    Start();
    nextOpen = DialogChoice{dump, 1};
    window->OnOpenDump();
    window->OnReadList();
    // The map pass runs to 48 sectors, the owner pass to SIZE 0x331 (its last column, 818, one
    // past it), the writing to the files written: each ends on a full bar.
    auto* bar = Find<QProgressBar>("ProgressBar");
    std::vector<int> fullAt;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (value == bar->maximum()) fullAt.push_back(value);
    });
    window->OnUnpack();
    EXPECT_THAT(BoxTexts(), IsEmpty());
    fullAt.erase(std::unique(fullAt.begin(), fullAt.end()), fullAt.end());
    EXPECT_THAT(fullAt, ElementsAre(48, 817, 3));
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(EdgesWithADump, EnterInTheFilePaneOpensTheSelectedDump) {
    Start();
    auto* pane = Find<FilePane>("FolderList");
    QTest::keyClick(pane, Qt::Key_Return);  // nothing selected: nothing to open
    EXPECT_EQ(window->GetForm().OpenDumpPath, "");
    pane->setCurrentRow(0);
    QTest::keyClick(pane, Qt::Key_Return);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(window->GetForm().OpenDumpPath, dump);
    EXPECT_EQ(Panel(1), "Кол-во списков в памяти : 2");
}

TEST_F(WindowTest, DumpDialogsStartInBinsPictureDialogsWithTheLastPicture) {
    const std::string pictures = temp.MakeDir("pictures");
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(QString::fromStdString(pictures + "p.bmp"), "BMP"));
    const std::string junk = temp.Write("bins/x.bin", "x");
    Start();
    window->OnOpenDump();  // cancelled
    window->OnOpenImage();  // no picture yet: the unpack folder
    nextOpen = DialogChoice{pictures + "p.bmp", 2};
    window->OnOpenImage();
    nextOpen.reset();
    window->OnOpenImage();
    window->OnSaveImage();
    nextOpen = DialogChoice{junk, 1};
    window->OnOpenDump();
    window->OnOpenDump();  // the last dump is offered, in bins/
    EXPECT_THAT(openStarts, ElementsAre(temp.File("bins/"), temp.File("files/"), temp.File("files/"), pictures,
                                        temp.File("bins/"), junk));
    EXPECT_THAT(saveStarts, ElementsAre(pictures));
}

}  // namespace
}  // namespace vesk::test

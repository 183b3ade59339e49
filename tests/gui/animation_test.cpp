// Beyond the window's own controls: the play button and delay field beside "Кадр", and PNG in
// the picture dialogs.
#include <QSpinBox>
#include <QTest>

#include "gui/animation_controls.h"
#include "picture/c10_codec.h"
#include "picture/c10_test_files.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// 2 x 1 in `frames` frames, frame n a fill of one colour; `present` frames are really there.
std::vector<std::uint8_t> Frames(int frames, int present) {
    C10Builder b;
    b.Add({2, 1});
    for (int n = 0; n < present; ++n) b.FrameHeader(frames, 0).Add({0x82, n * 8, 0x00}).EndFrame();
    return b.Bytes();
}

class AnimationWindowTest : public WindowTest {
protected:
    // Starts the window, opens the C10 file and makes the timer too slow to fire by itself:
    // the test steps it with Tick.
    AnimationControls& Open(const std::vector<std::uint8_t>& c10) {
        Start();
        size = window->size();
        ShowTab("C10");
        nextOpen = DialogChoice{temp.Write("anim.c10", c10), 1};
        QTest::mouseClick(Button("OpenImageButton"), Qt::LeftButton);
        Find<QSpinBox>("FrameDelayEdit")->setValue(10000);
        return *window->findChild<AnimationControls*>();
    }
    std::string Frame() const { return Button("NextFrameButton")->text().toStdString(); }

    QSize size;
};

TEST_F(AnimationWindowTest, PlayStepsThroughEveryFrameAsKadrDoesAndStopsAtTheLast) {
    AnimationControls& animation = Open(Frames(3, 3));
    QPushButton* play = Button("PlayButton");
    QPushButton* next = Button("NextFrameButton");
    EXPECT_EQ(Find<QSpinBox>("FrameDelayEdit")->minimum(), 10);
    EXPECT_EQ(play->parentWidget(), next->parentWidget());
    EXPECT_EQ(play->y(), next->y());
    EXPECT_GT(play->x(), next->x() + next->width());
    EXPECT_TRUE(play->isEnabled());
    EXPECT_EQ(play->text(), QString::fromUtf8("▶"));

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(animation.Playing());
    EXPECT_EQ(play->text(), QString::fromUtf8("■"));
    EXPECT_EQ(Find<QTabWidget>("PicturePages")->currentWidget(), Find<QWidget>("PicturePage"));
    animation.Tick();
    EXPECT_EQ(Frame(), "3");
    EXPECT_EQ(window->GetForm().FrameCountEdit, "3");
    EXPECT_TRUE(animation.Playing());
    animation.Tick();
    EXPECT_EQ(Frame(), "4");
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(animation.Playing());
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(play->text(), QString::fromUtf8("▶"));
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(window->size(), size);
}

TEST_F(AnimationWindowTest, APressOrAClickOnThePictureStopsIt) {
    AnimationControls& animation = Open(Frames(4, 4));
    QPushButton* play = Button("PlayButton");
    QTest::mouseClick(play, Qt::LeftButton);
    animation.Tick();
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(animation.Playing());
    animation.Tick();
    EXPECT_EQ(Frame(), "3");  // one step only
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(animation.Playing());
    QTest::mouseClick(Find<QWidget>("ImageView"), Qt::LeftButton);
    EXPECT_FALSE(animation.Playing());
    // "Кадр" itself still steps.
    QTest::mouseClick(Button("NextFrameButton"), Qt::LeftButton);
    EXPECT_EQ(Frame(), "4");
    EXPECT_TRUE(play->isEnabled());
}

TEST_F(AnimationWindowTest, AFailedStepIsShownOnceAndStopsIt) {
    AnimationControls& animation = Open(Frames(3, 1));  // promises three frames, holds one
    QTest::mouseClick(Button("PlayButton"), Qt::LeftButton);
    animation.Tick();
    EXPECT_FALSE(animation.Playing());
    EXPECT_THAT(BoxTexts(), ElementsAre("Read beyond end of file\n" + temp.File("anim.c10")));
    animation.Tick();
    EXPECT_EQ(BoxTexts().size(), 1u);
}

TEST_F(WindowTest, PngIsTheFifthOpenEntryAndTheFourthSaveEntry) {
    Start();
    ShowTab("C10");
    const std::string png = temp.Write("pic.png", EncodePng(Picture(6, 4, 0x00336699)));
    nextOpen = DialogChoice{png, 5};
    QTest::mouseClick(Button("OpenImageButton"), Qt::LeftButton);
    ASSERT_EQ(openFilters.size(), 1u);
    ASSERT_EQ(openFilters[0].size(), 5);
    EXPECT_EQ(openFilters[0][0].toStdString(), "C10 (*.c10)");
    EXPECT_EQ(openFilters[0][4].toStdString(), "PNG (*.png)");
    EXPECT_EQ(Text("ImageWidthEdit"), "6");
    EXPECT_FALSE(Button("PlayButton")->isEnabled());

    nextSave = DialogChoice{temp.File("out"), 4};
    QTest::mouseClick(Button("SaveImageButton"), Qt::LeftButton);
    EXPECT_THAT(BoxTexts(), IsEmpty());
    EXPECT_EQ(DecodePng(ReadWholeFile(temp.File("out.png"))).pixels, Picture(6, 4, 0x00336699).pixels);
}

}  // namespace
}  // namespace vesk::test

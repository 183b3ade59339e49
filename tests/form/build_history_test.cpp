// The build list's undo steps: what counts as a step, how many are kept, when redo ends.
#include "form/build_history.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vesk {
namespace {

TEST(BuildHistory, StepsAreKeptForChangesOnlyAndANewActionEndsRedo) {
    Form form;
    BuildHistory history;
    history.Record(form, [&] { form.BuildGrid.SetCell(kBuildNameCol, 1, "a"); });
    history.Record(form, [] {});  // changed nothing: no step
    EXPECT_EQ(history.UndoSteps(), 1u);
    // A failing action keeps what it wrote, so it is a step too.
    EXPECT_THROW(history.Record(form, [&] {
        form.BuildNameEdit = "x.bin";
        form.ReplacedPictures[1] = "JPEG 96 x 72";
        throw std::runtime_error("refused");
    }), std::runtime_error);
    EXPECT_EQ(history.UndoSteps(), 2u);

    EXPECT_TRUE(history.Undo(form));
    EXPECT_EQ(form.BuildNameEdit, "data.bin");
    EXPECT_TRUE(form.ReplacedPictures.empty());
    EXPECT_EQ(form.BuildGrid.Cell(kBuildNameCol, 1), "a");
    EXPECT_TRUE(history.Undo(form));
    EXPECT_EQ(form.BuildGrid.Cell(kBuildNameCol, 1), "");
    EXPECT_FALSE(history.Undo(form));
    EXPECT_TRUE(history.Redo(form));
    EXPECT_EQ(form.BuildGrid.Cell(kBuildNameCol, 1), "a");
    history.Record(form, [&] { form.BuildGridEditing = true; });
    EXPECT_FALSE(history.Redo(form));
    EXPECT_TRUE(form.BuildGridEditing);
}

TEST(BuildHistory, TheOldestStepsAreForgottenBeyondTheLimit) {
    Form form;
    BuildHistory history;
    for (int k = 1; k <= static_cast<int>(BuildHistory::kSteps) + 20; ++k) {
        history.Record(form, [&] { form.BuildGrid.SetCell(kBuildNameCol, 1, std::to_string(k)); });
    }
    EXPECT_EQ(history.UndoSteps(), BuildHistory::kSteps);
    while (history.Undo(form)) {
    }
    EXPECT_EQ(form.BuildGrid.Cell(kBuildNameCol, 1), "20");  // the state before step 21
    EXPECT_EQ(history.RedoSteps(), BuildHistory::kSteps);
}

}  // namespace
}  // namespace vesk

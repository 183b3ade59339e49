// Qt's own dialogs as the window sets them up: Russian texts, the window's filter captions with
// Qt's patterns, and the folder they start in.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QMessageBox>

#include "gui/file_dialog.h"
#include "gui/qt_translations.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;

TEST(QtDialogs, SpeakRussian) {
    App();
    const TempFolder temp;
    const auto translation = InstallQtTranslations(ProgramFolder(temp.Path()));
    ASSERT_NE(translation, nullptr) << "Qt's Russian translation (qt6-translations-l10n)";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "Отмена");
    QFileDialog dialog;
    SetUpFileDialog(dialog, QFileDialog::AcceptOpen, {"Vesk (*.bin)"}, "");
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text().toStdString(), "&Открыть");
}

TEST(QtDialogs, AllFilesKeepsItsCaptionAndListsFilesWithoutADot) {
    App();
    const TempFolder temp;
    const std::string noDot = temp.Write("pictures/noext", "x");
    const QStringList filters{"C10 (*.c10)", "All files (*.*)"};
    QFileDialog dialog;
    SetUpFileDialog(dialog, QFileDialog::AcceptOpen, filters, temp.File("pictures/"));
    EXPECT_EQ(dialog.directory().absolutePath().toStdString() + "/", temp.File("pictures/"));
    auto* kinds = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(kinds, nullptr);
    EXPECT_EQ(kinds->itemText(1).toStdString(), "All files (*.*)");
    dialog.selectNameFilter("All files (*.*)");
    const QStringList patterns = dialog.findChild<QFileSystemModel*>()->nameFilters();
    EXPECT_THAT(QDir(QString::fromStdString(temp.File("pictures"))).entryList(patterns, QDir::Files), ElementsAre("noext"));
    dialog.selectFile(QString::fromStdString(noDot));
    const auto choice = ChoiceOf(dialog, filters);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->path, noDot);
    EXPECT_EQ(choice->filterIndex, 2);
}

}  // namespace
}  // namespace vesk::test

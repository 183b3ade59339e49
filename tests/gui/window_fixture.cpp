#include "window_fixture.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTest>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "support/program_files.h"
#include "support/recording_host.h"

namespace vesk::test {

namespace {

int argc = 1;
char name[] = "gui_tests";
char* argv[] = {name, nullptr};
QApplication* app = nullptr;

// The application goes before the program's exit handlers run: Qt's own globals are gone by then.
class AppEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete app;
        app = nullptr;
    }
};
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace

QApplication& App() {
    if (!app) app = new QApplication(argc, argv);
    return *app;
}

TForm1& WindowTest::Start() {
    WindowHooks hooks;
    hooks.messageBox = [this](BoxKind kind, const std::string& text) { boxes.push_back({kind, text}); };
    hooks.openDialog = [this](const QStringList& filters, const std::string& start) {
        openFilters.push_back(filters);
        openStarts.push_back(start);
        return nextOpen;
    };
    hooks.saveDialog = [this](const QStringList&, const std::string& start) {
        saveStarts.push_back(start);
        return nextSave;
    };
    hooks.folderDialog = [this](const std::string&) { return nextFolder; };
    hooks.modalDialog = [this](QDialog& dialog) {
        if (onDialog) onDialog(dialog);
    };
    window = std::make_unique<TForm1>(ProgramFolder(temp.Path()), hooks);
    window->show();
    QApplication::processEvents();
    return *window;
}

std::string WindowTest::Panel(int i) const {
    return Find<QLabel>(("StatusPanel" + std::to_string(i)).c_str())->text().toStdString();
}

void WindowTest::ShowTab(const char* caption) const {
    auto* tabs = Find<QTabWidget>("Pages");
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == QString::fromUtf8(caption)) {
            tabs->setCurrentIndex(i);
            return;
        }
    }
    ADD_FAILURE() << "no tab " << caption;
}

std::string WindowTest::CurrentTab() const {
    auto* tabs = Find<QTabWidget>("Pages");
    return tabs->tabText(tabs->currentIndex()).toStdString();
}

std::string WindowTest::Cell(const char* grid, int col, int row) const {
    auto* view = Find<GridView>(grid);
    const QAbstractItemModel* model = view->model();
    const int fixed = view->verticalHeader()->isHidden() ? 0 : 1;
    if (row == 0) return model->headerData(col - fixed, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
    if (col < fixed) return model->headerData(row - 1, Qt::Vertical, Qt::DisplayRole).toString().toStdString();
    return model->index(row - 1, col - fixed).data().toString().toStdString();
}

void WindowTest::ClickCell(const char* grid, int col, int row) const {
    auto* view = Find<GridView>(grid);
    const int fixed = view->verticalHeader()->isHidden() ? 0 : 1;
    const QModelIndex index = view->model()->index(row - 1, col - fixed);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

std::vector<std::string> WindowTest::BoxTexts() const {
    std::vector<std::string> texts;
    for (const Box& box : boxes) texts.push_back(box.text);
    return texts;
}

std::string WindowTest::BuildDump(const NamedFiles& files, const std::string& settings) {
    temp.Write("vesk.ini", StandardSettings("address", settings));
    temp.Write("Test.ini", StandardProfile());
    Form form;
    InitGrids(form);
    form.FirmwareCombo = "Test";
    RecordingHost host;
    const ProgramFolder folder(temp.Path());
    for (const auto& [name, content] : files) {
        host.selectedFile = temp.Write("src/" + name, content);
        AddSelectedFile(form, host, folder);
    }
    temp.MakeDir("bins");
    const std::string dump = temp.File("bins/d.bin");
    AssembleChecked(form, host, folder, dump);
    return dump;
}

void WindowTest::OpenAndReadList(const std::string& dump) {
    Start();
    nextOpen = DialogChoice{dump, 1};
    QTest::mouseClick(Button("OpenDumpButton"), Qt::LeftButton);
    QTest::mouseClick(Button("ReadListButton"), Qt::LeftButton);
}

}  // namespace vesk::test

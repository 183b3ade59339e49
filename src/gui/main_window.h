#pragma once
// TForm1, the program's one window. It owns the Form, shows it, and implements Host for the
// commands that its handlers run. Handlers do their small job or run one command; every one of
// them goes through Run, which shows a failing command's error in a message box.
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/program_folder.h"
#include "form/form.h"
#include "form/host.h"
#include "gui/file_dialog.h"

class QDialog;
class QLabel;

namespace Ui {
class TForm1;
}

namespace vesk {

class BuildUndo;
class TextGridModel;

enum class BoxKind { Information, Error };

// The window's modal parts. Left empty, the real boxes and dialogs are shown; tests and tools
// answer them without blocking.
struct WindowHooks {
    std::function<void(BoxKind kind, const std::string& text)> messageBox;
    // filters as "Name (*.ext)"; start is where the dialog opens: a file offered in its folder,
    // or a folder ending in '/' (file_dialog.h).
    std::function<std::optional<DialogChoice>(const QStringList& filters, const std::string& start)> openDialog;
    std::function<std::optional<DialogChoice>(const QStringList& filters, const std::string& start)> saveDialog;
    // A folder to write into ("Восстановить всё"); current is where the dialog would start.
    std::function<std::optional<std::string>(const std::string& current)> folderDialog;
    // A dialog of the window's own (the comparison's table, the picture question of "Заменить..."),
    // shown by the hook instead of exec(); what the hook leaves as the dialog's result() is the answer.
    std::function<void(QDialog& dialog)> modalDialog;
};

// The window's font: the nearest face to the 11-pixel "MS Sans Serif" it was designed for.
QFont WindowFont();

class TForm1 : public QMainWindow, public Host {
    Q_OBJECT
public:
    // Runs the start-up steps (FormCreate); the destructor runs the closing step (FormDestroy).
    explicit TForm1(const ProgramFolder& folder, WindowHooks hooks = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    const Form& GetForm() const { return form_; }
    const ProgramFolder& Folder() const { return folder_; }
    const WindowHooks& Hooks() const { return hooks_; }
    // Undo of the build list: its actions run through BuildListUndo().Record inside Run.
    BuildUndo& BuildListUndo() { return *buildUndo_; }

    // Host
    void SetProgressMax(int maximum) override;
    void SetProgress(int position) override;
    void SetStatus(int panel, const std::string& text) override;
    void SetCaption(const std::string& caption) override;
    void ShowPage(Page page) override;
    void ShowMessage(const std::string& text) override;
    void ShowFolder(const std::string& folder) override;
    std::string SelectedFile() const override;

    // Runs one handler: the widgets' texts go into the Form, the handler runs, the Form goes
    // back onto the screen. An error ends the handler and is shown in a message box.
    void Run(const std::function<void()>& handler);

public Q_SLOTS:
    // A line or two each, running one command through Run. Which button or menu item runs which
    // handler is the table in the constructor.
    // Opening a dump and reading it.
    void OnOpenDump();               // "Открыть", and "Открыть VESK" in the menu
    void OnFolderListDoubleClick();  // the file pane's double-click or Enter
    void OnReadList();               // "Поиск"
    void OnUnpack();                 // "Распаковка"
    // "Настройки".
    void OnChooseList();         // a click on a list in ListsGrid, or the keys moving to one
    void OnApplyUnpackFolder();  // "Применить"
    // Bringing a page to the front.
    void OnListPageShown();
    void OnSettingsPageShown();
    void OnNewVeskPageShown();
    // "Новый VESK".
    void OnMakeBlankDump();        // "Пустой "FF" файл"
    void OnFormatDump();           // "Форматировать"
    void OnAddFile();              // "Добавить", the button and the file pane's menu
    void OnDeleteRow();            // "Удалить", the button and the build list's menu
    void OnAddSystemFiles();       // "Системные"
    void OnShowOwnFiles();         // "Свои"
    void OnRename();               // "Переименовать" in the build list's menu
    void OnBuildGridKey(int key);  // Delete clears the row, Enter ends editing
    void OnAssemble();             // "Собрать"
    // "C10".
    void OnOpenImage();  // "Открыть"
    void OnPreview();    // "Просмотр"
    void OnNextFrame();  // "Кадр"
    void OnSaveImage();  // "Сохранить"

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void StartupStep(const std::function<void()>& step);
    void OpenDumpDialog();
    void OpenImageDialog();
    void SaveImageDialog();
    void OpenDumpAt(const std::string& path);
    void OnPageChanged(int index);
    void PageShown(int index);

    // Form <-> widgets.
    void PullFromWidgets();
    void PushToWidgets();
    void PushPicture();
    void Box(BoxKind kind, const std::string& text);
    std::optional<DialogChoice> AskOpen(const QStringList& filters, const std::string& start);
    std::optional<DialogChoice> AskSave(const QStringList& filters, const std::string& start);

    std::unique_ptr<Ui::TForm1> ui_;
    ProgramFolder folder_;
    WindowHooks hooks_;
    Form form_;
    TextGridModel* fileModel_ = nullptr;
    TextGridModel* fatModel_ = nullptr;
    TextGridModel* listsModel_ = nullptr;
    TextGridModel* buildModel_ = nullptr;
    BuildUndo* buildUndo_ = nullptr;
    QLabel* panels_[3] = {};
    // What ImageView shows; none until the first picture replaces the designed empty box.
    std::optional<Picture> shownPicture_;
    // The last picture chosen in a picture dialog: the next one starts in its folder.
    std::string lastPicture_;
    bool running_ = false;
    bool pushing_ = false;
};

}  // namespace vesk

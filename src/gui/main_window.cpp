#include "gui/main_window.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <filesystem>
#include <utility>

#include "assembly/commands.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "form/settings_commands.h"
#include "gui/about_text.h"
#include "gui/animation_controls.h"
#include "gui/build_undo.h"
#include "gui/inspection_pages.h"
#include "gui/picture_image.h"
#include "gui/press_table.h"
#include "gui/entry_viewer.h"
#include "gui/repack_controls.h"
#include "gui/text_grid_model.h"
#include "platform/file_output.h"
#include "platform/folders.h"
#include "picture/commands.h"
#include "ui_main_window.h"

namespace vesk {

namespace {

const char kTitle[] = "Vesk File Manager";
const char kStartupLine[] = "Откройте дамп из папки bins";
// A temporary an hour old belongs to no running write.
constexpr std::int64_t kTempAge = 3600;

// Tab positions in Pages: the order of the Page enumeration.
constexpr int kListPage = static_cast<int>(Page::List);
constexpr int kFatPage = static_cast<int>(Page::Fat);
constexpr int kSettingsPage = static_cast<int>(Page::Settings);
constexpr int kNewVeskPage = static_cast<int>(Page::NewVesk);
constexpr int kC10Page = static_cast<int>(Page::C10);

QString Q(const std::string& text) { return QString::fromStdString(text); }

QFont SizedFont(int pixels, bool bold) {
    QFont font = WindowFont();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QIcon ProgramIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0x1E, 0x4E, 0x8C));
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    painter.setFont(SizedFont(24, true));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    return QIcon(pixmap);
}

}  // namespace

QFont WindowFont() {
    // DejaVu Sans Condensed is as wide as the old bitmap face, so the designed sizes still fit.
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

TForm1::TForm1(const ProgramFolder& folder, WindowHooks hooks, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TForm1>()), folder_(folder), hooks_(std::move(hooks)) {
    setFont(WindowFont());
    ui_->setupUi(this);
    setWindowIcon(ProgramIcon());
    // Dialog-style frame: fixed size, no minimise or maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    // Status bar: three panels, the last right-aligned and read right to left.
    statusBar()->setSizeGripEnabled(false);
    statusBar()->setFixedHeight(18);
    statusBar()->setContentsMargins(0, 0, 0, 0);
    const int widths[3] = {200, 300, 100};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(statusBar());
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setFixedWidth(widths[i]);
        panels_[i]->setFrameShape(QFrame::Panel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(panels_[i]);
    }
    panels_[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panels_[2]->setLayoutDirection(Qt::RightToLeft);
    // The client area is 717 x 370 below the menu.
    setFixedSize(717, menuBar()->sizeHint().height() + 370);

    for (QLabel* label : {ui_->FirmwareLabel, ui_->ListAddressLabel, ui_->TempFolderLabel}) label->setFont(SizedFont(16, false));
    for (QLabel* label : {ui_->ImageNameLabel, ui_->DimensionsLabel}) label->setFont(SizedFont(16, true));
    ui_->Pages->setTabVisible(kFatPage, false);
    ui_->Pages->setCurrentIndex(kC10Page);
    ui_->HistoryText->setPlainText(VersionHistoryText());
    ui_->UsageText->setPlainText(UsageNotesText());
    ui_->HistoryText->setFixedHeight(144);
    ui_->UsageText->setFixedHeight(140);
    ui_->ImageView->raise();
    // A typed firmware name is taken as typed: nothing completes it from the list, and Enter
    // does not add it to the list.
    ui_->FirmwareCombo->setCompleter(nullptr);
    ui_->FirmwareCombo->setInsertPolicy(QComboBox::NoInsert);

    // Grids over the Form's TextGrids.
    fileModel_ = new TextGridModel(form_.FileGrid, true, {}, this);
    fatModel_ = new TextGridModel(form_.FatGrid, true, {}, this);
    listsModel_ = new TextGridModel(form_.ListsGrid, false, {}, this);
    buildModel_ = new TextGridModel(form_.BuildGrid, true, [this] { return form_.BuildGridEditing; }, this);
    ui_->FileGrid->setModel(fileModel_);
    ui_->FatGrid->setModel(fatModel_);
    ui_->ListsGrid->setModel(listsModel_);
    ui_->BuildGrid->setModel(buildModel_);
    ui_->ListsGrid->verticalHeader()->hide();
    ui_->FileGrid->SetRowHeight(20);
    ui_->BuildGrid->SetRowHeight(20);
    ui_->ListsGrid->SetRowHeight(15);
    ui_->FatGrid->SetRowHeight(15);
    ui_->FileGrid->SetColumnWidths({25, 150, 76, 44, 77, 45});
    ui_->BuildGrid->SetColumnWidths({25, 150, 75, 47, 79, 43, 282});
    ui_->ListsGrid->SetColumnWidths({100});
    ui_->FatGrid->horizontalHeader()->setDefaultSectionSize(50);
    ui_->FatGrid->verticalHeader()->setFixedWidth(50);

    // Pop-up menus.
    ui_->FolderList->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui_->FolderList->addAction(ui_->AddFileAction);
    ui_->BuildGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui_->BuildGrid->addAction(ui_->DeleteRowAction);
    ui_->BuildGrid->addAction(ui_->RenameAction);
    // Changing a dump: its buttons and menu items are made and wired there.
    new RepackControls(*this, form_, folder_, {ui_->FileGrid, fileModel_, ui_->BuildGrid, ui_->ListPage, ui_->NewVeskPage});
    buildUndo_ = new BuildUndo(*this, form_, ui_->BuildGrid, ui_->NewVeskPage);

    // Every button and menu item of the window, and the handler a press runs.
    ConnectPresses<TForm1>(this, {
        {ui_->OpenDumpButton, &TForm1::OnOpenDump},
        {ui_->OpenDumpAction, &TForm1::OnOpenDump},
        {ui_->ReadListButton, &TForm1::OnReadList},
        {ui_->UnpackButton, &TForm1::OnUnpack},
        {ui_->ApplyFolderButton, &TForm1::OnApplyUnpackFolder},
        {ui_->BlankDumpButton, &TForm1::OnMakeBlankDump},
        {ui_->FormatButton, &TForm1::OnFormatDump},
        {ui_->AddFileButton, &TForm1::OnAddFile},
        {ui_->AddFileAction, &TForm1::OnAddFile},
        {ui_->DeleteRowButton, &TForm1::OnDeleteRow},
        {ui_->DeleteRowAction, &TForm1::OnDeleteRow},
        {ui_->SystemFilesButton, &TForm1::OnAddSystemFiles},
        {ui_->OwnFilesButton, &TForm1::OnShowOwnFiles},
        {ui_->RenameAction, &TForm1::OnRename},
        {ui_->AssembleButton, &TForm1::OnAssemble},
        {ui_->OpenImageButton, &TForm1::OnOpenImage},
        {ui_->PreviewButton, &TForm1::OnPreview},
        {ui_->NextFrameButton, &TForm1::OnNextFrame},
        {ui_->SaveImageButton, &TForm1::OnSaveImage},
    });
    // The other controls' events.
    connect(ui_->FolderList, &FilePane::DoubleClicked, this, &TForm1::OnFolderListDoubleClick);
    // A click, or moving the current cell with the keys, chooses the list.
    connect(ui_->ListsGrid, &QTableView::clicked, this, &TForm1::OnChooseList);
    connect(ui_->ListsGrid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!pushing_) OnChooseList();
    });
    connect(ui_->Pages, &QTabWidget::currentChanged, this, &TForm1::OnPageChanged);
    connect(ui_->BuildGrid, &GridView::KeyDown, this, &TForm1::OnBuildGridKey);
    // Playing the frames: each step is a press of "Кадр" through Run; a step due while another
    // command waits in a dialog waits for the next tick.
    new AnimationControls({ui_->NextFrameButton, ui_->PicturePages, ui_->PicturePage, ui_->ImageView}, [this] {
        if (running_) return true;
        bool stepped = false;
        Run([&] {
            NextFrame(form_, *this);
            stepped = true;
        });
        return stepped;
    }, this);
    // "Карта" and "Сравнить": the dump inspection (gui/map_page.h).
    AddInspection(*this, form_, folder_, hooks_);
    // "Просмотр файла" on the rows of "Список" and the places of "Карта" (gui/entry_viewer.h).
    new EntryViewerControls(*this, form_, folder_, ui_->FileGrid, fileModel_);

    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
    // The child widgets outlive our members; the models must not reach the Form once it is gone.
    for (GridView* view : {ui_->FileGrid, ui_->FatGrid, ui_->ListsGrid, ui_->BuildGrid}) {
        QAbstractItemModel* model = view->model();
        view->setModel(nullptr);
        delete model;
    }
}

// ---- Start and close ----

void TForm1::StartupStep(const std::function<void()>& step) {
    // A failing step is reported and the window still comes up with the steps after it.
    try {
        step();
    } catch (const std::exception& e) {
        PushToWidgets();
        Box(BoxKind::Error, BoxText(e));
    }
}

void TForm1::FormCreate() {
    running_ = true;
    StartupStep([&] {
        // The label names the folder new dumps go to; its right end sits 5 pixels before the edit.
        QLabel* label = ui_->BuildNameLabel;
        label->setText(Q(folder_.Bins()));
        label->adjustSize();
        label->move(ui_->BuildNameEdit->x() - label->width() - 5, label->y());
    });
    // The folders beside the program are made when missing, so a fresh install starts clean.
    for (const std::string& dir : {folder_.Bins(), folder_.Files(), folder_.System()}) {
        StartupStep([&] { MakeFolders(dir); });
    }
    StartupStep([&] { ui_->FolderList->ShowFolder(folder_.Bins()); });
    // Temporaries of writes that a killed run left behind, once they are surely nobody's.
    for (const std::string& dir : {folder_.Path(), folder_.Bins(), folder_.Files(), folder_.System()}) {
        RemoveOldTemporaries(dir, kTempAge);
    }
    RemoveOldFolders(QDir::tempPath().toStdString(), kDragFolderPrefix, kDragFolderLetters, kTempAge);
    std::vector<std::string> firmwares;
    StartupStep([&] {
        Settings settings(folder_);
        move(settings.WindowX(), settings.WindowY());
        form_.TempFolderEdit = settings.UnpackFolder();
        StartupStep([&] { form_.TempFolderEdit = UnpackFolderWithDefault(settings, folder_); });
        firmwares = FirmwareNames(settings);
    });
    StartupStep([&] {
        setAcceptDrops(true);
        // Edit boxes would take a dropped file as text; the whole window is the drop target.
        for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
    });
    StartupStep([&] {
        for (const std::string& name : firmwares) ui_->FirmwareCombo->addItem(Q(name));
        // Item 1, the second name, when there is one; otherwise nothing is selected.
        const std::string selected = StartupFirmware(firmwares);
        ui_->FirmwareCombo->setCurrentIndex(selected.empty() ? -1 : 1);
        ui_->FirmwareCombo->setEditText(Q(selected));
        form_.FirmwareCombo = selected;
    });
    StartupStep([&] { panels_[0]->setText(QString::fromUtf8(kStartupLine)); });
    StartupStep([&] { InitGrids(form_); });
    if (!form_.TempFolderEdit.empty()) RemoveOldTemporaries(form_.TempFolderEdit, kTempAge);
    running_ = false;
    PushToWidgets();
}

void TForm1::FormDestroy() {
    try {
        Settings settings(folder_);
        settings.WriteWindowPosition(pos().x(), pos().y());
    } catch (const std::exception& e) {
        Box(BoxKind::Error, BoxText(e));
    }
}

// ---- The handler wrapper and the Form on screen ----

void TForm1::Run(const std::function<void()>& handler) {
    if (running_) {  // a reaction started from inside a command belongs to that command
        handler();
        return;
    }
    running_ = true;
    PullFromWidgets();
    try {
        handler();
    } catch (const std::exception& e) {
        // The application's one error handler: a failure or a refusal ends the handler and its
        // text is shown; what the command already did stays.
        PushToWidgets();
        Box(BoxKind::Error, BoxText(e));
    }
    running_ = false;
    PushToWidgets();
}

void TForm1::PullFromWidgets() {
    form_.FirmwareCombo = ui_->FirmwareCombo->currentText().toStdString();
    form_.ListAddressEdit = ui_->ListAddressEdit->text().toStdString();
    form_.TempFolderEdit = ui_->TempFolderEdit->text().toStdString();
    form_.BuildNameEdit = ui_->BuildNameEdit->text().toStdString();
    form_.DataSizeEdit = ui_->DataSizeEdit->text().toStdString();
    form_.FrameCountEdit = ui_->FrameCountEdit->text().toStdString();
    form_.PaletteCountEdit = ui_->PaletteCountEdit->text().toStdString();
    form_.DataStartEdit = ui_->DataStartEdit->text().toStdString();
    form_.ImageWidthEdit = ui_->ImageWidthEdit->text().toStdString();
    form_.ImageHeightEdit = ui_->ImageHeightEdit->text().toStdString();
    for (GridView* view : {ui_->FileGrid, ui_->ListsGrid, ui_->BuildGrid}) {
        auto* model = static_cast<TextGridModel*>(view->model());
        if (view == ui_->BuildGrid) view->EndEditing();
        const QModelIndex current = view->currentIndex();
        if (!current.isValid()) continue;
        model->Grid().Col = model->GridCol(current.column());
        model->Grid().Row = model->GridRow(current.row());
    }
}

void TForm1::PushToWidgets() {
    // What the Form holds is shown, not taken as the user's doing.
    const bool wasPushing = std::exchange(pushing_, true);
    auto setText = [](QLineEdit* edit, const std::string& text) {
        if (edit->text() != Q(text)) edit->setText(Q(text));
    };
    if (ui_->FirmwareCombo->currentText() != Q(form_.FirmwareCombo)) ui_->FirmwareCombo->setEditText(Q(form_.FirmwareCombo));
    setText(ui_->ListAddressEdit, form_.ListAddressEdit);
    setText(ui_->TempFolderEdit, form_.TempFolderEdit);
    setText(ui_->BuildNameEdit, form_.BuildNameEdit);
    setText(ui_->DataSizeEdit, form_.DataSizeEdit);
    setText(ui_->FrameCountEdit, form_.FrameCountEdit);
    setText(ui_->PaletteCountEdit, form_.PaletteCountEdit);
    setText(ui_->DataStartEdit, form_.DataStartEdit);
    setText(ui_->ImageWidthEdit, form_.ImageWidthEdit);
    setText(ui_->ImageHeightEdit, form_.ImageHeightEdit);
    ui_->ImageNameLabel->setText(Q(form_.ImageNameLabel));
    ui_->DimensionsLabel->setText(Q(form_.DimensionsLabel));
    ui_->PreviewButton->setEnabled(form_.PreviewButtonEnabled);
    ui_->NextFrameButton->setEnabled(form_.NextFrameButtonEnabled);
    ui_->NextFrameButton->setText(Q(form_.NextFrameButtonCaption));
    PushPicture();

    if (!form_.BuildGridEditing) ui_->BuildGrid->EndEditing();
    for (GridView* view : {ui_->FileGrid, ui_->FatGrid, ui_->ListsGrid, ui_->BuildGrid}) {
        auto* model = static_cast<TextGridModel*>(view->model());
        model->Refresh();
        view->SetCornerText(model->CornerText());
        const TextGrid& grid = model->Grid();
        const QModelIndex wanted = model->IndexOf(grid.Col, grid.Row);
        if (wanted.isValid() && wanted != view->currentIndex()) view->setCurrentIndex(wanted);
    }
    pushing_ = wasPushing;
}

void TForm1::PushPicture() {
    const Picture& picture = form_.ImageView;
    // Until a command makes a picture, the box keeps its designed size.
    if (!shownPicture_ && picture.width == 0 && picture.height == 0) return;
    if (shownPicture_ && picture.width == shownPicture_->width && picture.height == shownPicture_->height &&
        picture.pixels == shownPicture_->pixels)
        return;
    const int width = std::max(picture.width, 0);
    const int height = std::max(picture.height, 0);
    QPixmap pixmap;  // a picture without pixels shows none, yet still sizes the box and bevel
    if (width > 0 && height > 0) {
        pixmap = QPixmap::fromImage(ToQImage(picture));
    }
    // Unscaled, one screen pixel per picture pixel; the bevel follows the picture's size.
    ui_->ImageView->setPixmap(pixmap);
    ui_->ImageView->resize(width, height);
    ui_->ImageBevel->resize(width + 2, height + 2);
    shownPicture_ = picture;
}

void TForm1::Box(BoxKind kind, const std::string& text) {
    if (hooks_.messageBox) {
        hooks_.messageBox(kind, text);
        return;
    }
    QMessageBox box(kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, QString::fromUtf8(kTitle), Q(text),
                    QMessageBox::Ok, this);
    box.exec();
}

std::optional<DialogChoice> TForm1::AskOpen(const QStringList& filters, const std::string& start) {
    if (hooks_.openDialog) return hooks_.openDialog(filters, start);
    return RunFileDialog(this, QFileDialog::AcceptOpen, filters, start);
}

std::optional<DialogChoice> TForm1::AskSave(const QStringList& filters, const std::string& start) {
    if (hooks_.saveDialog) return hooks_.saveDialog(filters, start);
    return RunFileDialog(this, QFileDialog::AcceptSave, filters, start);
}

// ---- Host ----

void TForm1::SetProgressMax(int maximum) {
    // A position past the new maximum is held at it, as the old program's bar did; Qt would
    // empty the bar instead.
    QProgressBar* bar = ui_->ProgressBar;
    const int position = std::min(bar->value(), maximum);
    bar->setMaximum(maximum);
    bar->setValue(position);
    bar->repaint();
}

void TForm1::SetProgress(int position) {
    // Held inside the range, as the platform's bar does: Qt would ignore a position past the
    // maximum, and a pass whose last step passes it would end short of full.
    QProgressBar* bar = ui_->ProgressBar;
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    bar->repaint();
}

void TForm1::SetStatus(int panel, const std::string& text) {
    if (panel < 0 || panel > 2) return;
    panels_[panel]->setText(Q(text));
    panels_[panel]->repaint();
}

void TForm1::SetCaption(const std::string& caption) { setWindowTitle(Q(caption)); }

void TForm1::ShowPage(Page page) {
    const int index = static_cast<int>(page);
    if (ui_->Pages->currentIndex() == index) return;
    ui_->Pages->setCurrentIndex(index);
    PageShown(index);
}

void TForm1::ShowMessage(const std::string& text) {
    PushToWidgets();
    Box(BoxKind::Information, text);
}

void TForm1::ShowFolder(const std::string& folder) { ui_->FolderList->ShowFolder(folder); }

std::string TForm1::SelectedFile() const { return ui_->FolderList->SelectedFile(); }

// ---- Opening a dump ----

void TForm1::OpenDumpAt(const std::string& path) {
    form_.OpenDumpPath = path;
    OpenDump(form_, *this, folder_);
}

void TForm1::OpenDumpDialog() {
    const QStringList filters{QStringLiteral("Vesk (*.bin)"), QStringLiteral("All files (*.*)")};
    const auto choice = AskOpen(filters, DumpDialogStart(form_.OpenDumpPath, folder_.Bins()));
    if (choice) OpenDumpAt(choice->path);
}

void TForm1::OnOpenDump() { Run([this] { OpenDumpDialog(); }); }
void TForm1::OnFolderListDoubleClick() { Run([this] { OpenDumpAt(SelectedFile()); }); }
void TForm1::OnReadList() { Run([this] { ReadFileList(form_, *this, folder_); }); }
void TForm1::OnUnpack() { Run([this] { UnpackFiles(form_, *this, folder_); }); }

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    // Only the first dropped file is opened; the rest of a drop is ignored.
    std::string path;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            path = url.toLocalFile().toStdString();
            break;
        }
    }
    event->acceptProposedAction();
    if (!path.empty()) Run([&] { OpenDumpAt(path); });
}

// ---- "Настройки" and page reactions ----

void TForm1::OnChooseList() { Run([this] { ChooseList(form_); }); }
void TForm1::OnApplyUnpackFolder() { Run([this] { ApplyUnpackFolder(form_, folder_); }); }

void TForm1::OnPageChanged(int index) {
    if (running_) return;  // ShowPage runs the reaction itself, inside its command
    Run([this, index] { PageShown(index); });
}

void TForm1::PageShown(int index) {
    if (index == kListPage) OnListPageShown();
    if (index == kSettingsPage) OnSettingsPageShown();
    if (index == kNewVeskPage) OnNewVeskPageShown();
}

void TForm1::OnListPageShown() { Run([this] { ShowBinsFolder(*this, folder_); }); }
void TForm1::OnSettingsPageShown() { Run([this] { ShowBinsFolder(*this, folder_); }); }
void TForm1::OnNewVeskPageShown() { Run([this] { ShowUnpackPage(form_, *this); }); }

// ---- "Новый VESK" ----

void TForm1::OnMakeBlankDump() { Run([this] { MakeBlankDump(form_, *this, folder_); }); }
void TForm1::OnFormatDump() { Run([this] { FormatDump(form_, *this, folder_); }); }
// The build list's actions, each a step that "Отменить" takes back.
void TForm1::OnAddFile() { Run([this] { buildUndo_->Record([this] { AddSelectedFile(form_, *this, folder_); }); }); }
void TForm1::OnDeleteRow() { Run([this] { buildUndo_->Record([this] { ClearBuildRow(form_); }); }); }
void TForm1::OnAddSystemFiles() { Run([this] { buildUndo_->Record([this] { AddSystemFiles(form_, *this, folder_); }); }); }
void TForm1::OnShowOwnFiles() { Run([this] { ShowUnpackFolder(form_, *this); }); }
void TForm1::OnRename() { Run([this] { buildUndo_->Record([this] { SetBuildGridEditing(form_, true); }); }); }
// "Собрать", and the read-back check of what it wrote in the status bar.
void TForm1::OnAssemble() { Run([this] { AssembleDumpAndCheck(form_, *this, folder_); }); }

void TForm1::OnBuildGridKey(int key) {
    if (key == Qt::Key_Delete) OnDeleteRow();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) Run([this] { SetBuildGridEditing(form_, false); });
}

// ---- "C10" ----

void TForm1::OpenImageDialog() {
    QStringList filters;
    for (const auto& kind : kOpenEntries) filters << Q(std::string(kind ? InfoOf(*kind).filter : kAllFilesFilter));
    const auto choice = AskOpen(filters, PictureDialogStart(lastPicture_, form_.TempFolderEdit));
    if (!choice) return;
    lastPicture_ = choice->path;
    OpenImage(form_, *this, choice->path, OpenEntryKind(choice->filterIndex));
}

void TForm1::SaveImageDialog() {
    QStringList filters;
    for (const PictureKind kind : kSaveEntries) filters << Q(std::string(InfoOf(kind).filter));
    const auto choice = AskSave(filters, SaveDialogStart(form_.SaveDialogPath, lastPicture_, form_.TempFolderEdit));
    if (!choice) return;
    lastPicture_ = choice->path;
    if (const auto kind = SaveEntryKind(choice->filterIndex)) SaveImage(form_, *this, choice->path, *kind);
}

void TForm1::OnOpenImage() { Run([this] { OpenImageDialog(); }); }
void TForm1::OnPreview() { Run([this] { PreviewImage(form_, *this); }); }
void TForm1::OnNextFrame() { Run([this] { NextFrame(form_, *this); }); }
void TForm1::OnSaveImage() { Run([this] { SaveImageDialog(); }); }

}  // namespace vesk

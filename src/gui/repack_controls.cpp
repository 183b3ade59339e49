#include "gui/repack_controls.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

#include "assembly/repack.h"
#include "base/error.h"
#include "gui/build_undo.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "gui/press_table.h"
#include "gui/replace_dialog.h"
#include "gui/text_grid_model.h"

namespace vesk {
namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

QAction* MenuItem(QWidget* owner, const char* name, const char* caption) {
    auto* action = new QAction(Q(caption), owner);
    action->setObjectName(Q(name));
    owner->setContextMenuPolicy(Qt::ActionsContextMenu);
    owner->addAction(action);
    return action;
}

}  // namespace

RepackControls::RepackControls(TForm1& window, Form& form, const ProgramFolder& folder, const Widgets& widgets)
    : QObject(&window), window_(window), form_(form), folder_(folder), widgets_(widgets) {
    // "Список": a strip under the grid for "В сборку"; the grid gives up the strip's height.
    auto* strip = new QWidget(widgets.listPage);
    strip->setObjectName(Q("ListButtons"));
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 3, 4, 3);
    auto* toBuild = new QPushButton(Q("В сборку"), strip);
    toBuild->setObjectName(Q("ToBuildButton"));
    toBuild->setFixedSize(81, 25);
    stripLayout->addWidget(toBuild);
    stripLayout->addStretch();
    if (auto* pageLayout = qobject_cast<QBoxLayout*>(widgets.listPage->layout())) pageLayout->addWidget(strip);

    // Several rows of the list can be chosen, taken out by the menu or dragged out.
    GridView* files = widgets.fileGrid;
    files->setSelectionBehavior(QAbstractItemView::SelectRows);
    files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files->setDragEnabled(true);
    files->setDragDropMode(QAbstractItemView::DragOnly);
    files->setDefaultDropAction(Qt::CopyAction);
    widgets.fileModel->SetDragData([this](const std::vector<int>& rows) { return DragData(rows); });
    QAction* toBuildItem = MenuItem(files, "ToBuildAction", "В сборку");
    QAction* extract = MenuItem(files, "ExtractAction", "Извлечь...");

    // "Новый VESK": the build list's menu, and the button in the free place of the first row of
    // buttons, between "Форматировать" and "Собрать".
    QAction* replace = MenuItem(widgets.buildGrid, "ReplaceAction", "Заменить...");
    auto* assembleAll = new QPushButton(Q("Собрать всё"), widgets.newVeskPage);
    assembleAll->setObjectName(Q("AssembleAllButton"));
    assembleAll->setGeometry(263, 33, 89, 25);

    ConnectPresses<RepackControls>(this, {
        {toBuild, &RepackControls::ToBuildClick},
        {toBuildItem, &RepackControls::ToBuildClick},
        {extract, &RepackControls::ExtractClick},
        {replace, &RepackControls::ReplaceClick},
        {assembleAll, &RepackControls::AssembleAllClick},
    });
}

RepackControls::~RepackControls() = default;

std::vector<int> RepackControls::SelectedFileRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : widgets_.fileGrid->selectionModel()->selectedRows()) {
        rows.push_back(widgets_.fileModel->GridRow(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::optional<std::string> RepackControls::AskFile(const std::string& current) {
    const QStringList filters{Q("All files (*)")};
    if (window_.Hooks().openDialog) {
        const auto choice = window_.Hooks().openDialog(filters, current);
        return choice ? std::optional(choice->path) : std::nullopt;
    }
    // A dialog of its own: the window's one open dialog names the open dump, which stays.
    const QString path = QFileDialog::getOpenFileName(&window_, Q("Заменить файл"), QString::fromStdString(current), filters.front());
    return path.isEmpty() ? std::nullopt : std::optional(path.toStdString());
}

std::optional<std::string> RepackControls::AskFolder(const std::string& current) {
    if (window_.Hooks().folderDialog) return window_.Hooks().folderDialog(current);
    const QString path = QFileDialog::getExistingDirectory(&window_, Q("Извлечь в папку"), QString::fromStdString(current));
    return path.isEmpty() ? std::nullopt : std::optional(path.toStdString());
}

void RepackControls::ToBuildClick() {
    window_.Run([this] { window_.BuildListUndo().Record([this] { TakeListIntoBuild(form_, window_, folder_); }); });
}

void RepackControls::ExtractClick() {
    const std::vector<int> rows = SelectedFileRows();
    window_.Run([&] {
        if (rows.empty()) Refuse("Выберите строки списка, которые извлечь.");
        if (const auto out = AskFolder(form_.TempFolderEdit)) ExtractRows(form_, window_, folder_, rows, *out);
    });
}

void RepackControls::ReplaceClick() {
    window_.Run([this] {
        // An empty row is refused before the dialog asks for anything.
        const BuildRow row = BuildRowOf(form_.BuildGrid, CurrentBuildRow(form_));
        const auto path = AskFile(row.path);
        if (!path) return;
        // A picture in place of a picture of another kind or size: convert it, keep it, or not replace.
        const auto offer = PictureOfferFor(row, *path);
        const ReplaceChoice choice = offer ? AskPictureReplace(&window_, window_.Hooks(), row, *path, *offer) : ReplaceChoice::Keep;
        if (choice == ReplaceChoice::Cancel) return;
        window_.BuildListUndo().Record([&] {
            if (choice == ReplaceChoice::Convert) {
                ReplaceBuildFileConverted(form_, *path);
            } else {
                ReplaceBuildFile(form_, *path);
            }
        });
    });
}

void RepackControls::AssembleAllClick() {
    window_.Run([this] { AssembleAll(form_, window_, folder_); });
}

QMimeData* RepackControls::DragData(const std::vector<int>& rows) {
    std::vector<std::string> paths;
    window_.Run([&] {
        if (!dragFolder_) {
            dragFolder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/" + QString::fromUtf8(kDragFolderPrefix.data(), kDragFolderPrefix.size()) +
                                                          QString(kDragFolderLetters, QChar(u'X')));
            if (!dragFolder_->isValid()) ThrowUnableToWrite(dragFolder_->path().toStdString());
        }
        paths = ExtractRows(form_, window_, folder_, rows, dragFolder_->path().toStdString() + "/");
    });
    if (paths.empty()) return nullptr;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

}  // namespace vesk

#include "gui/file_pane.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

#include "base/error.h"
#include "platform/file_output.h"
#include "platform/folders.h"

namespace vesk {

namespace {

// One file per 16-pixel line, wide enough for icon and name. Asked by the view as it lays the
// lines out, in batches after the first paint, rather than for every file before it.
class LineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(option.fontMetrics.horizontalAdvance(index.data().toString()) + 28, 16);
    }
};

// The desktop's icon for a file, judged by the name's suffix: the icon provider reads the MIME
// database for each file it is asked about, which for a folder of 100,000 files takes seconds.
class SuffixIcons {
public:
    QIcon Of(const QString& folder, const QString& name) {
        const QString suffix = QFileInfo(name).suffix().toLower();
        auto found = icons_.constFind(suffix);
        if (found == icons_.constEnd()) found = icons_.insert(suffix, provider_.icon(QFileInfo(folder + name)));
        return *found;
    }

private:
    QFileIconProvider provider_;
    QHash<QString, QIcon> icons_;
};

}  // namespace

FilePane::FilePane(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setItemDelegate(new LineDelegate(this));
    setLayoutMode(QListView::Batched);
}

void FilePane::ShowFolder(const std::string& folder) {
    if (folder.empty()) {
        // No folder: nothing to list, nothing that "Добавить" could take.
        clear();
        folder_.clear();
        return;
    }
    CheckFolderListable(folder);
    QStringList names;
    for (const std::string& name : ListNonFolders(folder)) {
        // A file being written is no file yet.
        if (!IsTempName(name)) names.push_back(QFile::decodeName(QByteArray::fromStdString(name)));
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    clear();
    // All lines in one insertion: one at a time, each would be announced to the view on its own.
    addItems(names);
    // The icons go in quietly, before the view has laid out or painted a line.
    static SuffixIcons icons;
    const QString base = QString::fromStdString(folder.back() == '/' ? folder : folder + "/");
    {
        const QSignalBlocker quiet(model());
        for (int row = 0; row < count(); ++row) item(row)->setIcon(icons.Of(base, item(row)->text()));
    }
    folder_ = folder;
    setCurrentRow(-1);
    clearSelection();
}

std::string FilePane::SelectedFile() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    if (chosen.isEmpty()) return {};
    std::string path = folder_;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + chosen.front()->text().toStdString();
}

void FilePane::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    Q_EMIT DoubleClicked();
}

void FilePane::keyPressEvent(QKeyEvent* event) {
    // Enter opens the selected file as a double-click does; with nothing selected it does nothing.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !selectedItems().isEmpty()) {
        Q_EMIT DoubleClicked();
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace vesk

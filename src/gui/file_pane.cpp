#include "gui/file_pane.h"

#include <QDir>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QMouseEvent>

#include "base/error.h"
#include "platform/file_output.h"
#include "platform/folders.h"

namespace vesk {

FilePane::FilePane(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
}

void FilePane::ShowFolder(const std::string& folder) {
    if (folder.empty()) {
        // No folder: nothing to list, nothing that "Добавить" could take.
        clear();
        folder_.clear();
        return;
    }
    CheckFolderListable(folder);
    const QDir dir(QString::fromStdString(folder));
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    static const QFileIconProvider icons;
    clear();
    for (const QFileInfo& info : entries) {
        // A file being written is no file yet.
        if (IsTempName(info.fileName().toStdString())) continue;
        auto* item = new QListWidgetItem(icons.icon(info), info.fileName(), this);
        // One file per 16-pixel line, wide enough for icon and name.
        item->setSizeHint(QSize(fontMetrics().horizontalAdvance(info.fileName()) + 28, 16));
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

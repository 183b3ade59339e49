#include "gui/file_dialog.h"

#include <QComboBox>
#include <filesystem>
#include <system_error>

namespace vesk {

namespace {

namespace fs = std::filesystem;

// On the old platform "*.*" matched every file; Qt's "*.*" wants a dot, and "*" matches all.
QString QtFilter(QString caption) { return caption.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)")); }

QStringList QtFilters(const QStringList& captions) {
    QStringList filters;
    for (const QString& caption : captions) filters.push_back(QtFilter(caption));
    return filters;
}

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

std::string AsFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

void SetUpFileDialog(QFileDialog& dialog, QFileDialog::AcceptMode mode, const QStringList& filters,
                     const std::string& start) {
    dialog.setAcceptMode(mode);
    // Several files may be chosen when opening; the first one counts.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    // Saving appends the kind's extension to the chosen name, so asking about the chosen name
    // would ask about the wrong file; the file written is replaced without a question.
    if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList qtFilters = QtFilters(filters);
    dialog.setNameFilters(qtFilters);
    dialog.selectNameFilter(qtFilters.front());
    // Qt's own dialog shows the captions as given; the patterns stay Qt's. A platform dialog
    // shows Qt's filters.
    if (auto* kinds = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")); kinds && kinds->count() == filters.size()) {
        for (int i = 0; i < filters.size(); ++i) kinds->setItemText(i, filters[i]);
    }
    if (start.empty()) return;
    if (start.back() == '/') {
        dialog.setDirectory(QString::fromStdString(start));
    } else {
        dialog.selectFile(QString::fromStdString(start));
    }
}

std::optional<DialogChoice> ChoiceOf(const QFileDialog& dialog, const QStringList& filters) {
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    const QString filter = dialog.selectedNameFilter();
    qsizetype index = filters.indexOf(filter);
    if (index < 0) index = QtFilters(filters).indexOf(filter);
    return DialogChoice{files.front().toStdString(), static_cast<int>(index) + 1};
}

std::optional<DialogChoice> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QStringList& filters,
                                          const std::string& start) {
    QFileDialog dialog(parent);
    SetUpFileDialog(dialog, mode, filters, start);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ChoiceOf(dialog, filters);
}

std::string DumpDialogStart(const std::string& openDumpPath, const std::string& bins) {
    std::error_code ec;
    if (!openDumpPath.empty() && fs::equivalent(fs::path(openDumpPath).parent_path(), bins, ec)) return openDumpPath;
    return AsFolder(bins);
}

std::string PictureDialogStart(const std::string& lastPicture, const std::string& unpackFolder) {
    const fs::path lastFolder = fs::path(lastPicture).parent_path();
    if (IsFolder(lastFolder)) return AsFolder(lastFolder.string());
    if (IsFolder(unpackFolder)) return AsFolder(unpackFolder);
    return {};
}

std::string SaveDialogStart(const std::string& saveDialogPath, const std::string& lastPicture,
                            const std::string& unpackFolder) {
    if (!saveDialogPath.empty() && IsFolder(fs::path(saveDialogPath).parent_path())) return saveDialogPath;
    return PictureDialogStart(lastPicture, unpackFolder);
}

}  // namespace vesk

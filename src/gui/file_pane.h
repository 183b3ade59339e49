#pragma once
// The file pane on the left: the files of one folder (hidden and system files too, no
// subfolders), one per line with the desktop's icon for its type. Listing is synchronous, so
// what a command has just pointed the pane at is there when the command goes on; it is cheap
// (a folder of 100,000 files in well under a second): the view lays the lines out in batches.
#include <QListWidget>
#include <string>

namespace vesk {

class FilePane : public QListWidget {
    Q_OBJECT
public:
    explicit FilePane(QWidget* parent = nullptr);

    // Throws vesk::Error ("I/O error 3", path not found: docs/COMPATIBILITY.md, Errors) when the
    // folder cannot be listed; the pane then keeps what it showed. "" empties the pane.
    void ShowFolder(const std::string& folder);
    const std::string& Folder() const { return folder_; }
    // The selected file's full path, "" when nothing is selected.
    std::string SelectedFile() const;

Q_SIGNALS:
    // Any double-click inside the pane, also on empty space (the handler then gets ""), and
    // Enter on a selected file.
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string folder_;
};

}  // namespace vesk

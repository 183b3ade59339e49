#pragma once
// The window's controls for changing a dump: "В сборку" on "Список" (button and pop-up menu),
// "Извлечь..." and dragging rows out of "Список", "Заменить..." in the build list's pop-up menu
// and "Собрать всё" on "Новый VESK". They run through TForm1::Run like every handler.
#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QMimeData;
class QPushButton;
class QTemporaryDir;

namespace vesk {

// The temporary folder rows are dragged out of (QTemporaryDir's pattern, "XXXXXX"): removed
// with its files when the window closes, and at the next start when a killed run left it.
inline constexpr std::string_view kDragFolderPrefix = "vesk-drag-";
inline constexpr int kDragFolderLetters = 6;

class GridView;
class TForm1;
class TextGridModel;
class ProgramFolder;
struct Form;

class RepackControls : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        GridView* fileGrid;
        TextGridModel* fileModel;
        GridView* buildGrid;
        QWidget* listPage;
        QWidget* newVeskPage;
    };
    RepackControls(TForm1& window, Form& form, const ProgramFolder& folder, const Widgets& widgets);
    ~RepackControls() override;

    // What a drag of these FileGrid rows carries: their files, unpacked into a temporary folder
    // of the window, as file URLs. nullptr when nothing could be unpacked.
    QMimeData* DragData(const std::vector<int>& rows);

public Q_SLOTS:
    void ToBuildClick();
    void ExtractClick();
    void ReplaceClick();
    void AssembleAllClick();

private:
    // The FileGrid rows selected, in order.
    std::vector<int> SelectedFileRows() const;
    std::optional<std::string> AskFile(const std::string& current);
    std::optional<std::string> AskFolder(const std::string& current);

    TForm1& window_;
    Form& form_;
    const ProgramFolder& folder_;
    Widgets widgets_;
    std::unique_ptr<QTemporaryDir> dragFolder_;
};

}  // namespace vesk

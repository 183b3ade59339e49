#pragma once
// Beyond the window's own controls: "Просмотр файла", a window of its own that shows one file of
// the list on "Список" as it lies in the dump (nothing is unpacked): what it is, its picture
// (fitted to the window, zoomed, C10 frames stepped and played as on "C10"), its text, and its
// bytes; or the bytes of one block place that a click on "Карта" chose. One viewer at a time; it
// follows the current row of "Список". Rows of "Список" tell the same in their tooltips.
#include <QAbstractTableModel>
#include <QImage>
#include <QObject>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inspect/entry_view.h"
#include "picture/content_judge.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;

namespace vesk {

class GridView;
class TForm1;
class TextGridModel;
class ProgramFolder;
struct Form;

// The bytes of a file, sixteen to a row: each byte a cell, then the row's text. Rows are made
// when the view asks for them, so a dump's 3 MiB scroll as smoothly as a few bytes.
class HexModel : public QAbstractTableModel {
public:
    static constexpr int kBytesPerRow = 16;
    static constexpr int kTextColumn = kBytesPerRow;

    struct Mark {
        std::int64_t start = 0;
        std::int64_t length = 0;
        QColor color;
        QString caption;  // the tooltip of its bytes
    };

    explicit HexModel(QObject* parent = nullptr);
    void SetBytes(std::vector<std::uint8_t> bytes, std::vector<Mark> marks = {});
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Mark* MarkAt(std::int64_t offset) const;

    std::vector<std::uint8_t> bytes_;
    std::vector<Mark> marks_;
};

// A picture scaled to fit its area (the default), or zoomed by the user; 1:1 shows it as it is.
class PictureArea : public QWidget {
public:
    explicit PictureArea(QWidget* parent = nullptr);
    void SetImage(const QImage& image, bool keepZoom);
    void Fit();
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    double Scale() const;
    bool Fitting() const { return fitting_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Show();

    QScrollArea* scroll_ = nullptr;
    QLabel* label_ = nullptr;
    QImage image_;
    bool fitting_ = true;
    double zoom_ = 1.0;
};

class EntryViewer : public QWidget {
public:
    EntryViewer(TForm1& window, QWidget* parent = nullptr);

    // A file of a list, judged as `info` says.
    void ShowEntry(const EntryFile& file, const ContentInfo& info);
    // A block place of the dump: its bytes, the owner tag and the content marked.
    void ShowBlock(const BlockBytes& block);

    QString InfoText() const;
    const EntryFile* Entry() const { return entry_ ? &*entry_ : nullptr; }
    const C10Frames* Frames() const { return frames_.get(); }
    HexModel* Hex() const { return hex_; }
    PictureArea* Picture() const { return picture_; }

    // The controls.
    void ExtractClick();
    void NextFrameClick();
    void PlayClick();

private:
    void ShowFrame(bool keepZoom);
    void StopPlaying();
    void Tick();
    void ShowPages(bool picture, bool text);

    TForm1& window_;
    QLabel* info_ = nullptr;
    QPushButton* extract_ = nullptr;
    QWidget* pictureControls_ = nullptr;
    QWidget* frameControls_ = nullptr;
    QPushButton* nextFrame_ = nullptr;
    QPushButton* play_ = nullptr;
    QSpinBox* delay_ = nullptr;
    QLabel* frameLabel_ = nullptr;
    QTabWidget* pages_ = nullptr;
    PictureArea* picture_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QTableView* hexView_ = nullptr;
    HexModel* hex_ = nullptr;
    QTimer* timer_ = nullptr;
    std::optional<EntryFile> entry_;
    std::unique_ptr<C10Frames> frames_;
};

// The wiring on the main window: a double-click, Enter or "Просмотр" in the pop-up menu of
// "Список" opens the viewer on the row; the viewer follows the current row; the rows' tooltips;
// a click on a place of "Карта" opens the viewer on the block.
class EntryViewerControls : public QObject {
public:
    EntryViewerControls(TForm1& window, Form& form, const ProgramFolder& folder, GridView* fileGrid, TextGridModel* fileModel);

    // Opens (or brings up) the viewer on FileGrid row `row` (from 1).
    void Open(int row);
    // The viewer, when it was ever opened.
    EntryViewer* Viewer() const { return viewer_; }
    // What the tooltip of FileGrid row `row` says; empty for an empty row or an unreadable dump.
    QString RowTip(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The list that "Список" shows, read once for each dump, list and firmware (and again when
    // the dump file changes).
    std::shared_ptr<const ListFiles> Files();
    // The file of FileGrid row `row`; refused when the grid no longer shows what the dump holds.
    const EntryFile* RowFile(const ListFiles& files, int row) const;
    const ContentInfo& InfoOf(const EntryFile& file);
    void Show(int row);
    void ShowPlace(int sector, int place);
    EntryViewer& MakeViewer();

    TForm1& window_;
    Form& form_;
    const ProgramFolder& folder_;
    GridView* fileGrid_;
    TextGridModel* fileModel_;
    QWidget* viewport_ = nullptr;  // the grid's, whose tooltips this gives
    EntryViewer* viewer_ = nullptr;

    struct Cache {
        std::string key;
        std::shared_ptr<const ListFiles> files;
        std::map<int, ContentInfo> infos;  // by entry index
    } cache_;
};

}  // namespace vesk

#pragma once
// The page "Карта" and the "Сравнить" button of "Настройки": the inspection of the open dump in
// the window. The map paints the 48 sectors (columns) by 15 block places (rows); "Проверить"
// lists the check's findings beside it, "Восстановить всё" recovers into a folder the user picks.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"

class QListWidget;
class QPushButton;

namespace vesk {

class TForm1;
struct WindowHooks;

class BlockMapView : public QWidget {
public:
    explicit BlockMapView(QWidget* parent = nullptr);

    // A click on a place.
    std::function<void(int sector, int place)> placeClicked;

    void SetInspection(std::shared_ptr<const Inspection> inspection);
    void SetMarked(std::vector<PlaceRef> places);
    const std::vector<PlaceRef>& Marked() const { return marked_; }

    QRect CellRect(int sector, int place) const;
    QColor CellColor(int sector, int place) const;
    // What hovering shows: sector, place, offset, slots, owner tag and the file.
    QString CellTip(int sector, int place) const;
    std::optional<PlaceRef> PlaceAt(const QPoint& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::shared_ptr<const Inspection> inspection_;
    std::vector<PlaceRef> marked_;
};

class MapPage : public QWidget {
public:
    MapPage(TForm1& window, Form& form, const ProgramFolder& folder, const WindowHooks& hooks, QWidget* parent = nullptr);

    // Reads the map of the open dump again (showing the page does it).
    void Refresh();
    // "Проверить", "Восстановить всё", a click on a finding, a click on a place.
    void CheckClick();
    void RecoverClick();
    void FindingClick(int row);
    void PlaceClick(int sector, int place);

    BlockMapView* View() const { return view_; }
    // The map last read, none before the page was shown with a dump open.
    std::shared_ptr<const Inspection> CurrentInspection() const { return inspection_; }
    const std::vector<Finding>& Findings() const { return findings_; }

private:
    void Load();

    TForm1& window_;
    Form& form_;
    ProgramFolder folder_;
    const WindowHooks& hooks_;
    BlockMapView* view_ = nullptr;
    QListWidget* findingList_ = nullptr;
    std::shared_ptr<const Inspection> inspection_;
    std::vector<Finding> findings_;
};

}  // namespace vesk

#pragma once
// Shows one of the Form's TextGrids in a QTableView. Row 0 of the grid is the header row and,
// where the grid has a fixed column, column 0 is the vertical header: both stay put while the
// cells scroll, as the fixed cells of the original grids did. Edits go straight into the grid.
#include <QAbstractTableModel>
#include <functional>
#include <vector>

#include "form/text_grid.h"

namespace vesk {

class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // editable is asked on every edit attempt, so the Form decides when cells may be typed over.
    TextGridModel(TextGrid& grid, bool fixedColumn, std::function<bool()> editable = {}, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    // Rows may be dragged out: `data` makes what a drag of these grid rows carries, when the
    // drag starts (nullptr: no drag).
    void SetDragData(std::function<QMimeData*(const std::vector<int>& gridRows)> data) { drag_ = std::move(data); }

    // Grid coordinates of a model index and back.
    int GridCol(int modelCol) const { return modelCol + fixedCols_; }
    int GridRow(int modelRow) const { return modelRow + 1; }
    QModelIndex IndexOf(int gridCol, int gridRow) const;

    // A command has changed the grid behind our back: repaint every cell and header.
    void Refresh();

    TextGrid& Grid() const { return grid_; }
    // The fixed cell where row 0 meets the fixed column, "" without one.
    QString CornerText() const { return fixedCols_ ? QString::fromStdString(grid_.Cell(kFixedCol, 0)) : QString(); }

private:
    // Where a grid has a fixed column, it is its first.
    static constexpr int kFixedCol = 0;

    TextGrid& grid_;
    int fixedCols_;
    std::function<bool()> editable_;
    std::function<QMimeData*(const std::vector<int>&)> drag_;
};

}  // namespace vesk

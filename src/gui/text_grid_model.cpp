#include "gui/text_grid_model.h"

#include <QMimeData>
#include <set>

namespace vesk {

TextGridModel::TextGridModel(TextGrid& grid, bool fixedColumn, std::function<bool()> editable, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), fixedCols_(fixedColumn ? 1 : 0), editable_(std::move(editable)) {}

int TextGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount() - 1;
}

int TextGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount() - fixedCols_;
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return QString::fromStdString(grid_.Cell(GridCol(index.column()), GridRow(index.row())));
}

bool TextGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    grid_.SetCell(GridCol(index.column()), GridRow(index.row()), value.toString().toStdString());
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::fromStdString(grid_.Cell(GridCol(section), 0));
    if (fixedCols_ == 0) return {};
    return QString::fromStdString(grid_.Cell(kFixedCol, GridRow(section)));
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && editable_ && editable_()) f |= Qt::ItemIsEditable;
    if (index.isValid() && drag_) f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList TextGridModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* TextGridModel::mimeData(const QModelIndexList& indexes) const {
    if (!drag_) return nullptr;
    std::set<int> rows;
    for (const QModelIndex& index : indexes) rows.insert(GridRow(index.row()));
    return drag_(std::vector<int>(rows.begin(), rows.end()));
}

QModelIndex TextGridModel::IndexOf(int gridCol, int gridRow) const {
    return index(gridRow - 1, gridCol - fixedCols_);
}

void TextGridModel::Refresh() {
    if (rowCount() > 0 && columnCount() > 0) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (fixedCols_ > 0) Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

}  // namespace vesk

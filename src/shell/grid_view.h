#pragma once
// A QTableView that looks like the program's string grids and reports the keys their
// handlers react to. Enter inside an open cell editor counts as Enter in the grid.
#include <QTableView>

namespace vesk {

class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

    // Sizes as the grids were designed: one row height, the widths of the first columns
    // (the fixed column first, where there is one).
    void SetRowHeight(int height);
    void SetColumnWidths(std::initializer_list<int> widths);
    // Closes an open cell editor, keeping what was typed.
    void EndEditing();

signals:
    void KeyDown(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
};

}  // namespace vesk

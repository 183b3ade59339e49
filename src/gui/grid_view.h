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
    // The text of the fixed cell where the header row meets the fixed column.
    void SetCornerText(const QString& text);

Q_SIGNALS:
    void KeyDown(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    QString cornerText_;
};

}  // namespace vesk

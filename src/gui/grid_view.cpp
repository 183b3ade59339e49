#include "gui/grid_view.h"

#include <QHeaderView>
#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace vesk {

GridView::GridView(QWidget* parent) : QTableView(parent) {
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    // The fixed cells are not selectable: clicking a header does not move the current cell.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(8);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setMinimumSectionSize(8);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void GridView::SetRowHeight(int height) {
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
}

void GridView::SetColumnWidths(std::initializer_list<int> widths) {
    int column = verticalHeader()->isHidden() ? 0 : -1;
    for (int width : widths) {
        if (column < 0) {
            verticalHeader()->setFixedWidth(width);
        } else {
            setColumnWidth(column, width);
        }
        ++column;
    }
}

void GridView::SetCornerText(const QString& text) {
    if (text == cornerText_) return;
    cornerText_ = text;
    // QTableView's corner is a plain button without text; we paint the fixed cell over it.
    if (auto* corner = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        corner->removeEventFilter(this);
        corner->installEventFilter(this);
        corner->update();
    }
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    auto* corner = qobject_cast<QAbstractButton*>(watched);
    if (corner && event->type() == QEvent::Paint) {
        QStyleOptionHeader option;
        option.initFrom(corner);
        option.rect = corner->rect();
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.text = cornerText_;
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        QPainter painter(corner);
        corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::EndEditing() {
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void GridView::keyPressEvent(QKeyEvent* event) {
    Q_EMIT KeyDown(event->key());
    QTableView::keyPressEvent(event);
}

void GridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    // The item delegate ends an edit with this hint exactly when Enter was pressed in it.
    if (hint == QAbstractItemDelegate::SubmitModelCache) Q_EMIT KeyDown(Qt::Key_Return);
}

}  // namespace vesk

#include "gui/build_undo.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#include "gui/main_window.h"
#include "gui/press_table.h"

namespace vesk {
namespace {

QAction* UndoItem(QWidget* grid, QWidget* page, const char* name, const char* caption, const QKeySequence& keys) {
    auto* action = new QAction(QString::fromUtf8(caption), grid);
    action->setObjectName(QString::fromUtf8(name));
    action->setShortcut(keys);
    // Only where the build list is: Ctrl+Z in "Список" or "C10" undoes nothing of it.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid->addAction(action);
    page->addAction(action);
    return action;
}

}  // namespace

BuildUndo::BuildUndo(TForm1& window, Form& form, QWidget* buildGrid, QWidget* page)
    : QObject(&window), window_(window), form_(form) {
    QAction* undo = UndoItem(buildGrid, page, "UndoAction", "Отменить", QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = UndoItem(buildGrid, page, "RedoAction", "Повторить", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    ConnectPresses<BuildUndo>(this, {
        {undo, &BuildUndo::UndoClick},
        {redo, &BuildUndo::RedoClick},
    });
}

// Nothing to undo or redo is no error: the key simply does nothing.
void BuildUndo::UndoClick() {
    window_.Run([this] { history_.Undo(form_); });
}

void BuildUndo::RedoClick() {
    window_.Run([this] { history_.Redo(form_); });
}

}  // namespace vesk

#pragma once
// Undo on the build list: "Отменить" (Ctrl+Z) and "Повторить" (Ctrl+Shift+Z) in the build list's
// pop-up menu, the keys anywhere on "Новый VESK". The window's build-list handlers run their
// command through Record, which keeps the state before it (form/build_history.h).
#include <QObject>
#include <functional>

#include "form/build_history.h"

class QAction;
class QWidget;

namespace vesk {

class TForm1;

class BuildUndo : public QObject {
    Q_OBJECT
public:
    // The menu items go onto `buildGrid`; their keys work wherever the focus is inside `page`.
    BuildUndo(TForm1& window, Form& form, QWidget* buildGrid, QWidget* page);

    // Runs a build-list action (inside the window's Run) as a step that can be undone.
    void Record(const std::function<void()>& action) { history_.Record(form_, action); }
    const BuildHistory& History() const { return history_; }

public Q_SLOTS:
    void UndoClick();
    void RedoClick();

private:
    TForm1& window_;
    Form& form_;
    BuildHistory history_;
};

}  // namespace vesk

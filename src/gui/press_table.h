#pragma once
// Buttons and menu items are wired from a table of rows {control, handler}, one table per owner
// of controls: what a press runs is read in one place, not from a connect() per control.
#include <QAbstractButton>
#include <QAction>
#include <initializer_list>

namespace vesk {

template <class Receiver>
struct Press {
    using Handler = void (Receiver::*)();
    Press(QAbstractButton* button, Handler handler) : button(button), handler(handler) {}
    Press(QAction* action, Handler handler) : action(action), handler(handler) {}

    QAbstractButton* button = nullptr;
    QAction* action = nullptr;
    Handler handler;
};

// A button runs its handler when clicked, a menu item when triggered (its shortcut too).
template <class Receiver>
void ConnectPresses(Receiver* receiver, std::initializer_list<Press<Receiver>> table) {
    for (const Press<Receiver>& row : table) {
        if (row.button) QObject::connect(row.button, &QAbstractButton::clicked, receiver, row.handler);
        if (row.action) QObject::connect(row.action, &QAction::triggered, receiver, row.handler);
    }
}

}  // namespace vesk

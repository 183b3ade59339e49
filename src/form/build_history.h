#pragma once
// Undo and redo of the build list's actions ("Удалить", "Заменить...", "Переименовать",
// "Добавить", "Системные", "В сборку"): the state they change is small (a grid of 101 rows of
// text), so each step is a whole copy of it rather than the inverse of an action.
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "form/form.h"

namespace vesk {

// What the build list's actions change of the Form.
struct BuildListState {
    TextGrid grid{0, 0};
    std::string name;  // BuildNameEdit
    bool editing = false;
    std::optional<Form::TakenFile> taken;
    std::map<int, std::string> replaced;

    static BuildListState Of(const Form& form);
    void PutInto(Form& form) const;
    bool operator==(const BuildListState&) const = default;
};

class BuildHistory {
public:
    // Steps kept; the oldest are forgotten beyond it.
    static constexpr std::size_t kSteps = 100;

    // Runs one action. When it changed the build list (even one that then failed, since what it
    // wrote stays), the state before it becomes the step that Undo takes back, and what was
    // undone can no longer be redone. An action that changed nothing leaves no step.
    void Record(Form& form, const std::function<void()>& action);
    // Puts back the state before the last action (the list as it is can then be redone); false
    // when there is nothing to undo.
    bool Undo(Form& form);
    // Puts back the state the last Undo left; false when there is nothing to redo.
    bool Redo(Form& form);

    std::size_t UndoSteps() const { return undo_.size(); }
    std::size_t RedoSteps() const { return redo_.size(); }

private:
    std::deque<BuildListState> undo_;
    std::deque<BuildListState> redo_;
};

}  // namespace vesk

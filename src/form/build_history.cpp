#include "form/build_history.h"

namespace vesk {
namespace {

void Push(std::deque<BuildListState>& steps, BuildListState state) {
    steps.push_back(std::move(state));
    if (steps.size() > BuildHistory::kSteps) steps.pop_front();
}

// The last state of `from` into the form, the form's state as it was onto `to`.
bool Step(std::deque<BuildListState>& from, std::deque<BuildListState>& to, Form& form) {
    if (from.empty()) return false;
    Push(to, BuildListState::Of(form));
    from.back().PutInto(form);
    from.pop_back();
    return true;
}

}  // namespace

BuildListState BuildListState::Of(const Form& form) {
    return {form.BuildGrid, form.BuildNameEdit, form.BuildGridEditing, form.TakenDump, form.ReplacedPictures};
}

void BuildListState::PutInto(Form& form) const {
    form.BuildGrid = grid;
    form.BuildNameEdit = name;
    form.BuildGridEditing = editing;
    form.TakenDump = taken;
    form.ReplacedPictures = replaced;
}

void BuildHistory::Record(Form& form, const std::function<void()>& action) {
    BuildListState before = BuildListState::Of(form);
    const auto keep = [&] {
        if (BuildListState::Of(form) == before) return;
        Push(undo_, std::move(before));
        redo_.clear();
    };
    try {
        action();
    } catch (...) {
        keep();
        throw;
    }
    keep();
}

bool BuildHistory::Undo(Form& form) { return Step(undo_, redo_, form); }

bool BuildHistory::Redo(Form& form) { return Step(redo_, undo_, form); }

}  // namespace vesk

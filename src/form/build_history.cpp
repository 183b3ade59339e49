#include "form/build_history.h"

namespace vesk {
namespace {

void Push(std::deque<BuildListState>& steps, BuildListState state) {
    steps.push_back(std::move(state));
    if (steps.size() > BuildHistory::kSteps) steps.pop_front();
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

bool BuildHistory::Undo(Form& form) {
    if (undo_.empty()) return false;
    Push(redo_, BuildListState::Of(form));
    undo_.back().PutInto(form);
    undo_.pop_back();
    return true;
}

bool BuildHistory::Redo(Form& form) {
    if (redo_.empty()) return false;
    Push(undo_, BuildListState::Of(form));
    redo_.back().PutInto(form);
    redo_.pop_back();
    return true;
}

}  // namespace vesk

#pragma once
// The question "Заменить..." asks when a picture takes the place of a picture of another kind or
// size: both pictures side by side, and "Преобразовать в <kind> <W> x <H>", "Оставить как есть"
// or "Отмена". Shown through WindowHooks::modalDialog when the window has one (the tests click
// its buttons there), else modal.
#include <string>

#include "assembly/picture_replace.h"

class QWidget;

namespace vesk {

struct WindowHooks;

enum class ReplaceChoice { Convert, Keep, Cancel };

// `row` is the build list's row being replaced, `path` the file chosen for it.
ReplaceChoice AskPictureReplace(QWidget* parent, const WindowHooks& hooks, const BuildRow& row, const std::string& path,
                                const PictureOffer& offer);

}  // namespace vesk

#pragma once
// A picture of ours as Qt shows it: the C10 page, the entry viewer and the replace question.
#include <QImage>

#include "platform/picture.h"

namespace vesk {

// Null for a picture without pixels.
QImage ToQImage(const Picture& picture);

}  // namespace vesk

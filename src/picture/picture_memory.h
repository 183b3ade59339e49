#pragma once
// Room for a decoded picture's pixels.
#include "platform/picture.h"

namespace vesk {

// Sizes the picture to width x height, every pixel 0. A large picture's memory is asked for in
// huge pages and mapped in one call: a megapixel picture otherwise takes a thousand page faults
// on first touch, which on a virtual machine cost more than decoding it.
void SizePicture(Picture& picture, int width, int height);

}  // namespace vesk

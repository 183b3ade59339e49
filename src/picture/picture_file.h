#pragma once
// The C10 file the picture commands work on: Form::OpenImagePath, read once per opening.
#include <cstdint>
#include <vector>

#include "form/form.h"

namespace vesk {

// The bytes of the file at Form::OpenImagePath, read when `fresh` is set or when OpenImagePath
// now names another file than the one last read. A file larger than any C10 picture is refused
// before it is read.
const std::vector<std::uint8_t>& C10FileBytes(Form& form, bool fresh = false);

}  // namespace vesk

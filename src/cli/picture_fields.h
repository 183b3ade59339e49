#pragma once
// The C10 properties as `vesk info` shows them, for a picture file and for a file of a dump alike:
// the window's caption of each field, its JSON key, its value.
#include <cstdint>
#include <vector>

#include "picture/c10_codec.h"

namespace vesk::cli {

struct Field {
    const char* caption;  // the window's caption of the field
    const char* key;
    std::int64_t value;
};

std::vector<Field> PropertyFields(const C10Properties& p);

// A C10 file's form as `vesk info` names it: its JSON value ("header") and the words after the
// kind (", заголовок в начале").
struct FormWords {
    const char* key;
    const char* text;
};
FormWords C10FormWords(C10Form form);

}  // namespace vesk::cli

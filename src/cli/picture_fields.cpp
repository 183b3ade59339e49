#include "cli/picture_fields.h"

namespace vesk::cli {

std::vector<Field> PropertyFields(const C10Properties& p) {
    return {
        {"Размер", "dataSize", p.dataSize},
        {"Кол-во кадров", "frameCount", p.frameCount},
        {"Палитра", "paletteCount", p.paletteCount},
        {"Начальный адрес", "dataStart", p.dataStart},
        {"Ширина", "width", p.width},
        {"Высота", "height", p.height},
    };
}

FormWords C10FormWords(C10Form form) {
    if (form == C10Form::Header) return {"header", ", заголовок в начале"};
    return {"trailer", ", заголовок в конце"};
}

}  // namespace vesk::cli

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

}  // namespace vesk::cli

#include "base/error.h"
#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "picture/picture_file.h"

namespace vesk {

void PreviewImage(Form& form, Host&) {
    const std::vector<std::uint8_t>& file = NamingFile(form.OpenImagePath, [&]() -> const std::vector<std::uint8_t>& { return C10FileBytes(form); });
    // The fields as they stand now: the user may have typed other values since the file was
    // opened. The picture keeps its size and its pixels; the frame is drawn over them.
    const std::int32_t dataStart = StrToInt(form.DataStartEdit);
    const std::int32_t paletteCount = StrToInt(form.PaletteCountEdit);
    const std::int32_t width = StrToInt(form.ImageWidthEdit);
    const std::int32_t height = StrToInt(form.ImageHeightEdit);
    NamingFile(form.OpenImagePath, [&] { DecodeC10Frame(file, dataStart, paletteCount, width, height, form.ImageView); });
}

}  // namespace vesk

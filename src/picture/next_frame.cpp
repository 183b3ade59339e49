#include <string>

#include "base/error.h"
#include "hextext/hextext.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "picture/picture_file.h"

namespace vesk {

C10FrameProperties NextFrame(Form& form, Host& host) {
    const std::int32_t dataSize = StrToInt(form.DataSizeEdit);
    const std::int32_t dataStart = StrToInt(form.DataStartEdit);

    const C10FrameProperties next = NamingFile(form.OpenImagePath, [&] { return ReadNextFrameProperties(C10FileBytes(form), dataStart, dataSize); });
    form.DataSizeEdit = std::to_string(next.dataSize);
    form.FrameCountEdit = std::to_string(next.frameCount);
    form.PaletteCountEdit = std::to_string(next.paletteCount);
    form.DataStartEdit = std::to_string(next.dataStart);

    // The caption is the number of the frame the button shows next.
    const std::int64_t shownNext = std::int64_t{StrToInt(form.NextFrameButtonCaption)} + 1;
    form.NextFrameButtonCaption = std::to_string(shownNext);
    if (shownNext > next.frameCount) form.NextFrameButtonEnabled = false;

    PreviewImage(form, host);
    return next;
}

}  // namespace vesk

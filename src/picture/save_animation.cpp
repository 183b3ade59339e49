#include "base/error.h"
#include "picture/animation.h"
#include "picture/commands.h"
#include "picture/gif_file.h"
#include "platform/file_output.h"

namespace vesk {

int SaveAnimation(Form& form, Host& host, const std::string& path, int delayMs) {
    GifWriter gif(delayMs);
    int frames = 1;
    gif.Add(form.ImageView);
    // The button's own rule decides when the last frame is reached (at most 255 presses).
    while (form.NextFrameButtonEnabled) {
        NextFrame(form, host);
        gif.Add(form.ImageView);
        ++frames;
    }
    // Encoded before the file is created: a failure leaves the old file, or none.
    WriteWholeFile(path, gif.Finish(), Durability::Durable);
    return frames;
}

}  // namespace vesk

#include <string>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "picture/jpeg_file.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

enum SaveFilter { kSaveBmp = 1, kSaveJpeg = 2, kSaveC10 = 3 };

}  // namespace

void SaveImage(Form& form, Host&, const std::string& chosenName, int filterIndex) {
    // The dialog offers the same name next time.
    form.SaveDialogPath = chosenName;

    // The entry decides the kind; its extension is appended even when the name already has it.
    switch (filterIndex) {
    case kSaveBmp:
        SaveBmp(form.ImageView, chosenName + ".bmp");  // a picture never opened gives a 0 x 0 bitmap
        break;
    case kSaveJpeg:
        if (form.ImageView.pixels.empty()) {
            // A JPEG cannot hold 0 pixels; say so instead of leaving a broken file.
            Refuse("Нечего сохранять в JPEG: изображение пустое (" + std::to_string(form.ImageView.width) + " x " +
                   std::to_string(form.ImageView.height) + ")");
        }
        SaveJpeg(form.ImageView, chosenName + ".jpg");
        break;
    case kSaveC10: {
        WriteWholeFile(chosenName + ".c10", EncodeC10(form.ImageView), Durability::Durable);
        break;
    }
    default:
        break;
    }
}

}  // namespace vesk

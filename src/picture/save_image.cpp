#include <string>

#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/c10_compact.h"
#include "picture/commands.h"
#include "picture/jpeg_file.h"
#include "picture/png_file.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

std::string SizeText(const Picture& picture) { return std::to_string(picture.width) + " x " + std::to_string(picture.height); }

void WriteKind(const Picture& picture, const std::string& path, PictureKind kind) {
    switch (kind) {
    case PictureKind::Bmp:
        SaveBmp(picture, path);  // a picture never opened gives a 0 x 0 bitmap
        break;
    case PictureKind::Jpeg:
        // A JPEG cannot hold 0 pixels; say so instead of leaving a broken file.
        if (picture.pixels.empty()) Refuse("Нечего сохранять в JPEG: изображение пустое (" + SizeText(picture) + ")");
        SaveJpeg(picture, path);
        break;
    case PictureKind::C10:
        CheckC10Size(picture.width, picture.height);
        WriteWholeFile(path, EncodeC10(picture), Durability::Durable);
        break;
    case PictureKind::Png:
        if (picture.pixels.empty()) Refuse("Нечего сохранять в PNG: изображение пустое (" + SizeText(picture) + ")");
        SavePng(picture, path);
        break;
    }
}

}  // namespace

// Every refusal and failure names the file it would have written.
void WritePicture(const Picture& picture, const std::string& path, PictureKind kind) {
    NamingFile(path, [&] { WriteKind(picture, path, kind); });
}

void SaveImage(Form& form, Host&, const std::string& chosenName, PictureKind kind) {
    // The dialog offers the same name next time.
    form.SaveDialogPath = chosenName;
    // The entry decides the kind; its extension is appended even when the name already has it.
    WritePicture(form.ImageView, chosenName + std::string(InfoOf(kind).extension), kind);
}

}  // namespace vesk

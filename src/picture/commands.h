#pragma once
// The "C10" page: open, preview, step through and save pictures. The window shows the dialogs
// and passes what the user chose; the filter entry, not the extension, decides the kind.
#include <optional>
#include <string>

#include "form/form.h"
#include "form/host.h"
#include "picture/c10_codec.h"
#include "picture/picture_kinds.h"

namespace vesk {

// What "Открыть" read, as numbers: the kind and the values of the six property fields. For a
// BMP or JPEG file dataSize is the file's size, with one frame and no palette; its dataStart is
// 0 and its form means nothing (the window's field keeps its text).
struct OpenedImage {
    PictureKind kind = PictureKind::C10;
    C10Properties properties;
};

// "Открыть" of the file at `path` as the kind of the dialog entry the user left selected
// (picture_kinds.h), whatever its extension; none ("All files (*.*)") takes the name and reads
// nothing, and gives nullopt.
std::optional<OpenedImage> OpenImage(Form& form, Host& host, const std::string& path, std::optional<PictureKind> kind);
// "Просмотр": decodes the current frame of Form::OpenImagePath with the property fields' values.
void PreviewImage(Form& form, Host& host);
// The "Кадр" button: the next frame's properties (returned), then PreviewImage.
C10FrameProperties NextFrame(Form& form, Host& host);
// Writes the picture to exactly `path` as "Сохранить" writes that kind. Refused: an empty
// picture as JPEG or PNG, and as C10 a picture wider or taller than the format holds.
void WritePicture(const Picture& picture, const std::string& path, PictureKind kind);

// "Сохранить" as the kind of the save dialog's entry; the kind's extension is always appended to
// chosenName.
void SaveImage(Form& form, Host& host, const std::string& chosenName, PictureKind kind);

}  // namespace vesk

#include <filesystem>
#include <string>

#include "hextext/hextext.h"
#include "base/error.h"
#include "picture/bmp_file.h"
#include "picture/c10_codec.h"
#include "picture/commands.h"
#include "picture/jpeg_file.h"
#include "picture/picture_file.h"
#include "picture/png_file.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

C10Properties OpenC10(Form& form, Host& host) {
    form.PreviewButtonEnabled = true;
    form.NextFrameButtonEnabled = true;

    // A file that is only read opens for reading, so a read-only picture opens too.
    const C10Properties properties = ReadC10Properties(C10FileBytes(form, true));
    form.DataSizeEdit = std::to_string(properties.dataSize);
    form.FrameCountEdit = std::to_string(properties.frameCount);
    form.DataStartEdit = properties.form == C10Form::Header ? "11" : "2";
    form.ImageWidthEdit = std::to_string(properties.width);
    form.ImageHeightEdit = std::to_string(properties.height);

    form.ImageView = Picture(properties.width, properties.height);  // white
    // The capital X tells the header form from the trailer form at a glance.
    form.DimensionsLabel = form.ImageWidthEdit + (properties.form == C10Form::Header ? " X " : " x ") +
                           form.ImageHeightEdit;
    form.PaletteCountEdit = std::to_string(properties.paletteCount);

    form.NextFrameButtonEnabled = form.FrameCountEdit != "1";
    form.NextFrameButtonCaption = "2";

    PreviewImage(form, host);
    return properties;
}

// BMP, JPEG and PNG: one frame, nothing to preview or step through.
OpenedImage ShowLoadedPicture(Form& form, const std::string& path, PictureKind kind, Picture picture) {
    OpenedImage opened{kind, {}};
    opened.properties.dataSize = FileSizeOrMinusOne(path);
    opened.properties.frameCount = 1;
    opened.properties.width = picture.width;
    opened.properties.height = picture.height;

    form.ImageView = std::move(picture);
    form.DataSizeEdit = std::to_string(opened.properties.dataSize);
    form.FrameCountEdit = "1";
    form.PaletteCountEdit = "0";
    form.ImageWidthEdit = std::to_string(opened.properties.width);
    form.ImageHeightEdit = std::to_string(opened.properties.height);
    form.DimensionsLabel = form.ImageWidthEdit + " x " + form.ImageHeightEdit;
    return opened;
}

}  // namespace

std::optional<OpenedImage> OpenImage(Form& form, Host& host, const std::string& path, std::optional<PictureKind> kind) {
    // The picture's own path: the open dump stays the one the dump commands work on.
    form.OpenImagePath = path;
    form.ImageNameLabel = std::filesystem::path(path).filename().string();

    // The dialog's filter entry decides the kind, whatever the extension says. Whatever fails
    // concerns the picture file.
    return NamingFile(path, [&]() -> std::optional<OpenedImage> {
        if (!kind) return std::nullopt;  // "All files (*.*)": the name is taken, nothing is read
        if (*kind == PictureKind::C10) return OpenedImage{PictureKind::C10, OpenC10(form, host)};
        form.PreviewButtonEnabled = false;
        form.NextFrameButtonEnabled = false;
        switch (*kind) {
        case PictureKind::Bmp: return ShowLoadedPicture(form, path, *kind, LoadBmp(path));
        case PictureKind::Jpeg: return ShowLoadedPicture(form, path, *kind, LoadJpeg(path));
        case PictureKind::Png: return ShowLoadedPicture(form, path, *kind, LoadPng(path));
        case PictureKind::C10: break;
        }
        return std::nullopt;
    });
}

}  // namespace vesk

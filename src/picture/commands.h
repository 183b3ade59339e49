#pragma once
// The "C10" page: open, preview, step through and save pictures. The window shows the dialogs
// and passes what the user chose; the filter entry, not the extension, decides the kind.
#include <string>

#include "form/form.h"
#include "form/host.h"

namespace vesk {

// Open dialog entries: 1 "C10 (*.c10)", 2 "BMP (*.bmp)", 3 "JPEG (*.jpg)", 4 "All files (*.*)".
void OpenImage(Form& form, Host& host, const std::string& path, int filterIndex);
// "Просмотр": decodes the current frame of Form::OpenDumpPath with the property fields' values.
void PreviewImage(Form& form, Host& host);
// The "Кадр" button: the next frame's properties, then PreviewImage.
void NextFrame(Form& form, Host& host);
// Save dialog entries: 1 "BMP (*.bmp)", 2 "JPEG (*.jpg)", 3 "C10 (*.c10)". The kind's extension
// is always appended to chosenName.
void SaveImage(Form& form, Host& host, const std::string& chosenName, int filterIndex);

}  // namespace vesk

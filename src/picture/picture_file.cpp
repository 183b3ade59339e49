#include "picture/picture_file.h"

#include "base/error.h"
#include "picture/c10_codec.h"
#include "platform/byte_file.h"

namespace vesk {

const std::vector<std::uint8_t>& C10FileBytes(Form& form, bool fresh) {
    if (fresh || !form.PictureFileBytes || form.PictureFilePath != form.OpenImagePath) {
        const std::string& path = form.OpenImagePath;
        if (const std::int64_t size = FileSizeOrMinusOne(path); size > kC10MaxFileSize) {
            ThrowRefusal("Файл слишком велик для рисунка C10: " + std::to_string(size) + " байт, а C10 описывает не больше " +
                             std::to_string(kC10MaxFileSize) + ".",
                         path);
        }
        form.PictureFileBytes = std::make_shared<const std::vector<std::uint8_t>>(ReadWholeFile(path, kC10MaxFileSize));
        form.PictureFilePath = path;
    }
    return *form.PictureFileBytes;
}

}  // namespace vesk

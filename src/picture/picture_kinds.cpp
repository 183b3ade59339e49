#include "picture/picture_kinds.h"

#include <algorithm>
#include <cctype>

namespace vesk {

const PictureKindInfo& InfoOf(PictureKind kind) { return kPictureKinds[static_cast<std::size_t>(kind)]; }

std::optional<PictureKind> OpenEntryKind(int entry) {
    if (entry < 1 || entry > static_cast<int>(kOpenEntries.size())) return std::nullopt;
    return kOpenEntries[static_cast<std::size_t>(entry - 1)];
}

std::optional<PictureKind> SaveEntryKind(int entry) {
    if (entry < 1 || entry > static_cast<int>(kSaveEntries.size())) return std::nullopt;
    return kSaveEntries[static_cast<std::size_t>(entry - 1)];
}

std::optional<PictureKind> KindOfExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".jpeg") return PictureKind::Jpeg;
    for (const PictureKindInfo& info : kPictureKinds) {
        if (info.extension == ext) return info.kind;
    }
    return std::nullopt;
}

}  // namespace vesk

#pragma once
// The kinds of picture the program reads and writes, in one table: what each is called, its
// entry in the dialogs' filter lists, and the extension "Сохранить" appends. The window's
// dialogs, the picture commands and `vesk` all take the kinds from here.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

enum class PictureKind { C10, Bmp, Jpeg, Png };

struct PictureKindInfo {
    PictureKind kind;
    std::string_view name;       // "C10": how `vesk info` names the kind
    std::string_view filter;     // "C10 (*.c10)": its entry in the dialogs' filter lists
    std::string_view extension;  // ".c10": what "Сохранить" appends, and what `vesk` reads it by
};

inline constexpr std::array<PictureKindInfo, 4> kPictureKinds = {{
    {PictureKind::C10, "C10", "C10 (*.c10)", ".c10"},
    {PictureKind::Bmp, "BMP", "BMP (*.bmp)", ".bmp"},
    {PictureKind::Jpeg, "JPEG", "JPEG (*.jpg)", ".jpg"},
    {PictureKind::Png, "PNG", "PNG (*.png)", ".png"},
}};

// Each row stands at its kind's value, so InfoOf can index the table.
static_assert([] {
    for (std::size_t i = 0; i < kPictureKinds.size(); ++i) {
        if (static_cast<std::size_t>(kPictureKinds[i].kind) != i) return false;
    }
    return true;
}());

const PictureKindInfo& InfoOf(PictureKind kind);

// The open dialog's entries in their order: C10, BMP, JPEG, then "All files (*.*)", which reads
// nothing, then PNG (added after the entries the program always had, so they keep their places).
inline constexpr std::array<std::optional<PictureKind>, 5> kOpenEntries = {
    PictureKind::C10, PictureKind::Bmp, PictureKind::Jpeg, std::nullopt, PictureKind::Png};
// The save dialog's: BMP, JPEG, C10, then PNG.
inline constexpr std::array<PictureKind, 4> kSaveEntries = {PictureKind::Bmp, PictureKind::Jpeg, PictureKind::C10,
                                                            PictureKind::Png};
inline constexpr std::string_view kAllFilesFilter = "All files (*.*)";

// The kind of dialog entry `entry` (from 1); none for "All files" or an entry that is not there.
std::optional<PictureKind> OpenEntryKind(int entry);
std::optional<PictureKind> SaveEntryKind(int entry);

// The kind a file name's extension names, without regard to case (".jpeg" is JPEG too).
std::optional<PictureKind> KindOfExtension(const std::string& path);

}  // namespace vesk

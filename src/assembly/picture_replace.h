#pragma once
// Replacing a picture of a dump with one the phone can show: a new picture of another kind or
// size than the entry it replaces is fitted into the old size (aspect kept, the rest black) and
// written in the old kind. A build that carries a picture unlike the one it replaced says so.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assembly/build_rows.h"
#include "form/form.h"
#include "picture/picture_shape.h"

namespace vesk {

// A row's picture and the picture that would take its place, when they differ in kind or size.
struct PictureOffer {
    PictureShape before;
    PictureShape after;
};

// What replacing the row's content with the file at `path` offers: none unless both are
// pictures (picture_shape.h) that differ in kind or size. A row whose file cannot be read offers
// nothing; the file at `path` is read with its error.
std::optional<PictureOffer> PictureOfferFor(const BuildRow& row, const std::string& path);

// The file at `path` as a picture of `shape`'s kind and size; refused when it is no picture.
std::vector<std::uint8_t> ConvertedPicture(const std::string& path, const PictureShape& shape);

// `vesk repack --replace NAME FILE --convert`: the row takes FILE fitted into its picture's kind
// and size, in memory. FILE taken as it is when it already has them. Refused: a row that holds
// no picture, a FILE that is none.
void ReplaceRowConverted(BuildRow& row, const std::string& path);

// "Заменить..." with "Преобразовать в ...": the converted picture is written beside the row's
// file, named after the new file with the size and the row's kind ("sunset-96x72.jpg", never over
// a file that is there: "sunset-96x72 (2).jpg"), and the row points to it. Returns its path.
std::string ReplaceBuildFileConverted(Form& form, const std::string& path);

// The name ReplaceBuildFileConverted writes: in `folder`, from the file name of `source`.
std::string ConvertedPicturePath(const std::string& folder, const std::string& source, const PictureShape& shape);

// The row's content as a picture text for Form::ReplacedPictures: "JPEG 96 x 72", "" for a file
// that is no picture or cannot be read.
std::string PictureTextOf(const BuildRow& row);
// Before "Заменить..." changes row r: keeps what the row holds unless an earlier replace did.
void RememberReplacedPicture(Form& form, int r);

// "Закат: был JPEG 96 x 72, стал PNG 300 x 200" for each row that `before` (row -> picture text)
// names a picture for, and whose content now is a picture of another kind or size.
std::vector<std::string> PictureChangeLines(const std::vector<BuildRow>& rows, const std::map<int, std::string>& before);

}  // namespace vesk

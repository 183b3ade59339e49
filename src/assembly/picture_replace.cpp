#include "assembly/picture_replace.h"

#include <filesystem>

#include "assembly/build_file.h"
#include "assembly/repack.h"
#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

std::vector<std::uint8_t> RowBytes(const BuildRow& row) { return row.content ? *row.content : ReadWholeFile(row.path); }

std::optional<PictureShape> RowPicture(const BuildRow& row) {
    if (!row.HasSource()) return std::nullopt;
    try {
        return JudgePicture(RowBytes(row));
    } catch (const Error&) {
        return std::nullopt;  // a row whose file is gone holds no picture to keep
    }
}

std::vector<std::uint8_t> ReadSource(const std::string& path) {
    assembly::CheckSourceFile(path);
    return ReadWholeFile(path);
}

std::string NotAPicture(const std::string& path) {
    return "Файл «" + path + "» не картинка (C10, JPEG, BMP, PNG или GIF): преобразовать его нельзя.";
}

}  // namespace

std::optional<PictureOffer> PictureOfferFor(const BuildRow& row, const std::string& path) {
    const auto before = RowPicture(row);
    if (!before) return std::nullopt;
    const auto after = JudgePicture(ReadSource(path));
    if (!after || *after == *before) return std::nullopt;
    return PictureOffer{*before, *after};
}

std::vector<std::uint8_t> ConvertedPicture(const std::string& path, const PictureShape& shape) {
    const std::vector<std::uint8_t> bytes = ReadSource(path);
    if (!JudgePicture(bytes)) Refuse(NotAPicture(path));
    return EncodePicture(FitInto(DecodePicture(bytes), shape.width, shape.height), shape.kind);
}

void ReplaceRowConverted(BuildRow& row, const std::string& path) {
    const auto before = RowPicture(row);
    if (!before) {
        Refuse("«" + row.name + "» не картинка: преобразовать «" + path + "» не во что. Замените файл без --convert.");
    }
    const std::vector<std::uint8_t> bytes = ReadSource(path);
    const auto after = JudgePicture(bytes);
    if (!after) Refuse(NotAPicture(path));
    if (*after == *before) {  // nothing to convert: the file as it is
        ReplaceRowFile(row, path);
        return;
    }
    std::vector<std::uint8_t> converted = EncodePicture(FitInto(DecodePicture(bytes), before->width, before->height), before->kind);
    row.size = std::to_string(converted.size());
    row.path.clear();
    row.content = std::move(converted);
}

std::string ConvertedPicturePath(const std::string& folder, const std::string& source, const PictureShape& shape) {
    std::filesystem::path name = std::filesystem::path(source).filename();
    const std::string stem = name.stem().string() + "-" + std::to_string(shape.width) + "x" + std::to_string(shape.height);
    const std::string extension = KindExtension(shape.kind);
    const std::filesystem::path dir(folder);
    std::string candidate = (dir / (stem + extension)).string();
    for (int n = 2; FileSizeOrMinusOne(candidate) >= 0 || std::filesystem::is_symlink(candidate); ++n) {
        candidate = (dir / (stem + " (" + std::to_string(n) + ")" + extension)).string();
    }
    return candidate;
}

std::string ReplaceBuildFileConverted(Form& form, const std::string& path) {
    const int r = CurrentBuildRow(form);
    const BuildRow row = BuildRowOf(form.BuildGrid, r);
    const auto before = RowPicture(row);
    if (!before) Refuse("«" + row.name + "» не картинка: преобразовать «" + path + "» не во что.");
    const std::vector<std::uint8_t> converted = ConvertedPicture(path, *before);
    const std::string target = ConvertedPicturePath(std::filesystem::path(row.path).parent_path().string(), path, *before);
    // Written before the row changes: a failed write leaves the row as it was.
    WriteWholeFile(target, converted, Durability::Durable);
    ReplaceBuildFile(form, target);
    return target;
}

std::string PictureTextOf(const BuildRow& row) {
    const auto shape = RowPicture(row);
    return shape ? ShapeText(*shape) : "";
}

void RememberReplacedPicture(Form& form, int r) {
    if (form.ReplacedPictures.contains(r)) return;
    form.ReplacedPictures[r] = PictureTextOf(BuildRowOf(form.BuildGrid, r));
}

std::vector<std::string> PictureChangeLines(const std::vector<BuildRow>& rows, const std::map<int, std::string>& before) {
    std::vector<std::string> lines;
    for (const BuildRow& row : rows) {
        const auto it = before.find(row.row);
        if (it == before.end() || it->second.empty()) continue;
        const auto now = RowPicture(row);
        if (now && ShapeText(*now) != it->second) lines.push_back(row.name + ": был " + it->second + ", стал " + ShapeText(*now));
    }
    return lines;
}

}  // namespace vesk

#include "assembly/build_file.h"

#include "hextext/hextext.h"
#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"

namespace vesk::assembly {

void FillBuildRow(TextGrid& grid, int r, const std::string& path, const std::function<std::string()>& group) {
    grid.SetCell(kBuildPathCol, r, path);
    grid.SetCell(kBuildRowCol, r, std::to_string(r));
    grid.SetCell(kBuildNameCol, r, FileNamePart(path));
    grid.SetCell(kBuildSizeCol, r, std::to_string(FileSizeOrMinusOne(path)));
    grid.SetCell(kBuildAddressCol, r, RowAddress(r));
    grid.SetCell(kBuildGroupCol, r, group());
    grid.SetCell(kBuildNumberCol, r, std::to_string(r));
}

int WalkToFreeRow(TextGrid& grid, const std::string& path, WalkCheck check, const std::function<void(int row)>& fill) {
    int r = 1;
    for (;;) {
        if (!grid.Cell(kBuildPathCol, r).empty()) {
            ++r;
        } else {
            fill(r);
        }
        const int compared = check == WalkCheck::RowLeft ? r - 1 : r;
        if (grid.Cell(kBuildPathCol, compared) == path) return r;
    }
}

std::string RowAddress(int r) { return ByteToHex(r) + "00"; }

std::string BuildFilePath(const Form& form, const ProgramFolder& folder) { return folder.Bins() + form.BuildNameEdit; }

std::string HexTextProblem(std::string_view text) {
    if (text.empty()) return "пустое значение";
    if (text.size() % 2 != 0) return "нечётное число шестнадцатеричных цифр («" + std::string(text) + "»)";
    for (const char c : text) {
        const bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!digit) return "не шестнадцатеричные цифры («" + std::string(text) + "»)";
    }
    if (text.size() / 2 > kHexBlockBytes) return "больше " + std::to_string(kHexBlockBytes) + " байт";
    return {};
}

std::vector<std::uint8_t> HexTextBytes(std::string_view text) {
    const HexBlock block = HexTextToBlock(text);
    return {block.begin(), block.begin() + static_cast<std::ptrdiff_t>(text.size() / 2)};
}

std::string NotAFileText(const std::string& path) {
    return "«" + path + "» — не обычный файл (канал, устройство, папка или файл /proc): в дамп идут только обычные файлы.";
}

void CheckSourceFile(const std::string& path) {
    try {
        CheckRegularOrMissing(path);
    } catch (const Error&) {
        ThrowRefusal(NotAFileText(path), path);
    }
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vesk::assembly

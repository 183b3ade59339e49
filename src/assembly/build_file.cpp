#include "assembly/build_file.h"

#include "hextext/hextext.h"

namespace vesk::assembly {

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

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vesk::assembly

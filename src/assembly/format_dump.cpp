#include <vector>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "config/settings.h"
#include "dump/layout.h"
#include "platform/file_output.h"

namespace vesk {

std::vector<std::uint8_t> FormatHeader(const ProgramFolder& folder) {
    const std::string text = Settings(folder).Hex("01");
    // Half a byte or no header at all has no sensible meaning: say so and leave the file alone.
    if (const std::string problem = assembly::HexTextProblem(text); !problem.empty()) {
        Refuse("Форматирование отменено, файл не изменён.\nЗаголовок сектора [HEX] «01» в vesk.ini: " + problem + ".");
    }
    return assembly::HexTextBytes(text);
}

void FormatImage(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& header, Host& host) {
    // A short image grows to hold the last header; the gap before it reads as zero.
    const std::int64_t end = layout::SectorStart(layout::kSectorCount - 1) + static_cast<std::int64_t>(header.size());
    if (static_cast<std::int64_t>(image.size()) < end) image.resize(static_cast<std::size_t>(end), 0x00);
    host.SetProgressMax(layout::kSectorCount);
    for (int k = 0; k < layout::kSectorCount; ++k) {
        std::copy(header.begin(), header.end(), image.begin() + layout::SectorStart(k));
        host.SetProgress(k + 1);
    }
}

void FormatDump(Form& form, Host& host, const ProgramFolder& folder) {
    const std::vector<std::uint8_t> header = FormatHeader(folder);
    const std::string path = assembly::BuildFilePath(form, folder);
    // Formatting changes the existing file, never creates it: the old file is read, the copy
    // formatted and put in its place.
    ChangeFile(path, Durability::Durable, [&](std::vector<std::uint8_t>& image) { FormatImage(image, header, host); });
    form.SaveDialogPath = path;
}

}  // namespace vesk

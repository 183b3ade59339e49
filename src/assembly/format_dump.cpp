#include <vector>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "base/error.h"
#include "config/settings.h"
#include "dump/layout.h"
#include "platform/byte_file.h"

namespace vesk {

void FormatDump(Form& form, Host& host, const ProgramFolder& folder) {
    const Settings settings(folder);
    const std::string text = settings.Hex("01");
    // Half a byte or no header at all has no sensible meaning: say so and leave the file alone.
    if (const std::string problem = assembly::HexTextProblem(text); !problem.empty()) {
        Refuse("Форматирование отменено, файл не изменён.\nЗаголовок сектора [HEX] «01» в vesk.ini: " + problem + ".");
    }
    const std::vector<std::uint8_t> header = assembly::HexTextBytes(text);

    const std::string path = assembly::BuildFilePath(form, folder);
    // In place: formatting never creates the file.
    ByteFile file = ByteFile::Open(path, ByteFile::Mode::ReadWrite);
    host.SetProgressMax(layout::kSectorCount);
    for (int k = 0; k < layout::kSectorCount; ++k) {
        file.WriteAt(layout::SectorStart(k), header);
        host.SetProgress(k + 1);
    }
    file.Close();
    form.SaveDialogPath = path;
}

}  // namespace vesk

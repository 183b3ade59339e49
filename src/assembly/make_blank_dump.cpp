#include <vector>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "dump/layout.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {

void MakeBlankDump(Form& form, Host& host, const ProgramFolder& folder) {
    // Erased flash.
    const std::uint8_t fill = HexTextToBlock("FF")[0];
    const std::string path = assembly::BuildFilePath(form, folder);
    ByteFile file = ByteFile::Open(path, ByteFile::Mode::Create);
    host.SetProgressMax(layout::kSectorCount);
    const std::vector<std::uint8_t> sector(static_cast<std::size_t>(layout::kSectorSize), fill);
    for (int k = 1; k <= layout::kSectorCount; ++k) {
        file.Write(sector);
        host.SetProgress(k);
    }
    file.Close();
    form.SaveDialogPath = path;
}

}  // namespace vesk

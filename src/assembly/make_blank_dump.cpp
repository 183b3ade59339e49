#include <vector>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "dump/layout.h"
#include "hextext/hextext.h"
#include "platform/file_output.h"

namespace vesk {

std::vector<std::uint8_t> BlankImage() {
    // Erased flash.
    const std::uint8_t fill = HexTextToBlock("FF")[0];
    return std::vector<std::uint8_t>(static_cast<std::size_t>(layout::kDumpSize), fill);
}

void MakeBlankDump(Form& form, Host& host, const ProgramFolder& folder) {
    const std::string path = assembly::BuildFilePath(form, folder);
    FileOutput out = FileOutput::Create(path, Durability::Durable);
    const std::vector<std::uint8_t> image = BlankImage();
    const auto sector = static_cast<std::size_t>(layout::kSectorSize);
    host.SetProgressMax(layout::kSectorCount);
    for (int k = 1; k <= layout::kSectorCount; ++k) {
        out.Write(std::span(image).subspan((k - 1) * sector, sector));
        host.SetProgress(k);
    }
    // Only now does the name show the new file: until here it held whatever it held before.
    out.Commit();
    form.SaveDialogPath = path;
}

}  // namespace vesk

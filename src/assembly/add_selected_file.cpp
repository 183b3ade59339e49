#include <array>

#include "assembly/build_file.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {

void AddSelectedFile(Form& form, Host& host, const ProgramFolder& folder) {
    const Settings settings(folder);
    const std::string path = host.SelectedFile();
    // Before a row is taken: a pipe or a device has no content to build from.
    assembly::CheckSourceFile(path);
    // The group follows the file's first three bytes, the content's signature; a file shorter
    // than that has none and takes its group by name, as a system file does ("01" without one).
    const auto groupBySignature = [&] {
        std::array<std::uint8_t, 3> signature{};
        // Reading only, so a read-only file can be built too.
        ByteFile file = ByteFile::Open(path);
        if (file.ReadSome(signature) < signature.size()) return settings.Group1(assembly::FileNamePart(path));
        return settings.Group1(BytesToHexText(signature));
    };
    const int stop = assembly::WalkToFreeRow(form.BuildGrid, path, assembly::WalkCheck::RowLeft, [&](int r) {
        assembly::FillBuildRow(form.BuildGrid, r, path, groupBySignature);
    });
    // "Собрать" advances the bar against this maximum: the new row, or the row already holding
    // the file.
    host.SetProgressMax(stop - 1);
}

}  // namespace vesk

#include "support/recording_host.h"

#include <filesystem>

#include "base/error.h"

namespace vesk::test {

void RecordingHost::ShowFolder(const std::string& folder) {
    // Like the real file pane: a folder that cannot be listed is an error.
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) ThrowIoError(3);
    folders.push_back(folder);
}

}  // namespace vesk::test

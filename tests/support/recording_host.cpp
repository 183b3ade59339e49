#include "support/recording_host.h"

#include "platform/folders.h"

namespace vesk::test {

void RecordingHost::ShowFolder(const std::string& folder) {
    // Like the real file pane: a folder that cannot be listed is an error.
    if (!folder.empty()) CheckFolderListable(folder);
    folders.push_back(folder);
}

}  // namespace vesk::test

#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"
#include "platform/system_calls.h"

namespace vesk {

void MakeFolders(const std::string& path, bool own) {
    // Each folder on the way, from the first; whether the last one is a folder is what counts.
    std::string made;
    for (std::size_t from = 0; from < path.size();) {
        const std::size_t slash = path.find('/', from);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        made = path.substr(0, end);
        from = end + 1;
        if (!made.empty()) sys::Mkdir(made, 0777);
    }
    struct stat st {};
    const int status = own ? sys::Lstat(made, &st) : sys::Stat(made, &st);
    if (made.empty() || status != 0 || !S_ISDIR(st.st_mode)) ThrowUnableToWrite(path);
}

void CheckFolderListable(const std::string& folder) {
    struct stat st {};
    const bool listable = sys::Stat(folder, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0444) != 0 &&
                          sys::Access(folder, R_OK | X_OK) == 0;
    if (!listable) ThrowIoError(3);
}

}  // namespace vesk

#include "platform/folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <vector>

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

std::vector<std::string> ListNonFolders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || entry->d_type == DT_DIR) continue;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (sys::Stat(base + entry->d_name, &st) == 0 && S_ISDIR(st.st_mode)) continue;
        }
        names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

void RemoveOldFolders(const std::string& parent, std::string_view prefix, std::size_t letters, std::int64_t age) {
    std::vector<std::string> names;
    if (!sys::ListFolder(parent, names)) return;
    const std::time_t now = std::time(nullptr);
    const std::string base = parent.empty() || parent.back() == '/' ? parent : parent + "/";
    for (const std::string& name : names) {
        if (!name.starts_with(prefix) || name.size() != prefix.size() + letters) continue;
        const std::string dir = base + name;
        struct stat st {};
        if (sys::Lstat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (now - st.st_mtime <= age) continue;
        std::vector<std::string> inside;
        if (!sys::ListFolder(dir, inside)) continue;
        const bool flat = std::none_of(inside.begin(), inside.end(), [&](const std::string& file) {
            return sys::Lstat(dir + "/" + file, &st) != 0 || S_ISDIR(st.st_mode);
        });
        if (!flat) continue;
        for (const std::string& file : inside) sys::Unlink(dir + "/" + file);
        sys::Rmdir(dir);
    }
}

}  // namespace vesk

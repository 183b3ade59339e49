#include "config/program_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"
#include "platform/system_calls.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSettingsName = "vesk.ini";

bool Exists(const std::string& path) {
    struct stat st {};
    return sys::Lstat(path, &st) == 0;  // a link or anything else at the name counts: it is the user's
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return sys::Stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Makes `dir` and its missing parents, private to the user as the XDG folders are.
void MakeFolders(const std::string& dir) {
    std::string made;
    for (std::size_t from = 0; from < dir.size();) {
        const std::size_t slash = dir.find('/', from);
        const std::size_t end = slash == std::string::npos ? dir.size() : slash;
        made = dir.substr(0, end);
        from = end + 1;
        if (!made.empty()) sys::Mkdir(made, 0700);
    }
    struct stat st {};
    if (sys::Stat(made, &st) != 0 || !S_ISDIR(st.st_mode)) ThrowUnableToWrite(dir);
}

// The shipped files by their paths relative to `shipped`, in a stable order.
std::vector<std::string> ShippedFiles(const std::string& shipped) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(shipped, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) files.push_back(it->path().lexically_relative(shipped).string());
    }
    if (ec) ThrowErrno(ec.value(), shipped);
    std::sort(files.begin(), files.end());
    return files;
}

void Copy(const std::string& from, const std::string& to) {
    const std::size_t slash = to.rfind('/');
    MakeFolders(to.substr(0, slash));
    WriteWholeFile(to, ReadWholeFile(from), Durability::Durable);
}

}  // namespace

ProgramFolder::ProgramFolder(const std::string& dir) : path_(dir.empty() ? "./" : dir) {
    if (path_.back() != '/') path_ += '/';
}

ProgramFolder ProgramFolder::OfRunningProgram() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    // Without /proc the program can only assume it was started from its own folder.
    if (ec || !exe.has_parent_path()) return ProgramFolder(fs::current_path(ec).string());
    return ProgramFolder(exe.parent_path().string());
}

std::string ShippedFolderBeside(const std::string& executableFolder) {
    const ProgramFolder own(executableFolder);
    if (Exists(own.SettingsFile())) return "";
    const std::string shipped = (fs::path(own.Path()) / ".." / "share" / "vesk").lexically_normal().string() + "/";
    return IsRegularFile(shipped + kSettingsName) ? shipped : "";
}

std::string UserProgramFolder(const char* xdgDataHome, const char* home) {
    // Without the slashes a variable may end with, so that the folder's paths hold no "//".
    const auto under = [](std::string base, const char* rest) {
        while (!base.empty() && base.back() == '/') base.pop_back();
        return ProgramFolder(base + rest).Path();
    };
    // As the XDG base directories are defined: a relative XDG_DATA_HOME is ignored.
    if (xdgDataHome && xdgDataHome[0] == '/') return under(xdgDataHome, "/vesk");
    std::string base = home ? home : "";
    if (base.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) base = entry->pw_dir;
    }
    if (base.empty()) ThrowUnableToWrite("~/.local/share/vesk");
    return under(base, "/.local/share/vesk");
}

void SeedUserFolder(const std::string& shipped, const std::string& user) {
    const ProgramFolder from(shipped), to(user);
    const bool firstStart = !Exists(to.SettingsFile());
    MakeFolders(to.Path());
    for (const std::string& file : ShippedFiles(from.Path())) {
        if (file == kSettingsName) continue;
        const bool sample = file.starts_with("samples/") || file.starts_with("bins/");
        if ((sample && !firstStart) || Exists(to.Path() + file)) continue;
        Copy(from.Path() + file, to.Path() + file);
    }
    MakeFolders(to.Bins());
    MakeFolders(to.Files());
    if (firstStart) Copy(from.SettingsFile(), to.SettingsFile());
}

ProgramFolder StartingProgramFolder() {
    ProgramFolder own = ProgramFolder::OfRunningProgram();
    const std::string shipped = ShippedFolderBeside(own.Path());
    if (shipped.empty()) return own;
    const std::string user = UserProgramFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    SeedUserFolder(shipped, user);
    return ProgramFolder(user);
}

}  // namespace vesk

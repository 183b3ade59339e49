#include "config/program_folder.h"

#include <filesystem>
#include <system_error>

namespace vesk {

ProgramFolder::ProgramFolder(const std::string& dir) : path_(dir.empty() ? "./" : dir) {
    if (path_.back() != '/') path_ += '/';
}

ProgramFolder ProgramFolder::OfRunningProgram() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    // Without /proc the program can only assume it was started from its own folder.
    if (ec || !exe.has_parent_path()) return ProgramFolder(std::filesystem::current_path(ec).string());
    return ProgramFolder(exe.parent_path().string());
}

}  // namespace vesk

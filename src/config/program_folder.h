#pragma once
// The folder of the running program and every file the program keeps beside it.
#include <string>

namespace vesk {

class ProgramFolder {
public:
    // dir with or without a trailing separator.
    explicit ProgramFolder(const std::string& dir);
    // The folder of the running executable.
    static ProgramFolder OfRunningProgram();

    // Every folder path ends with "/", since file names are appended to them directly.
    const std::string& Path() const { return path_; }
    std::string SettingsFile() const { return path_ + "vesk.ini"; }
    std::string ProfileFile(const std::string& firmware) const { return path_ + firmware + ".ini"; }
    std::string Bins() const { return path_ + "bins/"; }
    std::string Files() const { return path_ + "files/"; }
    std::string System() const { return path_ + "system/"; }

private:
    std::string path_;
};

}  // namespace vesk

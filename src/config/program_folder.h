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

// Installed for the whole system (a Debian package in /usr): the executable's folder holds no
// vesk.ini and the shipped folder lies at ../share/vesk with one. That folder, with "/"; "" for a
// program folder of its own (app/, the unpacked tar.gz).
std::string ShippedFolderBeside(const std::string& executableFolder);

// The user's own program folder of a system installation: $XDG_DATA_HOME/vesk/ when that is an
// absolute path, else $HOME/.local/share/vesk/ (the home of the password database without HOME).
// The values of the two variables are passed in; null when unset.
std::string UserProgramFolder(const char* xdgDataHome, const char* home);

// Makes `user` a program folder from the shipped one, copying only what it lacks, so the user's
// edits stay: every file of `shipped` missing in `user`, except that the sample content
// (samples/, bins/) comes only with vesk.ini, on the first start or after the user deleted it;
// vesk.ini is copied last, so that a start cut short is completed by the next one. bins/ and
// files/ are made when missing. Throws vesk::Error naming the file that cannot be written.
void SeedUserFolder(const std::string& shipped, const std::string& user);

// The folder a start without --home works in: the executable's own, or for a system installation
// the user's own folder, seeded from the shipped one first.
ProgramFolder StartingProgramFolder();

}  // namespace vesk

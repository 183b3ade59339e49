#pragma once
// Folders: the one way the program makes them, and the one rule for whether a folder can be
// shown in a file pane (the window's, and the command line's and the tests' stand-ins for it).
#include <string>

namespace vesk {

// Makes the folder and any missing parents, from the first; folders that exist stay as they
// are. `own`: a folder the program names itself (its work folders, recovery's), which must not
// be a link someone left at its name; a folder the user named may be reached through one.
// "Unable to write to DIR" when the folder cannot be made or is no folder.
void MakeFolders(const std::string& path, bool own = false);

// Throws "I/O error 3" (the path was not found, as the old platform said for a folder it could
// not list) unless `folder` is a folder that can be listed: it exists, is a folder, and has read
// and search permission. A folder without any read bit is unreadable for every user, root
// included, as a file is (docs/COMPATIBILITY.md, Read-only and unreadable files).
void CheckFolderListable(const std::string& folder);

}  // namespace vesk

#pragma once
// Folders: the one way the program makes them, and the one rule for whether a folder can be
// shown in a file pane (the window's, and the command line's and the tests' stand-ins for it).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The names in `folder` that are no folder (files, links to anything but a folder, broken links,
// pipes and devices), unsorted: the file pane's listing, with one call of stat only for a link
// or where the file system does not say the type. Empty when the folder cannot be listed.
std::vector<std::string> ListNonFolders(const std::string& folder);

// Removes the folders in `parent` that the program made for itself and that a killed run left
// behind: those of this user named `prefix` and `letters` more characters, not links, last
// changed more than `age` seconds ago, with the files directly inside them (such a folder holds
// no folder; one that does is left whole).
void RemoveOldFolders(const std::string& parent, std::string_view prefix, std::size_t letters, std::int64_t age);

}  // namespace vesk

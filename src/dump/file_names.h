#pragma once
// What the files that unpacking writes are called: one rule for unpacking, extracting, recovery
// and the list comparison, so that all of them call a file alike.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dump/file_list.h"

namespace vesk {

// A decoded name as a file name: path separators and control characters become "_", so that
// every output file stays directly inside its folder, and a name that begins as our temporaries
// do begins with "_" instead.
std::string SafeFileName(std::string name);

// An output file's name: its safe name and the [EXT] value made safe. Where they make "." or ".."
// (a name of dots and an empty [EXT] value) the result would name a folder; it begins with "_"
// instead, so that the file is written and the files after it too.
std::string OutputFileName(const std::string& safeName, const std::string& extension);

// Hands out file names in one folder: a name is made safe, and a name already handed out gets
// " (2)", " (3)", … until it is one that was not.
class FileNamer {
public:
    std::string Take(const std::string& name);

private:
    std::set<std::string> taken_;
    std::map<std::string, int> lastSuffix_;  // by base name: the last " (k)" it was given
};

// The file name (without extension) of each entry that unpacking writes (`written`, by position
// in `entries`), in list order; "" for the others.
std::vector<std::string> OutputNames(const std::vector<ListEntry>& entries, const std::vector<bool>& written);
// The same, taking the names from `namer`, which can then name more files of the folder.
std::vector<std::string> OutputNames(const std::vector<ListEntry>& entries, const std::vector<bool>& written,
                                     FileNamer& namer);

}  // namespace vesk

#pragma once
// List history: what changed between two file lists, of one dump or of two. Files are the
// entries in use; their content is what unpacking would write for them.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/program_folder.h"
#include "dump/file_contents.h"
#include "hextext/hextext.h"

namespace vesk {

// One file of a list: its name as unpacking names its file (a second entry of the same name is
// "NAME (2)"; dump/file_names.h) and its content, none when no block selects the entry
// (unpacking writes no file).
struct ListFile {
    std::string name;
    std::optional<FileBytes> content;
};

struct ListDiff {
    std::vector<std::string> added;    // in the second list only, in its order
    std::vector<std::string> removed;  // in the first list only, in its order
    std::vector<std::string> changed;  // the same name, other content, in the first list's order
    std::vector<std::pair<std::string, std::string>> renamed;  // the same content, another name: from, to
    int same = 0;
};

// A file of the first list that is missing from the second is renamed when a file found only in
// the second has the same content (each file pairs once, in list order); contents that unpacking
// does not write pair with nothing.
ListDiff CompareLists(const std::vector<ListFile>& first, const std::vector<ListFile>& second);

// A list of a dump: the list at `list`, or the one "Открыть" selects.
struct ListRequest {
    std::string path;
    std::optional<std::int64_t> list;
};
// Reads both lists (from one dump once when both lie in it) and compares them. Read failures
// travel as vesk::Error; a dump without lists is refused.
ListDiff DiffLists(const ListRequest& first, const ListRequest& second, const ProgramFolder& folder,
                   const std::string& firmware, const Complain& complain);

}  // namespace vesk

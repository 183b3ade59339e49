#pragma once
// Recovery of everything readable: every list the scan finds, unpacked as "Распаковка" unpacks
// it, and the blocks that no file of the chosen list owns, one file per owner tag.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "form/host.h"

namespace vesk {

// What one output folder received.
struct RecoveredFolder {
    std::string name;  // "0x00000842" (the list's position) or "lost"
    int files = 0;
    std::int64_t bytes = 0;
    std::string error;  // what ended this folder's recovery early, "" when it is whole
};

inline constexpr char kLostFolder[] = "lost";

struct RecoverRequest {
    std::string dump;
    std::string firmware;
    std::optional<std::int64_t> list;  // whose orphans go to lost/; none: the one the scan selects
    std::string out;                   // made when missing
};

// "Восстановить всё": the list at position P into out/0xPPPPPPPP/, named and cut as unpacking
// does; the orphan places of the chosen list into out/lost/, one file per owner tag named by the
// tag (".bin" and the like from [EXT] for its first bytes), its places in slot order and then in
// dump order, each giving the whole content part of its block. A list or lost/ that fails is
// reported in its folder's line and the others go on; failing to read the dump or to make `out`
// ends the command. Files are written as unpacked files are. The host shows the progress and the
// profile's complaints.
std::vector<RecoveredFolder> RecoverAll(const RecoverRequest& request, const ProgramFolder& folder, Host& host);

}  // namespace vesk

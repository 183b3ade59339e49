#pragma once
// Recovery of everything readable: every list the scan finds, unpacked as "Распаковка" unpacks
// it, and the blocks that no file of the chosen list owns, one file per owner tag.
#include <cstdint>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"
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

// "Восстановить всё" of the dump at Form::OpenDumpPath into `out` (made when missing): the list
// at position P into out/0xPPPPPPPP/, named and cut as unpacking does; the orphan places of the
// chosen list (Form::ListAddressEdit, else the scan's selection) into out/lost/, one file per
// owner tag named by the tag (".bin" and the like from [EXT] for its first bytes), its places in
// slot order and then in dump order, each giving the whole content part of its block. A list or
// lost/ that fails is reported in its folder's line and the others go on; failing to read the
// dump or to make `out` ends the command. Files are written as unpacked files are.
std::vector<RecoveredFolder> RecoverAll(Form& form, Host& host, const ProgramFolder& folder, const std::string& out);

// Makes the folder and any missing parents; a folder made by the program (`own`) must not be a
// link. "Unable to write to DIR" when it cannot.
void MakeFolders(const std::string& path, bool own);

}  // namespace vesk

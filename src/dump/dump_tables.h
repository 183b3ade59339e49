#pragma once
// The settings tables that read a dump, made once per command from vesk.ini: [FIX] and [FIX1]
// for addresses, [KOD] for names, [GROUP] for group codes. A command that needs several of them
// in several places makes them here once, rather than reading and parsing each table again.
#include "config/settings.h"
#include "dump/list_address.h"
#include "dump/name_decoding.h"

namespace vesk {

struct DumpTables {
    explicit DumpTables(const Settings& settings) : address(settings), kod(settings), groups(settings) {}

    AddressTables address;
    NameDecoder kod;
    GroupNames groups;
};

}  // namespace vesk

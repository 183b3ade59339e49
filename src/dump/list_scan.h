#pragma once
// The file lists of a dump, as the scan of the 48 sector headers finds them. "Открыть" shows
// them in ListsGrid; the command line and the dump inspection read them as they are.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "dump/dump_reader.h"
#include "dump/firmware_profile.h"
#include "dump/list_address.h"
#include "hextext/hextext.h"

namespace vesk {

struct FoundList {
    int sector = 0;
    int place = 0;                // block place in the sector that the list address names
    std::int64_t position = 0;    // absolute position of the list block
    std::string address;          // the sector's list address as read (XNNA)
    std::uint8_t stateByte = 0;   // the sector's list state byte
    // 0xFF marks the current list; any other value an older one.
    bool Current() const { return stateByte == 0xFF; }
};

// A sector whose list address [FIX] cannot map to a block place.
struct UnknownListAddress {
    int sector = 0;
    std::string address;
};

// Why a scan ended before the last sector.
struct ScanStop {
    int sector = 0;  // the sector whose header ended it
    // An unknown list address (when the scan stops at the first), or nothing: then a read failed
    // (a dump shorter than its sectors) and `error` holds what was thrown.
    std::optional<UnknownListAddress> unknown;
    std::exception_ptr error;
    std::string message;  // the text the window shows for it
};

struct ListScan {
    std::vector<FoundList> lists;
    // The list that "Открыть" selects: the last one found when it is current, else the first.
    std::optional<std::size_t> selected;
    // Every sector with an unknown list address (the scan that does not stop collects them all).
    std::vector<UnknownListAddress> unknown;
    std::optional<ScanStop> stop;

    const FoundList* Selected() const { return selected ? &lists[*selected] : nullptr; }
};

enum class ScanEnd {
    AtFirstUnknown,  // as "Открыть": the first unknown address ends the scan
    WholeDump,       // every sector, unknown addresses collected
};

// Reads each sector's list address at [Offsets] List and its list state byte. [FIX1] (and
// "FFFF") rules values out; [FIX] maps the rest to block places. Read failures end the scan and
// are kept in `stop`, with the lists found before.
ListScan ScanLists(DumpReader& dump, FirmwareProfile& profile, const AddressTables& tables,
                   ScanEnd end = ScanEnd::AtFirstUnknown);

// The same on a dump file with the program folder's settings and the named firmware's profile.
// A dump that cannot be opened throws vesk::Error.
ListScan ScanDumpFile(const std::string& path, const ProgramFolder& folder, const std::string& firmware,
                      const Complain& complain, ScanEnd end = ScanEnd::AtFirstUnknown);

// A list position as the window shows it: "0x" and eight upper-case hex digits.
std::string ListPositionText(std::int64_t position);
// A list position typed as the window shows it ("0x00000842"): converted as "Поиск" converts
// ListAddressEdit, complaining when the "0x" is missing.
std::int64_t ListPositionValue(const std::string& text, const Complain& complain);

}  // namespace vesk

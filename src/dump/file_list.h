#pragma once
// The 100 entries of one file list, decoded with the firmware profile and the settings' tables.
// "Поиск" shows them in FileGrid; the command line and the dump inspection read them as they are.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "dump/dump_reader.h"
#include "dump/firmware_profile.h"
#include "dump/name_decoding.h"
#include "hextext/hextext.h"

namespace vesk {

struct ListEntry {
    int index = 0;                          // record 0 to 99; "Список" shows it in row index + 1
    std::int64_t position = 0;              // where the record starts: list + index × stride
    std::string nameBytes;                  // the name field's bytes as the dump holds them (a
                                            // string for its room inside: a name seldom needs the heap)
    std::string name;                       // decoded through [KOD]; empty for an unused entry
    std::uint32_t storedSize = 0;           // the three size bytes, least significant first
    std::uint32_t size = 0;                 // as shown: 0 when the stored size is above the limit
    std::uint8_t fileNumber = 0;
    std::uint8_t groupCode = 0;
    std::string groupName;                  // [GROUP], empty when unknown
    std::string address;                    // the file's address as read (BlockAddress text)

    bool InUse() const { return !name.empty(); }
};

// The fields of a record in the order they are read.
enum class EntryField { Size, Name, FileNumber, Group, Address };

// "Поиск" converts the list position and the profile's values again at every read of a record, so
// a value without its "0x" is complained about at each: these are the complaints of each read.
struct RecordComplaints {
    Complain complain;
    std::vector<std::string> sizeByte;    // before each of the three size bytes
    std::vector<std::string> name;        // before the name field
    std::vector<std::string> nameByte;    // after each name byte, when the length is compared
    std::vector<std::string> fileNumber;
    std::vector<std::string> group;
    std::vector<std::string> address;
};
// The complaints of each read of a record whose position is `listText` + the profile's offsets.
RecordComplaints ComplaintsOfEachRead(const FirmwareProfile& profile, const std::string& listText, Complain complain);

// Where the fields of record i lie: the profile's offsets from the list's position.
struct EntryLayout {
    std::int64_t list = 0;
    std::int64_t stride = 0;  // [Offsets] NameSize
    std::int64_t size = 0;
    std::int64_t name = 0;
    std::int64_t nameLength = 0;
    std::int64_t fileNumber = 0;
    std::int64_t group = 0;
    std::int64_t address = 0;

    // Set by "Поиск": the complaints at each read. Other readers complain once per value.
    std::optional<RecordComplaints> complaints;

    std::int64_t At(std::int64_t field, int i) const { return list + field + stride * i; }
};

// The profile's values in the order a record uses them (each complains once when it lacks its
// "0x"). A name length of 0 or less would give the name field no end: refused (vesk::Refusal).
EntryLayout ReadEntryLayout(FirmwareProfile& profile, std::int64_t list);

struct FileListRead {
    std::vector<ListEntry> entries;  // whole records, from record 0 on
    // A record that a failed read cut short: its fields before `cutAt` (a name cut by the end
    // holds the bytes that were there), and what was thrown.
    std::optional<ListEntry> cut;
    EntryField cutAt = EntryField::Size;
    std::exception_ptr error;

    int InUse() const;
};

// Reads records 0 to 99, or up to the first read that fails.
FileListRead ReadEntries(DumpReader& dump, const EntryLayout& layout, const NameDecoder& kod, const GroupNames& groups);

// The whole road on a dump file: the list at `list`, the program folder's settings and the
// named firmware's profile. Throws the error of a cut record (or of opening the dump).
std::vector<ListEntry> ReadListFile(const std::string& path, std::int64_t list, const ProgramFolder& folder,
                                    const std::string& firmware, const Complain& complain);

}  // namespace vesk

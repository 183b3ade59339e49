#include "dump/file_list.h"

#include <algorithm>
#include <array>

#include "base/error.h"
#include "config/settings.h"
#include "dump/layout.h"
#include "dump/messages.h"

namespace vesk {
namespace {

// What the conversions of these texts complain about, in their order.
std::vector<std::string> ComplaintsOf(std::initializer_list<std::string> texts) {
    std::vector<std::string> complaints;
    for (const std::string& text : texts) HexAddrToDecStr(text, [&](const std::string& m) { complaints.push_back(m); });
    return complaints;
}

// Reads one record field by field into `entry`; `field` tells how far it got when a read throws.
void ReadEntry(DumpReader& dump, const EntryLayout& at, int i, const NameDecoder& kod, const GroupNames& groups,
               ListEntry& entry, EntryField& field) {
    const auto say = [&](const std::vector<std::string>& complaints, std::int64_t times = 1) {
        for (std::int64_t n = 0; n < times; ++n) {
            for (const std::string& text : complaints) at.complaints->complain(text);
        }
    };
    entry.index = i;
    entry.position = at.At(0, i);

    field = EntryField::Size;
    if (at.complaints) say(at.complaints->sizeByte, 3);
    std::array<std::uint8_t, 3> size{};
    dump.Read(at.At(at.size, i), size);
    entry.storedSize = size[0] | size[1] << 8 | size[2] << 16;
    entry.size = entry.storedSize > layout::kSizeLimit ? 0 : entry.storedSize;

    // The name bytes that the dump holds are decoded; when the field runs past the end, the read
    // then fails at the first missing byte.
    field = EntryField::Name;
    if (at.complaints) say(at.complaints->name);
    const std::int64_t namePosition = at.At(at.name, i);
    const std::int64_t available = dump.Available(namePosition, at.nameLength);
    if (at.complaints) say(at.complaints->nameByte, std::max<std::int64_t>(available, 0));
    if (available > 0) {
        std::vector<std::uint8_t> scratch;
        const auto bytes = dump.View(namePosition, available, false, scratch);
        entry.nameBytes.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        entry.name = kod.Decode(bytes);
    }
    if (available < at.nameLength) dump.ByteAt(namePosition + available);

    field = EntryField::FileNumber;
    if (at.complaints) say(at.complaints->fileNumber);
    entry.fileNumber = dump.ByteAt(at.At(at.fileNumber, i));
    field = EntryField::Group;
    if (at.complaints) say(at.complaints->group);
    entry.groupCode = dump.ByteAt(at.At(at.group, i));
    entry.groupName = groups.Name(entry.groupCode);
    field = EntryField::Address;
    if (at.complaints) say(at.complaints->address);
    std::array<std::uint8_t, 2> address{};
    dump.Read(at.At(at.address, i), address);
    entry.address = BytesToHexText(address);
}

}  // namespace

RecordComplaints ComplaintsOfEachRead(const FirmwareProfile& profile, const std::string& listText, Complain complain) {
    const std::string stride = profile.Text(ProfileKey::NameSize);
    // Each read's position is the list's, the field's offset and the record's stride, in that order.
    const auto at = [&](ProfileKey field) { return ComplaintsOf({listText, profile.Text(field), stride}); };
    RecordComplaints c;
    c.complain = std::move(complain);
    c.sizeByte = at(ProfileKey::Size);
    c.name = at(ProfileKey::ToName);
    c.nameByte = ComplaintsOf({profile.Text(ProfileKey::Name)});
    c.fileNumber = at(ProfileKey::FileNum);
    c.group = at(ProfileKey::Group);
    c.address = at(ProfileKey::Address);
    return c;
}

EntryLayout ReadEntryLayout(FirmwareProfile& profile, std::int64_t list) {
    EntryLayout at;
    at.list = list;
    at.stride = profile.Value(ProfileKey::NameSize);
    at.size = profile.Value(ProfileKey::Size);
    at.name = profile.Value(ProfileKey::ToName);
    at.nameLength = profile.Value(ProfileKey::Name);
    at.fileNumber = profile.Value(ProfileKey::FileNum);
    at.group = profile.Value(ProfileKey::Group);
    at.address = profile.Value(ProfileKey::Address);
    // A name field of no length would have no end and the read would run on to the end of the
    // dump; one longer than a block would be longer than the list that holds it.
    if (at.nameLength <= 0 || at.nameLength > messages::kMaxNameLength) {
        Refuse(messages::BadNameLength(FirmwareProfile::SectionName(ProfileKey::Name), FirmwareProfile::KeyName(ProfileKey::Name),
                                       profile.Text(ProfileKey::Name)));
    }
    return at;
}

int FileListRead::InUse() const {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const ListEntry& e) { return e.InUse(); }));
}

FileListRead ReadEntries(DumpReader& dump, const EntryLayout& layout, const NameDecoder& kod, const GroupNames& groups) {
    FileListRead read;
    read.entries.reserve(layout::kEntriesPerList);
    for (int i = 0; i < layout::kEntriesPerList; ++i) {
        ListEntry entry;
        EntryField field = EntryField::Size;
        try {
            ReadEntry(dump, layout, i, kod, groups, entry, field);
        } catch (const Error&) {
            read.cut = std::move(entry);
            read.cutAt = field;
            read.error = std::current_exception();
            break;
        }
        read.entries.push_back(std::move(entry));
    }
    return read;
}

std::vector<ListEntry> ReadListFile(const std::string& path, std::int64_t list, const ProgramFolder& folder,
                                    const std::string& firmware, const Complain& complain) {
    DumpReader dump(path, DumpReader::Loading::OnDemand);
    FirmwareProfile profile(folder, firmware, ProfileUse::Reading, complain);
    const Settings settings(folder);
    const EntryLayout layout = ReadEntryLayout(profile, list);
    FileListRead read = ReadEntries(dump, layout, NameDecoder(settings), GroupNames(settings));
    if (read.error) std::rethrow_exception(read.error);
    return std::move(read.entries);
}

}  // namespace vesk

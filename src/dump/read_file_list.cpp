// "Поиск": reads the 100 entries of the list at ListAddressEdit into FileGrid.
#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "config/settings.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"
#include "hextext/hextext.h"

namespace vesk {
namespace {

std::int32_t DecimalValue(const std::string& decimal) {
    std::int32_t value = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    return value;
}

// Where the fields of record i lie, all as profile offsets from the list's position.
struct EntryLayout {
    std::int64_t list = 0;
    std::int64_t stride = 0;
    std::int64_t size = 0;
    std::int64_t name = 0;
    std::int64_t nameLength = 0;
    std::int64_t fileNumber = 0;
    std::int64_t group = 0;
    std::int64_t address = 0;

    std::int64_t At(std::int64_t field, int i) const { return list + field + stride * i; }
};

// Little-endian 3-byte size, shown in decimal; larger than the limit counts as 0.
std::string SizeText(DumpReader& dump, std::int64_t position) {
    std::array<std::uint8_t, 3> bytes{};
    dump.Read(position, bytes);
    std::string hex;
    for (int k = 2; k >= 0; --k) hex += ByteToHex(bytes[static_cast<std::size_t>(k)]);  // "7C", never "|"
    const std::string decimal = HexToDecStr(hex);
    return DecimalValue(decimal) > static_cast<std::int32_t>(layout::kSizeLimit) ? "0" : decimal;
}

// The name bytes that the dump holds, decoded; *cut tells whether the field ran past its end.
std::string DecodeName(DumpReader& dump, std::int64_t position, std::int64_t length, const NameDecoder& kod,
                       bool* cut) {
    std::vector<std::uint8_t> scratch;
    const std::int64_t available = dump.Available(position, length);
    *cut = available < length;
    return available > 0 ? kod.Decode(dump.View(position, available, false, scratch)) : std::string();
}

}  // namespace

void ReadFileList(Form& form, Host& host, const ProgramFolder& folder) {
    DumpReader dump(form.OpenDumpPath, DumpReader::Loading::OnDemand);
    host.ShowPage(Page::List);
    host.SetProgressMax(layout::kEntriesPerList);
    const Complain complain = messages::ToHost(host);
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, complain);
    const Settings settings(folder);
    const NameDecoder kod(settings);
    const GroupNames groups(settings);

    // Each value is converted once, in the order a record uses them.
    EntryLayout at;
    at.list = DecimalValue(HexAddrToDecStr(form.ListAddressEdit, complain));
    at.stride = profile.Value(ProfileKey::NameSize);
    at.size = profile.Value(ProfileKey::Size);
    at.name = profile.Value(ProfileKey::ToName);
    at.nameLength = profile.Value(ProfileKey::Name);
    at.fileNumber = profile.Value(ProfileKey::FileNum);
    at.group = profile.Value(ProfileKey::Group);
    at.address = profile.Value(ProfileKey::Address);
    if (at.nameLength <= 0) {
        // The name field would have no end and the read would run on to the end of the dump.
        host.ShowErrorMessage(std::string(messages::kBadNameLength) + profile.Text(ProfileKey::Name));
        return;
    }

    int count = 0;
    TextGrid& grid = form.FileGrid;
    for (int i = 0; i < layout::kEntriesPerList; ++i) {
        const int r = i + 1;
        grid.SetCell(2, r, SizeText(dump, at.At(at.size, i)));

        // The name is read byte by byte into the cell: when it runs past the end of the dump,
        // what was read stays and the read fails there.
        bool cut = false;
        const std::string name = DecodeName(dump, at.At(at.name, i), at.nameLength, kod, &cut);
        grid.SetCell(1, r, name);
        if (cut) dump.ByteAt(at.At(at.name, i) + dump.Available(at.At(at.name, i), at.nameLength));
        if (!name.empty()) ++count;

        grid.SetCell(5, r, std::to_string(dump.ByteAt(at.At(at.fileNumber, i))));
        grid.SetCell(4, r, groups.Name(dump.ByteAt(at.At(at.group, i))));

        std::array<std::uint8_t, 2> address{};
        dump.Read(at.At(at.address, i), address);
        grid.SetCell(3, r, BytesToHexText(address));

        host.SetProgress(r);
        grid.SetCell(0, r, std::to_string(r));
    }
    host.SetStatus(2, std::string(messages::kFileCount) + std::to_string(count));
}

}  // namespace vesk

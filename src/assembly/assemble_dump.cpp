// "Собрать": the build list into the formatted build file, as one file list in block place 0
// of sector 0, FAT slots, owner tags and data blocks.
//
// Everything is checked before anything is written: a build that cannot be read back (or would
// write past the places the readers look at) is refused with a message and leaves the file as
// it was. The accepted build is laid out in memory in the order of its steps, later writes
// winning where they overlap, and then written with one large write.
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "assembly/build_file.h"
#include "assembly/build_rows.h"
#include "assembly/commands.h"
#include "config/settings.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/messages.h"
#include "hextext/hextext.h"
#include "base/error.h"
#include "platform/byte_file.h"
#include "platform/file_output.h"
#include "platform/cp1251.h"

namespace vesk {
namespace {

using namespace assembly;
using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

constexpr std::int64_t kListBlock = layout::BlockPlaceOffset(0);  // base of every entry field
constexpr std::int64_t kListClearLength = 4092;                     // the place's last 4 bytes stay
constexpr std::int64_t kClosingOffset = 4044;                       // closing pattern, in the list block
constexpr std::int64_t kSecondBlock = layout::BlockPlaceOffset(1);
constexpr int kFirstDataPlace = 2;  // in sector 0, after the list and the second block
constexpr std::int64_t kSector0Blocks = layout::kBlockPlaces - kFirstDataPlace;
constexpr std::int64_t kMaxBlocks = kSector0Blocks + (layout::kSectorCount - 1) * layout::kBlockPlaces;
constexpr std::int64_t kSlotWidth = 2;
constexpr std::array<std::uint8_t, 2> kListAddress{0x42, 0xE0};    // "42E0", block place 0
constexpr std::array<std::uint8_t, 2> kSecondAddress{0xC2, 0xE0};  // "C2E0", block place 1

// Why the build is refused; AssembleDump puts the one heading of all its refusals before it.
struct BuildRefusal {
    std::string text;
};
[[noreturn]] void RefuseBuild(const std::string& text) { throw BuildRefusal{text}; }

std::string KeyText(ProfileKey key) {
    return "[" + std::string(FirmwareProfile::SectionName(key)) + "] " + std::string(FirmwareProfile::KeyName(key));
}
std::string CellText(int row, BuildColumn col) { return "Строка " + std::to_string(row) + ", «" + kBuildHeaders[col] + "»"; }

// Profile values, converted once.
struct Geometry {
    std::int64_t list = 0, toName = 0, size = 0, nameSize = 0, fileNum = 0, group = 0, address = 0;
    std::int64_t fat = 0, toData = 0, data = 0, fatSize = 0;
};

struct Entry {
    int row = 0;    // the build list's row, as messages name it
    int index = 0;  // the list entry it becomes
    Bytes name;  // Windows-1251, as many bytes as the name has characters
    std::array<std::uint8_t, 3> size{};
    std::uint8_t number = 0;
    Bytes group;
    Bytes address;
    std::optional<ByteFile> source;
    std::int64_t sourceSize = 0;
    Bytes content;    // what the build writes: the source file's content, read, or the row's own
    ByteSpan bytes;   // a view of it
};

struct Plan {
    Geometry geo;
    OwnerTags tags = OwnerTags::None;
    Bytes header;   // [HEX] "11", the start of every sector that receives a block
    Bytes second;   // [HEX] "21" + "22" + "23", block place 1 of sector 0
    Bytes closing;  // [HEX] "31", the end of the list block
    std::array<Bytes, layout::kBlockPlaces> slotValues;  // [Address] by block place
    std::vector<Entry> entries;
    std::int64_t blocks = 0;  // data blocks written, slot numbers 0 to blocks - 1
};

// The size cell through IntToHex8: digit pairs 7-8, 5-6 and 3-4 become the three bytes, so a
// size up to 16,777,215 is written as its low bytes, least significant first.
std::array<std::uint8_t, 3> SizeBytes(std::int32_t size) {
    const std::string hex = IntToHex8(size);
    auto pair = [&hex](std::size_t at) { return static_cast<std::uint8_t>(HexToInt(hex.substr(at, 2)) & 0xFF); };
    return {pair(6), pair(4), pair(2)};
}

std::int32_t CellInteger(const std::string& text, int row, BuildColumn col) {
    try {
        return StrToInt(text);
    } catch (const Error& e) {
        RefuseBuild(CellText(row, col) + ": " + e.what());
    }
}

Bytes CellHex(const std::string& text, int row, BuildColumn col) {
    if (const std::string problem = HexTextProblem(text); !problem.empty()) RefuseBuild(CellText(row, col) + ": " + problem + ".");
    return HexTextBytes(text);
}

Bytes SettingsHex(const std::string& text, const std::string& what, std::size_t limit, const std::string& limitWhy) {
    if (const std::string problem = HexTextProblem(text); !problem.empty()) {
        RefuseBuild(what + " в vesk.ini: " + problem + ".");
    }
    Bytes bytes = HexTextBytes(text);
    if (bytes.size() > limit) {
        RefuseBuild(what + " в vesk.ini: байтов " + std::to_string(bytes.size()) + ", а " + limitWhy + " помещается не больше " +
               std::to_string(limit) + ".");
    }
    return bytes;
}

Geometry ReadGeometry(FirmwareProfile& profile, bool blocks) {
    Geometry geo;
    geo.list = profile.Value(ProfileKey::List);
    geo.toName = profile.Value(ProfileKey::ToName);
    geo.size = profile.Value(ProfileKey::Size);
    geo.nameSize = profile.Value(ProfileKey::NameSize);
    geo.fileNum = profile.Value(ProfileKey::FileNum);
    geo.group = profile.Value(ProfileKey::Group);
    geo.address = profile.Value(ProfileKey::Address);
    if (blocks) {
        geo.fat = profile.Value(ProfileKey::Fat);
        geo.toData = profile.Value(ProfileKey::ToData);
        geo.data = profile.Value(ProfileKey::Data);
        // Read with the readers' default: it bounds the slots they walk.
        geo.fatSize = profile.Value(ProfileKey::FatSize);
    }
    return geo;
}

void CheckGeometry(const Geometry& geo, bool blocks) {
    // The list address goes to List and its neighbour "C2E0" to List - 2, both in sector 0's header.
    if (geo.list < 2 || geo.list + 2 > layout::kFirstBlockPlace) {
        RefuseBuild(KeyText(ProfileKey::List) + " = " + std::to_string(geo.list) +
               " в профиле прошивки: адрес списка пишется в байты List − 2 … List + 1 заголовка сектора, нужно "
               "значение от 2 до " + std::to_string(layout::kFirstBlockPlace - 2) + ".");
    }
    if (!blocks) return;
    if (geo.data < 1 || geo.data > static_cast<std::int64_t>(layout::kBlockContent)) {
        RefuseBuild(KeyText(ProfileKey::Data) + " = " + std::to_string(geo.data) +
               " в профиле прошивки: байтов содержимого в блоке может быть от 1 до " + std::to_string(layout::kBlockContent) +
               " (столько держит буфер блока).");
    }
    if (geo.toData < 0 || geo.toData + geo.data > layout::kBlockPitch) {
        RefuseBuild(KeyText(ProfileKey::ToData) + " = " + std::to_string(geo.toData) + " и " + KeyText(ProfileKey::Data) +
               " = " + std::to_string(geo.data) + " в профиле прошивки: содержимое выйдет за " +
               std::to_string(layout::kBlockPitch) + " байт места блока (нужно todata ≥ 0 и todata + data ≤ " +
               std::to_string(layout::kBlockPitch) + ").");
    }
}

// Each field of entry i must stay inside the list block, before the closing pattern.
void CheckEntryFields(const Entry& e, std::int64_t index, const Geometry& geo) {
    struct Field {
        BuildColumn col;
        ProfileKey key;
        std::int64_t offset;
        std::size_t length;
    };
    const Field fields[] = {
        {kBuildNameCol, ProfileKey::ToName, geo.toName, e.name.size()},
        {kBuildSizeCol, ProfileKey::Size, geo.size, e.size.size()},
        {kBuildNumberCol, ProfileKey::FileNum, geo.fileNum, 1},
        {kBuildGroupCol, ProfileKey::Group, geo.group, e.group.size()},
        {kBuildAddressCol, ProfileKey::Address, geo.address, e.address.size()},
    };
    for (const Field& f : fields) {
        const std::int64_t start = f.offset + index * geo.nameSize;
        const std::int64_t end = start + static_cast<std::int64_t>(f.length);
        if (start < 0 || end > kClosingOffset) {
            RefuseBuild(CellText(e.row, f.col) + ": поле записи " + std::to_string(index + 1) + " списка заняло бы байты " +
                   std::to_string(start) + "…" + std::to_string(end - 1) + " блока списка, а записи должны лежать в 0…" +
                   std::to_string(kClosingOffset - 1) + ", до завершающего шаблона [HEX] «31» (" +
                   KeyText(f.key) + ", шаг " + KeyText(ProfileKey::NameSize) + " = " + std::to_string(geo.nameSize) + ").");
        }
    }
}

Entry ReadRow(BuildRow& source, int index, const Geometry& geo) {
    Entry e;
    e.row = source.row;
    e.index = index;
    const int row = source.row;
    const std::string& name = source.name;
    if (name.empty()) {
        RefuseBuild(CellText(row, kBuildNameCol) + (index == 0 ? ": список сборки пуст, нет имени файла." : ": нет имени файла."));
    }
    // A "|" stands for the byte 0x7C only in hex text; in a name it would break the pairs.
    if (name.find('|') != std::string::npos) RefuseBuild(CellText(row, kBuildNameCol) + ": в имени «" + name + "» есть символ «|».");
    const std::optional<std::string> encoded = Utf8ToCp1251(name);
    if (!encoded) {
        RefuseBuild(CellText(row, kBuildNameCol) + ": в имени «" + name + "» есть символы, которых нет в кодировке Windows-1251.");
    }
    e.name.assign(encoded->begin(), encoded->end());
    e.size = SizeBytes(CellInteger(source.size, row, kBuildSizeCol));
    e.number = static_cast<std::uint8_t>(CellInteger(source.number, row, kBuildNumberCol) & 0xFF);
    e.group = CellHex(source.group, row, kBuildGroupCol);
    e.address = CellHex(source.address, row, kBuildAddressCol);
    CheckEntryFields(e, index, geo);

    if (source.content) {
        e.content = std::move(*source.content);
        source.content.reset();
        e.sourceSize = static_cast<std::int64_t>(e.content.size());
        return e;
    }
    try {
        // Reading only: a read-only file builds too. Only its size is taken now: a build that
        // cannot fit is refused before any file is read.
        e.source.emplace(ByteFile::Open(source.path));
        e.sourceSize = e.source->Size();
    } catch (const Error& err) {
        RefuseBuild(CellText(row, kBuildPathCol) + " («" + source.path + "»): " + err.what());
    }
    // A pipe or a device would give whatever it gives, or nothing, for the file's content.
    if (!e.source->IsRegular()) RefuseBuild(CellText(row, kBuildPathCol) + ": " + NotAFileText(source.path));
    return e;
}

std::vector<Entry> ReadRows(std::vector<BuildRow>& rows, const Geometry& geo) {
    if (rows.empty()) RefuseBuild(CellText(1, kBuildNameCol) + ": список сборки пуст, нет имени файла.");
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < rows.size(); ++i) entries.push_back(ReadRow(rows[i], static_cast<int>(i), geo));
    return entries;
}

// Every file takes one block per `data` bytes begun, and one more: the block whose read came
// back empty, which ends the file.
std::int64_t BlocksOf(std::int64_t bytes, std::int64_t data) { return (bytes + data - 1) / data + 1; }

int PlaceOfBlock(std::int64_t g) {
    return g < kSector0Blocks ? static_cast<int>(g) + kFirstDataPlace
                              : static_cast<int>((g - kSector0Blocks) % layout::kBlockPlaces);
}

// Blocks that no reader would find are lost silently, so a build that needs them is refused:
// more slots than the readers walk ([FAT] SIZE, and never more than FatGrid has columns for),
// slots that run into block place 0, or a block place past sector 47.
//
// Every file ends with one block more than its content needs; the last file's may be left out
// when no slot is left for it, since the reader cuts the file to its size all the same. (An
// empty last file keeps it: its one block is what makes the reader write the file at all.)
// Returns how many blocks are written.
std::int64_t CheckCapacity(const std::vector<Entry>& entries, const Geometry& geo, int tableSlots) {
    // The walk takes slot columns 2, 4, … and stops after the first one not below SIZE, or at
    // the work table's last slot column.
    const std::int64_t bySize = std::max<std::int64_t>(1, (geo.fatSize + 1) / 2);
    const std::int64_t byGrid = tableSlots;
    const std::int64_t walked = std::min(bySize, byGrid);
    const std::string walkedWhy =
        bySize <= byGrid ? KeyText(ProfileKey::FatSize) + " = " + std::to_string(geo.fatSize) + " в профиле прошивки"
                         : "больше не вмещает таблица FAT, какой бы ни был " + KeyText(ProfileKey::FatSize) + " = " +
                               std::to_string(geo.fatSize) + " в профиле прошивки";
    const std::int64_t fitting = geo.fat < 0 ? 0 : std::max<std::int64_t>(0, (layout::kFirstBlockPlace - geo.fat) / kSlotWidth);
    const std::int64_t capacity = std::min({walked, fitting, kMaxBlocks});
    std::int64_t blocks = 0;
    for (const Entry& e : entries) {
        blocks += BlocksOf(e.sourceSize, geo.data);
        const bool last = &e == &entries.back();
        if (last && e.sourceSize > 0 && blocks == capacity + 1) return capacity;  // all but the surplus block
        const std::string head = "Строка " + std::to_string(e.row) + ": файлам до этой строки включительно нужно блоков: " +
                                 std::to_string(blocks) + " (по " + KeyText(ProfileKey::Data) + " = " +
                                 std::to_string(geo.data) + " байт содержимого и ещё один блок в конце каждого файла), ";
        if (blocks > walked) {
            RefuseBuild(head + "а чтение дампа обходит ячеек FAT: " + std::to_string(walked) + " (" + walkedWhy + ").");
        }
        if (blocks > fitting) {
            RefuseBuild(head + "а ячеек FAT от " + KeyText(ProfileKey::Fat) + " = " + std::to_string(geo.fat) +
                   " до начала блоков (смещение " + std::to_string(layout::kFirstBlockPlace) + ") помещается: " +
                   std::to_string(fitting) + ".");
        }
        if (blocks > kMaxBlocks) {
            RefuseBuild(head + "а мест для блоков в " + std::to_string(layout::kSectorCount) + " секторах дампа: " +
                   std::to_string(kMaxBlocks) + ".");
        }
    }
    return blocks;
}

// [Address] for every block place that receives a block: the 2-byte BlockAddress of its slot.
void ReadSlotValues(Plan& plan, const Settings& settings, std::int64_t blocks) {
    const std::string fallback = plan.tags == OwnerTags::Name ? "42E0" : "4200";
    std::array<bool, layout::kBlockPlaces> used{};
    for (std::int64_t g = 0; g < std::min<std::int64_t>(blocks, layout::kBlockPlaces + kSector0Blocks); ++g) {
        used[static_cast<std::size_t>(PlaceOfBlock(g))] = true;
    }
    for (int place = 0; place < layout::kBlockPlaces; ++place) {
        if (!used[static_cast<std::size_t>(place)]) continue;
        const std::string key = std::to_string(layout::BlockPlaceOffset(place));
        const std::string text = settings.Address(key, fallback);
        const std::string what = "Адрес ячейки FAT [Address] «" + key + "»";
        std::string problem = HexTextProblem(text);
        if (problem.empty() && text.size() != 2 * kSlotWidth) problem = "нужно ровно 4 шестнадцатеричные цифры («" + text + "»)";
        if (!problem.empty()) RefuseBuild(what + " в vesk.ini: " + problem + ".");
        plan.slotValues[static_cast<std::size_t>(place)] = HexTextBytes(text);
    }
}

void ReadContents(std::vector<Entry>& entries) {
    for (Entry& e : entries) {
        if (e.source) {
            e.content.resize(static_cast<std::size_t>(e.sourceSize));
            try {
                e.source->ReadAt(0, e.content);
            } catch (const Error& err) {
                RefuseBuild(CellText(e.row, kBuildPathCol) + " («" + e.source->Path() + "»): " + err.what());
            }
            e.source.reset();
        }
        e.bytes = e.content;
    }
}

Plan MakePlan(std::vector<BuildRow>& rows, const std::string& firmware, Host& host, const ProgramFolder& folder,
              int tableSlots) {
    const Settings settings(folder);
    FirmwareProfile profile(folder, firmware, ProfileUse::Building, messages::ToHost(host));
    Plan plan;
    // Any word but "address" and "name" writes the list and no blocks.
    plan.tags = settings.FatOwnerTags();
    const bool blocks = plan.tags != OwnerTags::None;

    plan.geo = ReadGeometry(profile, blocks);
    CheckGeometry(plan.geo, blocks);

    plan.second = SettingsHex(settings.Hex("21") + settings.Hex("22") + settings.Hex("23"),
                              "Второй блок [HEX] «21» + «22» + «23»", static_cast<std::size_t>(layout::kBlockPitch),
                              "в место блока");
    plan.closing = SettingsHex(settings.Hex("31"), "Завершающий шаблон списка [HEX] «31»",
                               static_cast<std::size_t>(layout::kBlockPitch - kClosingOffset), "в конец блока списка");
    if (blocks) {
        plan.header = SettingsHex(settings.Hex("11"), "Заголовок сектора с данными [HEX] «11»",
                                  static_cast<std::size_t>(layout::kFirstBlockPlace), "в заголовок сектора");
    }

    plan.entries = ReadRows(rows, plan.geo);
    if (blocks) {
        plan.blocks = CheckCapacity(plan.entries, plan.geo, tableSlots);
        ReadSlotValues(plan, settings, plan.blocks);
        ReadContents(plan.entries);
    }
    return plan;
}

// The writes of the build in the order of its steps. Put receives (position, bytes);
// FileDone the row just finished.
template <typename Put, typename FileDone>
void EmitWrites(const Plan& plan, bool withContent, Put&& put, FileDone&& fileDone) {
    static constexpr std::array<std::uint8_t, kListClearLength> kZeros{};
    const Geometry& geo = plan.geo;
    put(kListBlock, ByteSpan(kZeros));
    put(kListBlock + kClosingOffset, ByteSpan(plan.closing));

    // One block's content: zero when the build starts and never cleared, so a short read
    // leaves the bytes of an earlier block (of this file or an earlier one) after it.
    layout::Block buffer{};
    const ByteSpan blockContent = ByteSpan(buffer).first(static_cast<std::size_t>(geo.data));
    int s = 0;
    std::int64_t o = layout::BlockPlaceOffset(kFirstDataPlace);
    std::int64_t g = 0;
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const Entry& e = plan.entries[i];
        const std::int64_t entry = kListBlock + static_cast<std::int64_t>(i) * geo.nameSize;
        put(geo.list, ByteSpan(kListAddress));
        put(geo.list - 2, ByteSpan(kSecondAddress));
        put(kSecondBlock, ByteSpan(plan.second));
        put(entry + geo.toName, ByteSpan(e.name));
        put(entry + geo.size, ByteSpan(e.size));
        put(entry + geo.fileNum, ByteSpan(&e.number, 1));
        put(entry + geo.group, ByteSpan(e.group));
        put(entry + geo.address, ByteSpan(e.address));
        if (plan.tags != OwnerTags::None) {
            const Bytes& tag = plan.tags == OwnerTags::Name ? e.name : e.address;
            std::size_t done = 0;
            // The test for an empty read comes after the block is written: every file ends
            // with one block more than its content needs.
            for (;;) {
                // The last file's surplus block, when no slot is left for it.
                if (g == plan.blocks) break;
                const std::int64_t sector = layout::SectorStart(s);
                put(sector, ByteSpan(plan.header));
                const auto place = static_cast<std::size_t>((o - layout::kFirstBlockPlace) / layout::kBlockPitch);
                put(sector + geo.fat + kSlotWidth * g, ByteSpan(plan.slotValues[place]));
                const std::size_t got = std::min(static_cast<std::size_t>(geo.data), e.bytes.size() - done);
                if (withContent) std::copy_n(e.bytes.begin() + static_cast<std::ptrdiff_t>(done), got, buffer.begin());
                done += got;
                put(sector + o, ByteSpan(tag));
                put(sector + o + geo.toData, blockContent);
                o += layout::kBlockPitch;
                ++g;
                // Slot numbers run on across sectors: sector 0 holds 13 blocks, every later one 15.
                if (g == layout::kBlockPlaces * s + kSector0Blocks) {
                    ++s;
                    o = layout::kFirstBlockPlace;
                }
                if (got == 0) break;
            }
        }
        fileDone(e.index + 1);
    }
}

// The build into the image: a dry run first finds how far it reaches (and guards the 48 sectors
// once more), then every write lands in the image. Bytes the build does not write keep their
// values; an image shorter than the build grows, the gap reading as zero as a write past the
// end of a file leaves it.
void ApplyPlan(std::vector<std::uint8_t>& image, const Plan& plan, Host& host) {
    std::int64_t end = 0;
    EmitWrites(
        plan, false,
        [&end](std::int64_t position, ByteSpan bytes) {
            const std::int64_t last = position + static_cast<std::int64_t>(bytes.size());
            if (position < 0 || last > layout::kDumpSize) {
                RefuseBuild("Запись в байты " + std::to_string(position) + "…" + std::to_string(last - 1) +
                            " вышла бы за пределы " + std::to_string(layout::kSectorCount) + " секторов дампа.");
            }
            end = std::max(end, last);
        },
        [](int) {});
    if (static_cast<std::int64_t>(image.size()) < end) image.resize(static_cast<std::size_t>(end), 0x00);
    EmitWrites(
        plan, true,
        [&image](std::int64_t position, ByteSpan bytes) {
            std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(position));
        },
        [&host](int row) { host.SetProgress(row); });
}

constexpr std::string_view kRefused = "Сборка отменена, файл сборки не изменён.\n";

// The slots FatGrid has columns for: the readers of the window walk no more.
int FatTableSlots(const Form& form) { return (form.FatGrid.ColCount() - 2) / 2; }

}  // namespace

std::vector<std::vector<std::uint8_t>> AssembleRows(std::vector<BuildRow> rows, const std::string& firmware, Host& host,
                                                   const ProgramFolder& folder, std::vector<std::uint8_t>& image,
                                                   int tableSlots) {
    try {
        Plan plan = MakePlan(rows, firmware, host, folder, tableSlots);
        ApplyPlan(image, plan, host);
        std::vector<std::vector<std::uint8_t>> contents;
        contents.reserve(plan.entries.size());
        for (Entry& e : plan.entries) contents.push_back(std::move(e.content));
        return contents;
    } catch (const BuildRefusal& refusal) {
        Refuse(std::string(kRefused) + refusal.text);
    }
}

void AssembleImage(Form& form, Host& host, const ProgramFolder& folder, std::vector<std::uint8_t>& image) {
    AssembleRows(AssembledRows(form.BuildGrid), form.FirmwareCombo, host, folder, image, FatTableSlots(form));
}

void AssembleDump(Form& form, Host& host, const ProgramFolder& folder) {
    const std::string path = BuildFilePath(form, folder);
    // In place: the build file comes from "Пустой "FF" файл" and "Форматировать". It must be
    // there and writable before anything else is looked at.
    CheckChangeable(path);
    std::vector<BuildRow> rows = AssembledRows(form.BuildGrid);
    try {
        const Plan plan = MakePlan(rows, form.FirmwareCombo, host, folder, FatTableSlots(form));
        // The old dump is read, the copy built and put in its place: a refused or failed build,
        // or a killed one, leaves the old file as it was.
        ChangeFile(path, Durability::Durable, [&](std::vector<std::uint8_t>& image) { ApplyPlan(image, plan, host); });
    } catch (const BuildRefusal& refusal) {
        Refuse(std::string(kRefused) + refusal.text);
    }
    form.SaveDialogPath = path;
}

}  // namespace vesk

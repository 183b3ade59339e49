// The reading road on any dump with any profile and settings: OpenDump, ReadFileList and
// UnpackFiles, unpacking into files/ of a scratch program folder on tmpfs. Beyond not
// crashing, every file the unpacker writes must lie directly in its output folder, and the links
// planted at the names it may write must be replaced, never written through. GatherFiles, the
// same walk in memory, must give every row the file that UnpackFiles wrote for it. Then the dump
// inspection's map and check: the map tells every block place exactly once, each orphan is in
// one owner group, and every finding names places, slots and entries that exist.
//
// Input: profile text, settings text, the list position typed over the one found ("" keeps
// it), one byte whose three low bits set choose "Распаковка" over the typed unpacking under it
// (which vesk unpack, extracting and recovery call), then the dump as pieces over erased flash
// (dump_pieces.h).
//
// Speed: the dump lies in a file kept between inputs and only the bytes an input changes are
// written; the unpacking, the gathering and the inspection read it in memory where it lies (the
// opening and the list read the file, a page at a time). The program folder and the links in
// files/ are kept too, and brought to what each input needs. A fresh buffer of megabytes costs
// more under the sanitizers than the whole road, so none is made per input.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "base/error.h"
#include "config/program_folder.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/file_names.h"
#include "dump/gather_files.h"
#include "dump/unpack.h"
#include "dump/layout.h"
#include "form/form.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "platform/system_calls.h"
#include "dump_pieces.h"
#include "fuzz_support.h"

using namespace vesk;

namespace {

// A little past 48 sectors, so that data past the readers' area is tried too.
constexpr std::size_t kMaxDump = static_cast<std::size_t>(layout::kDumpSize) + 4096;

constexpr char kPrecious[] = "precious";

void CheckInspection(const Inspection& in) {
    const BlockMap& map = in.Map();
    const std::size_t places = BlockMap::Index(layout::kSectorCount, 0);
    if (map.places.size() != places || in.kinds.size() != places) fuzz::Fail("the map does not tell every place");
    for (std::size_t i = 0; i < places; ++i) {
        const MapPlace& p = map.places[i];
        if (BlockMap::Index(p.sector, p.place) != i) fuzz::Fail("the map tells a place twice or out of order");
        const bool owned = in.kinds[i] == BlockKind::File;
        if (owned != (p.kind == PlaceKind::Data && !p.entries.empty() && !p.slots.empty())) {
            fuzz::Fail("a file's block without a slot and an entry");
        }
    }
    std::vector<int> grouped(places, 0);
    for (const OrphanGroup& group : OrphanGroups(in)) {
        for (const PlaceRef& p : group.places) ++grouped[BlockMap::Index(p.sector, p.place)];
    }
    for (std::size_t i = 0; i < places; ++i) {
        if (grouped[i] != (in.kinds[i] == BlockKind::Orphan ? 1 : 0)) fuzz::Fail("an orphan not in exactly one group");
    }
    const auto within = [](int value, int end) { return value >= 0 && value < end; };
    for (const Finding& f : CheckDump(in)) {
        if (f.text.empty()) fuzz::Fail("a finding without its sentence: " + f.kind);
        for (const PlaceRef& p : f.places) {
            if (!within(p.sector, layout::kSectorCount) || !within(p.place, layout::kBlockPlaces)) fuzz::Fail("a finding's place");
        }
        for (const int s : f.sectors) if (!within(s, layout::kSectorCount)) fuzz::Fail("a finding's sector");
        for (const int n : f.slots) if (!within(n, layout::kFatSlots)) fuzz::Fail("a finding's slot");
        for (const int e : f.entries) if (!within(e - 1, layout::kEntriesPerList)) fuzz::Fail("a finding's entry");
    }
}

// One Form for the process, set back to a new window's state for each input: a new one is a
// megabyte of cells, which costs more under the sanitizers than setting them back. FatGrid, the
// work table that "Распаковка" rewrites wherever it reads, keeps its cells: copying its 40,180
// empty ones for every input cost more than the rest of the Form.
Form& FreshForm() {
    static const Form pristine = [] {
        Form form;
        InitGrids(form);
        form.FatGrid = TextGrid(0, 0);
        return form;
    }();
    static Form form;
    TextGrid fat = std::move(form.FatGrid);
    form = pristine;
    form.FatGrid = std::move(fat);
    return form;
}

enum class EntryType { File, Folder, Link };

// The entries of a folder and their types, links not followed, sorted by name.
std::vector<std::pair<std::string, EntryType>> Entries(const std::string& folder) {
    std::vector<std::pair<std::string, unsigned char>> listed;
    if (!fuzz::Entries(folder, listed)) fuzz::Fail("cannot list " + folder);
    std::vector<std::pair<std::string, EntryType>> entries;
    for (auto& [name, type] : listed) {
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::lstat((folder + name).c_str(), &st) == 0) type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        entries.emplace_back(std::move(name), type == DT_DIR ? EntryType::Folder : type == DT_LNK ? EntryType::Link : EntryType::File);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The scratch program folder, kept from one input to the next: made once with bins/, files/ and
// outside/victim; for each input its two INI files are written again, and files/ is brought to
// the links this input plants from what the last one left there (links that still stand are
// kept). Making the folder and the links anew for each input cost more than the reading road.
// What stands is read from files/ itself: state kept in memory that grows from one input to the
// next would make libFuzzer take it for a leak and run the input again.
class KeptProgramFolder {
public:
    // Its path, with a trailing "/", ready for an input with these INI files.
    const std::string& Prepare(const std::string& profile, const std::string& settings) {
        if (root_.empty()) {
            root_ = fuzz::MakeProgramFolder(profile, settings);
            fuzz::MakeFolder(root_ + "outside");
            fuzz::WriteFile(root_ + "outside/victim", std::string_view(kPrecious));
        } else {
            fuzz::WriteFile(root_ + "T.ini", profile);
            fuzz::WriteFile(root_ + "vesk.ini", settings);
        }
        return root_;
    }

    // Links at the names the unpacker may write (every name of FileGrid with ".bin" and the
    // extensions of [EXT]), to the file outside the output folder or to one that does not exist:
    // each must be replaced where it stands, never written through. Whatever else files/ holds
    // goes first.
    void PlantLinks(const Form& form, const Settings& settings) const {
        std::vector<std::string> extensions = {".bin"};
        for (const auto& [key, value] : settings.Table("EXT")) {
            if (extensions.size() < 8) extensions.push_back(SafeFileName(value));
        }
        // Rows share names (every empty row has ""): each link is planted once. Where a link
        // points follows from its name alone, so that a link standing from the last input is the
        // one this input wants.
        std::set<std::string> wanted;
        for (int row = 1; row <= layout::kEntriesPerList; ++row) {
            const std::string name = SafeFileName(form.FileGrid.Cell(kFileNameCol, row));
            for (const std::string& extension : extensions) wanted.insert(name + extension);
        }
        const std::string files = root_ + "files/";
        for (const auto& [name, type] : Entries(files)) {
            if (type == EntryType::Link && wanted.erase(name)) continue;
            if (::unlink((files + name).c_str()) != 0) fuzz::Fail("cannot remove files/" + name);
        }
        for (const std::string& link : wanted) {
            const bool toVictim = std::hash<std::string>{}(link) % 2 == 0;
            sys::Symlink(root_ + (toVictim ? "outside/victim" : "outside/missing"), files + link);
        }
    }

    // Everything in the scratch folder lies in the program folder, and there the reading road left
    // nothing but files directly in files/; beside the dump there is nothing.
    void CheckOnlyUnpackedFiles() const {
        using Listing = std::vector<std::pair<std::string, EntryType>>;
        if (Entries(fuzz::ScratchFolder()) != Listing{{"program", EntryType::Folder}}) {
            fuzz::Fail("a file appeared beside the program folder");
        }
        const Listing fixed = {{"T.ini", EntryType::File}, {"bins", EntryType::Folder}, {"files", EntryType::Folder},
                               {"outside", EntryType::Folder}, {"vesk.ini", EntryType::File}};
        if (Entries(root_) != fixed) fuzz::Fail("the reading road left a file in the program folder");
        if (!Entries(root_ + "bins/").empty()) fuzz::Fail("the reading road left a file in bins/");
        if (Entries(root_ + "outside/") != Listing{{"victim", EntryType::File}}) fuzz::Fail("the reading road left a file in outside/");
        for (const auto& [name, type] : Entries(root_ + "files/")) {
            if (type == EntryType::Folder) fuzz::Fail("the reading road left the folder files/" + name);
        }
        if (Entries(fuzz::KeptFolder()) != Listing{{"d.bin", EntryType::File}}) fuzz::Fail("a file appeared beside the dump");
    }

private:
    std::string root_;
};

}  // namespace

// AddressSanitizer's allocator with the same checks, set for a target whose every input frees
// megabytes: memory that left the quarantine stays mapped for the next inputs (given back to the
// system every few seconds, it was faulted in again page by page), and the shadow of a large
// block is cleared by writing it rather than by mapping it anew (each new mapping cost a page
// fault per shadow page and a flush of every core's address cache). Options given at run time
// (ASAN_OPTIONS) still come on top.
extern "C" const char* __asan_default_options() {
    return "allocator_release_to_os_interval_ms=-1:clear_shadow_mmap_threshold=1073741824";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const std::string profile = in.Text();
    const std::string settings = in.Text();
    const std::string listAddress = in.Text();
    // Which unpacking: "Распаковка" with its work table, or the typed one under it. "Распаковка"
    // fills 39,264 cells, a few times the cost of the rest of the road; it takes one input in
    // eight (the byte's three low bits set), the typed unpacking, which walks the same FAT and
    // blocks, the other seven.
    const bool windowRoad = (in.Number(1) & 7) == 7;
    static fuzz::ErasedDump erased(kMaxDump);
    erased.Read(in);
    const std::span<const std::uint8_t> dump = erased.Bytes();

    static KeptProgramFolder kept;
    const std::string& root = kept.Prepare(profile, settings);
    // Outside the program folder, so that it need not be written again for each input.
    const std::string dumpPath = fuzz::KeptFolder() + "d.bin";
    erased.WriteTo(dumpPath);

    const ProgramFolder folder(root);
    Form& form = FreshForm();
    form.FirmwareCombo = "T";
    form.TempFolderEdit = root + "files/";
    form.OpenDumpPath = dumpPath;
    fuzz::QuietHost host;
    // The user presses the three buttons whatever the one before ended with. Failures and
    // refusals end a command; that is a documented result, not a fault.
    const auto run = [&](const std::function<void()>& command) {
        try {
            command();
        } catch (const Error&) {
        }
    };
    run([&] { OpenDump(form, host, folder); });
    if (!listAddress.empty()) form.ListAddressEdit = listAddress;
    std::optional<FileListRead> read;
    run([&] { read = ReadFileList(form, host, folder); });
    FirmwareProfile profileRead(folder, form.FirmwareCombo, ProfileUse::Reading, [](const std::string&) {});
    const Settings settingsRead(folder);
    kept.PlantLinks(form, settingsRead);
    // The walk in memory must give each file unpacking wrote the same bytes, and no file where
    // unpacking wrote none.
    DumpReader reader(dump, dumpPath);
    if (windowRoad) {
        // "Распаковка" itself: FatGrid and the entries as FileGrid's cells give them, reading the
        // image that the file holds rather than the file again.
        std::vector<std::string> paths;
        run([&] { paths = UnpackFiles(form, host, folder, reader).paths; });
        if (!paths.empty()) {
            std::vector<ListEntry> rows;
            for (int row = 1; row <= layout::kEntriesPerList; ++row) {
                ListEntry& e = rows.emplace_back();
                e.index = row - 1;
                e.name = form.FileGrid.Cell(kFileNameCol, row);
                e.address = form.FileGrid.Cell(kFileAddressCol, row);
                e.size = static_cast<std::uint32_t>(std::max(0, TryStrToInt(form.FileGrid.Cell(kFileSizeCol, row)).value_or(0)));
            }
            const auto gathered = GatherFiles(reader, profileRead, settingsRead, rows);
            for (int row = 1; row <= layout::kEntriesPerList; ++row) {
                const std::string& path = paths[static_cast<std::size_t>(row)];
                const auto& file = gathered[static_cast<std::size_t>(row - 1)];
                if (path.empty() != !file || (file && !fuzz::FileHolds(path, *file))) {
                    fuzz::Fail("GatherFiles differs from UnpackFiles in row " + std::to_string(row));
                }
            }
        }
    } else if (read && !read->error) {
        // The typed unpacking that vesk unpack, extracting and recovery call, on the list read.
        std::optional<Unpacked> unpacked;
        run([&] { unpacked = Unpack(reader, profileRead, settingsRead, read->entries, root + "files/"); });
        if (unpacked) {
            const auto gathered = GatherFiles(reader, profileRead, settingsRead, read->entries);
            std::size_t present = 0;
            for (const auto& file : gathered) present += file ? 1 : 0;
            if (present != unpacked->files.size()) fuzz::Fail("GatherFiles and Unpack differ in the files they give");
            for (const UnpackedFile& f : unpacked->files) {
                if (!gathered[f.entry] || !fuzz::FileHolds(f.path, *gathered[f.entry])) {
                    fuzz::Fail("GatherFiles differs from Unpack for entry " + std::to_string(f.entry));
                }
            }
        }
    }
    run([&] {
        const Complain complain = [&host](const std::string& text) { host.ShowMessage(text); };
        std::optional<std::int64_t> list;
        if (!listAddress.empty()) list = ListPositionValue(listAddress, complain);
        // InspectDumpFile less its opening of the file: the dump read where it lies.
        FirmwareProfile profileRead(folder, form.FirmwareCombo, ProfileUse::Reading, complain);
        DumpReader reader(dump, dumpPath);
        CheckInspection(Inspect(reader, profileRead, DumpTables(settingsRead), list));
    });
    kept.CheckOnlyUnpackedFiles();
    if (fuzz::ReadFile(root + "outside/victim") != std::vector<std::uint8_t>(kPrecious, kPrecious + sizeof kPrecious - 1)) {
        fuzz::Fail("unpacking wrote through a link");
    }
    return 0;
}

// "Распаковка": gathers the blocks of every file in FileGrid through the FAT areas of all
// sectors and writes them into the unpack folder. Three passes: map (FAT slots -> block
// offsets), owners (each block's owner tag) and write, with FatGrid as the work table.
//
// Two mends of the plain walk, where it would lose data: blocks are counted per row, so the
// blocks of one file that interleave with another's still land at their places; and rows that
// share a name get files of their own instead of writing into one another.
#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/error.h"
#include "config/settings.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/file_contents.h"
#include "dump/fat_table.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"
#include "hextext/hextext.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

constexpr int kSectors = layout::kSectorCount;

// The unpack folder as a folder: its text names one whether or not it ends with a separator,
// and a relative one lies in the program folder (not wherever the program was started from).
std::string OutputFolder(const std::string& text, const ProgramFolder& folder) {
    if (text.empty()) return folder.Path();
    std::string out = text.front() == '/' ? text : folder.Path() + text;
    if (out.back() != '/') out += '/';
    return out;
}

// Writes the blocks of the rows of FileGrid into one output file per row. Block b of a row
// (counted per row, in FAT order) lands at (b - 1) × data of its file, cut to the row's size.
// Each file is written to a temporary beside its final name and put in place as soon as it has
// all the blocks its size needs, or at the end: a file appears whole or not at all, and an
// earlier copy is replaced only by a whole new one. A row's bytes are gathered while its blocks
// follow one another, so a file costs a write or two, not one per block.
class Writer {
public:
    Writer(Form& form, DumpReader& dump, FirmwareProfile& profile, const Extensions& extensions, std::string outputFolder,
           std::vector<std::string> names)
        : form_(form), dump_(dump), profile_(profile), extensions_(extensions), outputFolder_(std::move(outputFolder)),
          names_(std::move(names)) {}

    // One block at the absolute block position, for row j of FileGrid.
    void Write(std::int64_t block, int j) {
        if (!data_) {
            todata_ = profile_.Value(ProfileKey::ToData);
            data_ = profile_.Value(ProfileKey::Data);
        }
        const std::int64_t data = *data_;
        Output& out = rows_[static_cast<std::size_t>(j)];
        if (out.done) return;  // whole already: later blocks of the row write nothing
        const std::int64_t contentAt = block + todata_;
        const std::span<const std::uint8_t> content = dump_.View(contentAt, data, true, scratch_);

        if (!out.file) {
            // The row's first block chooses the extension and begins the file.
            std::array<std::uint8_t, 3> signature{};
            dump_.ReadErased(contentAt, signature);
            const std::string path = outputFolder_ + names_[static_cast<std::size_t>(j)] + SafeFileName(extensions_.Of(signature));
            out.size = StrToInt(form_.FileGrid.Cell(kFileSizeCol, j));
            out.file.emplace(FileOutput::Create(path, Durability::Replaceable));
            form_.SaveDialogPath = path;
            paths_[static_cast<std::size_t>(j)] = path;
        }
        ++out.blocks;
        const std::int64_t count = BytesOfBlock(out.size, data, out.blocks);
        if (count > 0) {
            NamingFile(out.file->Target(), [&] { out.Gather(data * (out.blocks - 1), content.first(static_cast<std::size_t>(count))); });
            out.length = std::max(out.length, data * (out.blocks - 1) + count);
        }
        // A row has all it will ever write once its blocks cover its size; an empty file has
        // everything with its first block.
        if (out.blocks * data >= out.size || data <= 0) Finish(out);
    }

    // Puts every file begun and not yet in place there, in row order.
    void FinishAll() {
        for (Output& out : rows_) {
            if (out.file && !out.done) Finish(out);
        }
    }

    // How many files are in place, their bytes, and the file begun for each row ("" for none).
    UnpackSummary Summary() const {
        UnpackSummary summary;
        summary.paths = paths_;
        for (const Output& out : rows_) {
            if (!out.file) continue;
            ++summary.files;
            summary.bytes += out.length;
        }
        return summary;
    }

private:
    struct Output {
        std::optional<FileOutput> file;
        std::int64_t size = 0;
        std::int64_t blocks = 0;
        std::int64_t length = 0;  // the file's length as written so far
        bool done = false;
        std::vector<std::uint8_t> pending;  // the gathered run, written at pendingAt
        std::int64_t pendingAt = 0;

        void Gather(std::int64_t position, std::span<const std::uint8_t> bytes) {
            if (!pending.empty() && (position != pendingAt + static_cast<std::int64_t>(pending.size()) ||
                                     pending.size() >= kMaxPending)) {
                Flush();
            }
            if (pending.empty()) pendingAt = position;
            pending.insert(pending.end(), bytes.begin(), bytes.end());
        }
        void Flush() {
            if (pending.empty()) return;
            file->WriteAt(pendingAt, pending);
            pending.clear();
        }
    };
    // Gathering stops at this many bytes a row, so a hundred rows never hold much memory.
    static constexpr std::size_t kMaxPending = 1 << 20;

    void Finish(Output& out) {
        NamingFile(out.file->Target(), [&] {
            out.Flush();
            out.file->Commit();
        });
        out.done = true;
        out.pending = {};
    }

    Form& form_;
    DumpReader& dump_;
    FirmwareProfile& profile_;
    const Extensions& extensions_;
    std::string outputFolder_;
    std::vector<std::string> names_;  // by FileGrid row: the file name without extension
    std::optional<std::int64_t> data_;
    std::int64_t todata_ = 0;
    std::vector<std::uint8_t> scratch_;
    std::array<Output, layout::kEntriesPerList + 1> rows_{};
    std::vector<std::string> paths_ = std::vector<std::string>(layout::kEntriesPerList + 1);
};

// The file name of each row that receives a block: its name, made safe; where rows share a name,
// the second and later get " (2)", " (3)", … in row order, so that no two rows share a file.
std::vector<std::string> OutputNames(const TextGrid& files, const std::vector<bool>& receives) {
    std::vector<std::string> names(layout::kEntriesPerList + 1);
    std::set<std::string> taken;
    for (int j = 1; j <= layout::kEntriesPerList; ++j) {
        if (!receives[static_cast<std::size_t>(j)]) continue;
        const std::string base = SafeFileName(files.Cell(kFileNameCol, j));
        std::string name = base;
        for (int k = 2; taken.count(name); ++k) name = base + " (" + std::to_string(k) + ")";
        taken.insert(name);
        names[static_cast<std::size_t>(j)] = name;
    }
    return names;
}

}  // namespace

UnpackSummary UnpackFiles(Form& form, Host& host, const ProgramFolder& folder) {
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, messages::ToHost(host));
    DumpReader dump(form.OpenDumpPath);
    const Settings settings(folder);
    TextGrid& fatGrid = form.FatGrid;

    // Map pass: each slot's block offset in its sector; an empty slot is "0", an unknown
    // address "00000", and both send the owner read to the sector's start.
    const FatTable fat = ReadFatTable(dump, profile, AddressTables(settings));
    const int slots = fat.Slots();
    host.SetProgressMax(kSectors);
    for (int s = 0; s < kSectors; ++s) {
        fatGrid.SetCell(kFatStartCol, s + 1, std::to_string(layout::SectorStart(s)));
        if (fat.cutSector == s) std::rethrow_exception(fat.error);
        for (int n = 0; n < slots; ++n) {
            const FatSlot& slot = fat.At(n, s);
            fatGrid.SetCell(FatSlotCol(n), s + 1,
                            slot.Empty() ? "0" : slot.place ? BlockOffsetText(slot.Offset()) : std::string(layout::kUnknownOffset));
        }
        host.SetProgress(s + 1);
    }

    // Owner pass: the tag at the start of each block names the file it belongs to.
    const std::string addrIs = profile.AddrIs();
    std::optional<NameDecoder> kod;
    if (addrIs == "name") kod.emplace(settings);
    host.SetProgressMax(static_cast<int>(fat.SizeValue()));
    const OwnerTags tags = ReadOwnerTags(dump, fat, addrIs, kod ? &*kod : nullptr);
    for (int n = 0; n < slots; ++n) {
        for (int s = 0; s < kSectors; ++s) {
            if (tags.cut && tags.cut->slot == n && tags.cut->sector == s) {
                // What the dump held of the tag stays in its cell; the byte past the end fails.
                fatGrid.SetCell(FatOwnerCol(n), s + 1, tags.cut->partial);
                std::rethrow_exception(tags.cut->error);
            }
            fatGrid.SetCell(FatOwnerCol(n), s + 1, tags.owners[FatTable::Index(n, s)]);
        }
        host.SetProgress(FatSlotCol(n));
    }

    // Which FileGrid rows each owner selects, settled once per block.
    RowIndex index(2 * layout::kEntriesPerList);
    for (int j = 1; j <= layout::kEntriesPerList; ++j) {
        index.Add(j, form.FileGrid.Cell(kFileNameCol, j), form.FileGrid.Cell(kFileAddressCol, j));
    }
    std::vector<std::span<const int>> owners(tags.owners.size());
    for (std::size_t k = 0; k < owners.size(); ++k) owners[k] = index.Find(tags.owners[k]);

    // Write pass: blocks in FAT order, slot number first and sector second. A failure leaves
    // the files already in place; the others keep their old content, if any.
    std::vector<bool> receives(layout::kEntriesPerList + 1, false);
    for (const std::span<const int> rows : owners) {
        for (const int j : rows) receives[static_cast<std::size_t>(j)] = true;
    }
    const Extensions extensions(settings);
    Writer writer(form, dump, profile, extensions, OutputFolder(form.TempFolderEdit, folder),
                  OutputNames(form.FileGrid, receives));
    for (int n = 0; n < slots; ++n) {
        for (int s = 0; s < kSectors; ++s) {
            for (const int j : owners[FatTable::Index(n, s)]) writer.Write(layout::SectorStart(s) + fat.At(n, s).Offset(), j);
        }
        host.SetProgress(FatSlotCol(n));
    }
    writer.FinishAll();
    return writer.Summary();
}

}  // namespace vesk

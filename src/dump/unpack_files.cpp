// "Распаковка": gathers the blocks of every file in FileGrid through the FAT areas of all
// sectors and writes them into the unpack folder. Three passes: map (FAT slots -> block
// offsets), owners (each block's owner tag) and write, with FatGrid as the work table.
#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/settings.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/firmware_profile.h"
#include "dump/layout.h"
#include "dump/list_address.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"
#include "hextext/hextext.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

constexpr int kSectors = layout::kSectorCount;
using Rows = std::vector<int>;

// A decoded name may hold anything the dump or [KOD] put there; path separators and control
// characters become "_" so that every output file stays inside the unpack folder.
std::string SafeFileName(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
    }
    return name;
}

// Which rows a block's owner text selects, in row order: a row matches by its name or by its
// address, so a block may go to several rows.
std::unordered_map<std::string, Rows> OwnerIndex(const TextGrid& files) {
    std::unordered_map<std::string, Rows> index;
    for (int j = 1; j <= layout::kEntriesPerList; ++j) {
        const std::string& name = files.Cell(kFileNameCol, j);
        const std::string& address = files.Cell(kFileAddressCol, j);
        if (!name.empty()) index[name].push_back(j);
        if (!address.empty() && address != name) index[address].push_back(j);
    }
    return index;
}

// Bytes of block b (counted from 1) of a file of the listed size, each block holding `data`.
std::int64_t BytesOfBlock(std::int64_t size, std::int64_t data, std::int64_t b) {
    if (b == 1) return std::max<std::int64_t>(0, std::min(size, data));
    if (size < data) return 0;
    if (size >= b * data) return data;
    return std::max<std::int64_t>(0, size - (b - 1) * data);
}

// Writes blocks into the output files. Each file's bytes are gathered while its blocks follow
// one another and go to disk in one write when another file begins, when a block does not
// continue the gathered run, or at the end: a file costs one write, not one per block. The
// file itself is created (emptied) at its first block, as the blocks arrive.
class Writer {
public:
    Writer(Form& form, DumpReader& dump, FirmwareProfile& profile, const Extensions& extensions)
        : form_(form), dump_(dump), profile_(profile), extensions_(extensions) {}

    // One block at the absolute block position, for row j of FileGrid.
    void Write(std::int64_t block, int j) {
        if (!data_) {
            todata_ = profile_.Value(ProfileKey::ToData);
            data_ = profile_.Value(ProfileKey::Data);
        }
        const std::int64_t data = *data_;
        const std::int64_t contentAt = block + todata_;
        const std::span<const std::uint8_t> content = dump_.View(contentAt, data, true, scratch_);

        // A block may go to many rows and a row get many blocks (an erased list over erased FAT
        // slots gives a million pairs), so each row's path and size are worked out once.
        Row& row = rows_[static_cast<std::size_t>(j)];
        if (!row.file) {
            std::string path = form_.TempFolderEdit + SafeFileName(form_.FileGrid.Cell(kFileNameCol, j));
            row.file = &*files_.try_emplace(std::move(path)).first;
        }
        const auto it = row.file;
        Output& out = it->second;
        const bool first = out.fullPath.empty();
        if (first) {
            // Only a file's first block chooses its extension and empties the file.
            std::array<std::uint8_t, 3> signature{};
            dump_.ReadErased(contentAt, signature);
            out.fullPath = it->first + SafeFileName(extensions_.Of(signature));
            Switch(&it->first, ByteFile::Mode::Create);
            form_.SaveDialogPath = out.fullPath;
        } else if (current_ != &it->first) {
            // Blocks of another file came in between: go on where this file stopped.
            Switch(&it->first, ByteFile::Mode::ReadWrite);
        }
        ++out.blocks;
        if (!row.size) row.size = StrToInt(form_.FileGrid.Cell(kFileSizeCol, j));
        const std::int64_t count = BytesOfBlock(*row.size, data, out.blocks);
        if (count > 0) Gather(data * (out.blocks - 1), content.first(static_cast<std::size_t>(count)));
    }

    // Writes what is gathered and closes the current file.
    void Finish() {
        Flush();
        if (file_) file_->Close();
        file_.reset();
    }

    // After a failure: what was gathered still reaches its file, as it would have block by
    // block; a second failure on the way is not the one to report.
    void FinishQuietly() noexcept {
        try {
            Finish();
        } catch (...) {
        }
    }

private:
    struct Output {
        std::string fullPath;  // with the extension; empty until the file's first block
        std::int64_t blocks = 0;
    };
    struct Row {
        std::pair<const std::string, Output>* file = nullptr;
        std::optional<std::int64_t> size;
    };

    void Gather(std::int64_t position, std::span<const std::uint8_t> bytes) {
        if (pending_.empty() || position != pendingAt_ + static_cast<std::int64_t>(pending_.size())) {
            Flush();
            pendingAt_ = position;
        }
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    }

    void Flush() {
        if (pending_.empty()) return;
        // Cleared first, so that a failed write is not tried again by FinishQuietly.
        std::vector<std::uint8_t> bytes;
        bytes.swap(pending_);
        file_->WriteAt(pendingAt_, bytes);
        bytes.clear();
        pending_.swap(bytes);  // keep the capacity for the next file
    }

    void Switch(const std::string* key, ByteFile::Mode mode) {
        Finish();
        current_ = key;
        file_.emplace(ByteFile::Open(files_.at(*key).fullPath, mode));
    }

    Form& form_;
    DumpReader& dump_;
    FirmwareProfile& profile_;
    const Extensions& extensions_;
    std::optional<std::int64_t> data_;
    std::int64_t todata_ = 0;
    std::vector<std::uint8_t> scratch_;
    std::map<std::string, Output> files_;  // by output path without extension
    std::array<Row, layout::kEntriesPerList + 1> rows_{};  // by FileGrid row
    const std::string* current_ = nullptr;
    std::optional<ByteFile> file_;
    std::vector<std::uint8_t> pending_;
    std::int64_t pendingAt_ = 0;
};

}  // namespace

void UnpackFiles(Form& form, Host& host, const ProgramFolder& folder) {
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
    const auto index = OwnerIndex(form.FileGrid);
    std::vector<const Rows*> owners(tags.owners.size(), nullptr);
    for (std::size_t k = 0; k < owners.size(); ++k) {
        if (tags.owners[k].empty()) continue;
        const auto match = index.find(tags.owners[k]);
        if (match != index.end()) owners[k] = &match->second;
    }

    // Write pass: blocks in FAT order, slot number first and sector second.
    const Extensions extensions(settings);
    Writer writer(form, dump, profile, extensions);
    try {
        for (int n = 0; n < slots; ++n) {
            for (int s = 0; s < kSectors; ++s) {
                const Rows* rows = owners[FatTable::Index(n, s)];
                if (!rows) continue;
                for (const int j : *rows) writer.Write(layout::SectorStart(s) + fat.At(n, s).Offset(), j);
            }
            host.SetProgress(FatSlotCol(n));
        }
        writer.Finish();
    } catch (...) {
        writer.FinishQuietly();
        throw;
    }
}

}  // namespace vesk

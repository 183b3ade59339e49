#include "dump/unpack.h"

#include <algorithm>
#include <numeric>

#include "base/error.h"
#include "dump/file_contents.h"
#include "dump/file_names.h"
#include "dump/list_address.h"
#include "dump/name_decoding.h"
#include "platform/file_output.h"

namespace vesk {

namespace {

// A file's pieces (its blocks, views into the dump) written through one buffer: flattening a
// file first makes a buffer of its size, up to megabytes, for every file, and writing each block
// on its own costs a call per block.
void WritePieces(const std::string& path, const FileBytes& bytes, std::span<std::uint8_t> buffer) {
    FileOutput out = FileOutput::Create(path, Durability::Replaceable);
    std::size_t used = 0;
    for (std::span<const std::uint8_t> piece : bytes.Pieces()) {
        while (!piece.empty()) {
            const std::size_t n = std::min(piece.size(), buffer.size() - used);
            std::copy_n(piece.begin(), n, buffer.begin() + static_cast<std::ptrdiff_t>(used));
            used += n;
            piece = piece.subspan(n);
            if (used == buffer.size()) {
                out.Write(buffer);
                used = 0;
            }
        }
    }
    out.Write(buffer.first(used));
    out.Commit();
}

}  // namespace

std::int64_t Unpacked::Bytes() const {
    std::int64_t bytes = 0;
    for (const UnpackedFile& f : files) bytes += f.size;
    return bytes;
}

UnpackProgress BarProgress(Host& host) {
    return [&host](int done, int total) {
        if (total == 0) return;
        if (done == 0) {
            // From an empty bar: the old position would show the new maximum full at once.
            host.SetProgress(0);
            host.SetProgressMax(total);
        }
        host.SetProgress(done);
    };
}

std::vector<std::int64_t> PlannedFileSizes(DumpReader& dump, FirmwareProfile& profile, const FatTable& fat,
                                           const TagReader& tags, const std::vector<ListEntry>& entries) {
    std::vector<std::int64_t> sizes;
    for (const FileContent& content : ReadFileContents(dump, profile, fat, tags, entries)) {
        if (content.written) sizes.push_back(content.bytes.Size());
    }
    return sizes;
}

Unpacked WriteEntryFiles(DumpReader& dump, FirmwareProfile& profile, const Settings& settings, const FatTable& fat,
                         const TagReader& tags, const std::vector<ListEntry>& entries, const std::string& folder,
                         const UnpackProgress& progress) {
    const std::vector<FileContent> contents = ReadFileContents(dump, profile, fat, tags, entries);
    std::vector<bool> written(contents.size());
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        written[i] = contents[i].written;
        if (written[i]) order.push_back(i);
    }
    // Files begin where the walk reaches their first block, as the unpacker always began them:
    // the save dialog ends on the last one begun.
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return contents[a].firstStep < contents[b].firstStep; });
    std::vector<std::int64_t> sizes;
    for (const std::size_t i : order) sizes.push_back(contents[i].bytes.Size());
    CheckRoomFor(folder, sizes);
    const std::vector<std::string> names = OutputNames(entries, written);
    const Extensions extensions(settings);

    Unpacked unpacked;
    const int total = static_cast<int>(order.size());
    if (progress) progress(0, total);
    std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
    for (const std::size_t i : order) {
        const FileContent& content = contents[i];
        const std::string path = folder + OutputFileName(names[i], extensions.Of(content.signature));
        WritePieces(path, content.bytes, buffer);
        unpacked.files.push_back({i, path, content.bytes.Size(), content.blocks});
        if (progress) progress(static_cast<int>(unpacked.files.size()), total);
    }
    return unpacked;
}

Unpacked Unpack(DumpReader& dump, FirmwareProfile& profile, const Settings& settings, const std::vector<ListEntry>& entries,
                const std::string& folder, const UnpackProgress& progress) {
    const FatTable fat = ReadFatTable(dump, profile, AddressTables(settings));
    if (fat.error) std::rethrow_exception(fat.error);
    return WriteEntryFiles(dump, profile, settings, fat, TagReader(profile.Tags(), settings), entries, folder, progress);
}

}  // namespace vesk

#pragma once
// A dump opened for one command. The 48 sectors the readers look at are held in memory, loaded
// either at once into one buffer (the unpacker, the map and the check touch most of them) or page
// by page as they are first read, each page a small buffer of its own (the scan and the list
// reader need a few hundred bytes of the 3 MiB, and a fresh buffer of 3 MiB is mapped and faulted
// in page by page). Anything past the 48 sectors is read from the file when asked for, so even a
// huge file costs no more memory than a dump. Every read is checked against the file in 64-bit
// arithmetic.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_file.h"

namespace vesk {

class DumpReader {
public:
    enum class Loading { Whole, OnDemand };

    // Opens for reading only; "File not found" and the like travel as vesk::Error.
    explicit DumpReader(const std::string& path, Loading loading = Loading::Whole);
    // A dump image held in memory (a build read back before it is written), read where it lies:
    // it must outlive the reader. `name` stands for the file in error texts.
    DumpReader(std::span<const std::uint8_t> image, std::string name);

    std::int64_t Size() const { return size_; }

    // Exactly data.size() bytes at position: a negative position raises "I/O error 131", bytes
    // past the end "Read beyond end of file" (docs/COMPATIBILITY.md, Errors).
    void Read(std::int64_t position, std::span<std::uint8_t> data);
    std::uint8_t ByteAt(std::int64_t position) {
        return Whole(position, 1) ? data_[position] : ByteAtSlowly(position);
    }

    // As Read, except that bytes past the end of a dump shorter than 48 sectors read as erased
    // flash (0xFF). Bytes that lie past the file and past the 48 sectors are still an error:
    // only a profile value pointing outside any dump gets there.
    void ReadErased(std::int64_t position, std::span<std::uint8_t> data);

    // The count bytes at position as a view, without copying when they are loaded at once or lie
    // in one page; otherwise they are read (with ReadErased's rule when erased is set) into
    // scratch.
    std::span<const std::uint8_t> View(std::int64_t position, std::int64_t count, bool erased,
                                       std::vector<std::uint8_t>& scratch) {
        // The walks view every place of a dump: the common case stays in the caller.
        if (Whole(position, count)) return {data_ + position, static_cast<std::size_t>(count)};
        return ViewSlowly(position, count, erased, scratch);
    }

    // A hint that the bytes at position will be read soon: where they are held, the processor
    // starts fetching them. Walks that jump 4 KiB at a time through a dump just read would
    // otherwise wait on each jump in turn.
    void Prefetch(std::int64_t position) const {
        if (position >= 0 && position < loaded_ && pages_.empty()) __builtin_prefetch(data_ + position);
    }

    // How many of the count bytes at position exist in the file (0 for a negative position).
    std::int64_t Available(std::int64_t position, std::int64_t count) const {
        if (position < 0 || count <= 0 || position >= size_) return 0;
        return std::min(count, size_ - position);
    }

private:
    // Bytes all held and read: a dump loaded whole, inside its 48 sectors.
    bool Whole(std::int64_t position, std::int64_t count) const {
        return pages_.empty() && position >= 0 && count >= 0 && count <= loaded_ - position;
    }
    std::uint8_t ByteAtSlowly(std::int64_t position);
    std::span<const std::uint8_t> ViewSlowly(std::int64_t position, std::int64_t count, bool erased,
                                             std::vector<std::uint8_t>& scratch);
    // Throws when the range cannot be read at all under the chosen rule.
    void Check(std::int64_t position, std::int64_t count, bool erased) const;
    void Copy(std::int64_t position, std::span<std::uint8_t> data);
    // Loading on demand: the page's bytes, read from the file when first asked for.
    const std::uint8_t* Page(std::int64_t page);

    const std::string& Name() const { return file_ ? file_->Path() : name_; }

    std::optional<ByteFile> file_;  // none for an image in memory
    std::string name_;
    std::int64_t size_ = 0;
    std::int64_t loaded_ = 0;
    std::unique_ptr<std::uint8_t[]> bytes_;  // the file's bytes, loaded at once
    const std::uint8_t* data_ = nullptr;     // the held bytes: bytes_, or the image in memory
    // Loading on demand, each page of the held bytes (null until read); empty when all are held
    // in data_.
    std::vector<std::unique_ptr<std::uint8_t[]>> pages_;
};

}  // namespace vesk

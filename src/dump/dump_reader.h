#pragma once
// A dump opened for one command. The 48 sectors the readers look at are held in memory, loaded
// either at once (the unpacker touches most of them) or page by page as they are first read
// (the scan and the list reader need a few hundred bytes of the 3 MiB). They are held in pieces
// of their own, a sector each when loaded at once, a page each on demand, so that a reader never
// makes one 3 MiB buffer: the page-by-page readers hold only what they read, and a buffer that
// size costs page faults at every opening (with AddressSanitizer, a fresh mapping each time).
// Anything past the 48 sectors is read from the file when asked for, so even a huge file costs
// no more memory than a dump. Every read is checked against the file in 64-bit arithmetic.
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
    std::uint8_t ByteAt(std::int64_t position);

    // As Read, except that bytes past the end of a dump shorter than 48 sectors read as erased
    // flash (0xFF). Bytes that lie past the file and past the 48 sectors are still an error:
    // only a profile value pointing outside any dump gets there.
    void ReadErased(std::int64_t position, std::span<std::uint8_t> data);

    // The count bytes at position as a view, without copying where they lie in one held piece
    // (a sector's bytes always do when the reader loaded them at once, and an image's always);
    // otherwise they are read (with ReadErased's rule when erased is set) into scratch.
    std::span<const std::uint8_t> View(std::int64_t position, std::int64_t count, bool erased,
                                       std::vector<std::uint8_t>& scratch);

    // How many of the count bytes at position exist in the file (0 for a negative position).
    std::int64_t Available(std::int64_t position, std::int64_t count) const;

private:
    // Throws when the range cannot be read at all under the chosen rule.
    void Check(std::int64_t position, std::int64_t count, bool erased) const;
    void Copy(std::int64_t position, std::span<std::uint8_t> data);
    // The held piece that holds position (below loaded_), read from the file when it is not yet.
    const std::uint8_t* Piece(std::int64_t position);
    // Whether [position, position + count) is not empty and lies in one held piece.
    bool InOnePiece(std::int64_t position, std::int64_t count) const;

    const std::string& Name() const { return file_ ? file_->Path() : name_; }

    std::optional<ByteFile> file_;  // none for an image in memory
    std::string name_;
    std::int64_t size_ = 0;
    std::int64_t loaded_ = 0;        // the held bytes: the first min(size, 48 sectors)
    std::int64_t pieceSize_ = 0;     // bytes per held piece (an image is one piece)
    std::vector<const std::uint8_t*> pieces_;                 // each piece's bytes; null until read
    std::vector<std::unique_ptr<std::uint8_t[]>> ownPieces_;  // what was read of the file
};

}  // namespace vesk

#pragma once
// The reading road's dump in its input: only what differs from erased flash (0xFF), in pieces
// placed where the readers look. A piece is a sector's header, a run of FAT slots, the content of
// a block place, or raw bytes at an offset; a mutation of a piece's place moves the whole header,
// slot run or block, and a 3 MiB dump with a few files in it is a few kilobytes of input.
//
// Layout (after the texts of fuzz_support.h): the dump's length (a number, modulo one more than
// the largest length), then pieces to the end of the input, each a kind byte and a sector byte:
//   kind % 4 == 0  a header: text, from the sector's start
//   kind % 4 == 1  FAT slots: the first slot (2 bytes, modulo 409), text from that slot on
//   kind % 4 == 2  a block: its place (a byte, modulo 15), the offset in it (2 bytes, modulo
//                  4096), text from there
//   kind % 4 == 3  raw bytes: the offset in the dump (a number), text; the sector byte is unused
// The sector is taken modulo 49: sector 48 is the part past the 48 sectors the readers examine.
// Bytes past the dump's length are dropped.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"

namespace vesk::fuzz {

// A dump as pieces; reading them back gives the same bytes.
void WriteDump(InputWriter& out, std::span<const std::uint8_t> dump);

// The dump an input describes, laid over one erased image kept for the whole process, and a
// file that holds it: an input costs what its pieces and the previous input's pieces touch,
// not a fresh 3 MiB (which, with the sanitizers, costs more than the whole reading road).
class ErasedDump {
public:
    explicit ErasedDump(std::size_t maxLength);

    // Puts back 0xFF where the previous input's pieces lay, then lays this input's.
    void Read(InputReader& in);
    std::span<const std::uint8_t> Bytes() const { return {image_.data(), length_}; }

    // Brings the file at `path` (the same one every time) to Bytes(), writing only the bytes
    // that changed since the previous call.
    void WriteTo(const std::string& path);

private:
    void Lay(std::size_t at, const std::string& bytes);

    std::vector<std::uint8_t> image_;
    std::size_t length_ = 0;
    std::vector<std::pair<std::size_t, std::size_t>> laid_;   // [begin, end) of this input's pieces
    std::vector<std::pair<std::size_t, std::size_t>> dirty_;  // what the file does not hold yet
    std::size_t fileLength_ = 0;
    bool fileMade_ = false;
};

}  // namespace vesk::fuzz

#include "dump/dump_reader.h"

#include <algorithm>
#include <cstring>

#include "dump/layout.h"
#include "hextext/error.h"

namespace vesk {

DumpReader::DumpReader(const std::string& path)
    : file_(ByteFile::Open(path, ByteFile::Mode::Read)), size_(file_.Size()) {
    loaded_ = std::min(size_, layout::kDumpSize);
    bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(loaded_));
    file_.ReadAt(0, std::span<std::uint8_t>(bytes_.get(), static_cast<std::size_t>(loaded_)));
}

void DumpReader::Check(std::int64_t position, std::int64_t count, bool erased) const {
    if (position < 0) ThrowIoError(131);
    const std::int64_t limit = erased ? std::max(size_, layout::kDumpSize) : size_;
    // Both operands stem from 32-bit values, so the sum cannot overflow 64 bits.
    if (count < 0 || position + count > limit) ThrowError(kReadBeyondEnd);
}

void DumpReader::Copy(std::int64_t position, std::span<std::uint8_t> data) {
    std::size_t done = 0;
    if (position < loaded_) {
        done = static_cast<std::size_t>(std::min<std::int64_t>(loaded_ - position, static_cast<std::int64_t>(data.size())));
        std::memcpy(data.data(), bytes_.get() + position, done);
    }
    const std::int64_t next = position + static_cast<std::int64_t>(done);
    if (done < data.size() && next < size_) {
        const auto inFile = static_cast<std::size_t>(std::min<std::int64_t>(size_ - next, static_cast<std::int64_t>(data.size() - done)));
        file_.ReadAt(next, data.subspan(done, inFile));
        done += inFile;
    }
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(done), data.end(), std::uint8_t{0xFF});
}

void DumpReader::Read(std::int64_t position, std::span<std::uint8_t> data) {
    Check(position, static_cast<std::int64_t>(data.size()), false);
    Copy(position, data);
}

std::uint8_t DumpReader::ByteAt(std::int64_t position) {
    if (position >= 0 && position < loaded_) return bytes_[static_cast<std::size_t>(position)];
    std::uint8_t byte = 0;
    Read(position, std::span<std::uint8_t>(&byte, 1));
    return byte;
}

void DumpReader::ReadErased(std::int64_t position, std::span<std::uint8_t> data) {
    Check(position, static_cast<std::int64_t>(data.size()), true);
    Copy(position, data);
}

std::span<const std::uint8_t> DumpReader::View(std::int64_t position, std::int64_t count, bool erased,
                                               std::vector<std::uint8_t>& scratch) {
    if (position >= 0 && count >= 0 && position + count <= loaded_) {
        return {bytes_.get() + position, static_cast<std::size_t>(count)};
    }
    Check(position, count, erased);
    scratch.resize(static_cast<std::size_t>(count));
    Copy(position, scratch);
    return scratch;
}

std::int64_t DumpReader::Available(std::int64_t position, std::int64_t count) const {
    if (position < 0 || count <= 0 || position >= size_) return 0;
    return std::min(count, size_ - position);
}

}  // namespace vesk

#include "dump/dump_reader.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "dump/layout.h"

namespace vesk {

namespace {
constexpr std::int64_t kPage = 4096;
}

DumpReader::DumpReader(const std::string& path, Loading loading)
    : file_(ByteFile::Open(path)), size_(file_->SizeAtOpen()) {
    loaded_ = std::min(size_, layout::kDumpSize);
    pieceSize_ = loading == Loading::Whole ? layout::kSectorSize : kPage;
    const auto count = static_cast<std::size_t>((loaded_ + pieceSize_ - 1) / pieceSize_);
    pieces_.assign(count, nullptr);
    ownPieces_.resize(count);
    if (loading == Loading::Whole) {
        for (std::int64_t at = 0; at < loaded_; at += pieceSize_) Piece(at);
    }
}

DumpReader::DumpReader(std::span<const std::uint8_t> image, std::string name)
    : name_(std::move(name)), size_(static_cast<std::int64_t>(image.size())), loaded_(size_),
      pieceSize_(std::max<std::int64_t>(size_, 1)), pieces_{image.data()} {}

const std::uint8_t* DumpReader::Piece(std::int64_t position) {
    const auto k = static_cast<std::size_t>(position / pieceSize_);
    if (!pieces_[k]) {
        const std::int64_t from = static_cast<std::int64_t>(k) * pieceSize_;
        const auto n = static_cast<std::size_t>(std::min(pieceSize_, loaded_ - from));
        ownPieces_[k] = std::make_unique_for_overwrite<std::uint8_t[]>(n);
        file_->ReadAt(from, std::span<std::uint8_t>(ownPieces_[k].get(), n));
        pieces_[k] = ownPieces_[k].get();
    }
    return pieces_[k] + position % pieceSize_;
}

bool DumpReader::InOnePiece(std::int64_t position, std::int64_t count) const {
    if (position < 0 || count <= 0 || position + count > loaded_) return false;
    return position / pieceSize_ == (position + count - 1) / pieceSize_;
}

void DumpReader::Check(std::int64_t position, std::int64_t count, bool erased) const {
    if (position < 0) ThrowIoError(131, Name());
    const std::int64_t limit = erased ? std::max(size_, layout::kDumpSize) : size_;
    // Both operands stem from 32-bit values, so the sum cannot overflow 64 bits.
    if (count < 0 || position + count > limit) ThrowError(kReadBeyondEnd, Name());
}

void DumpReader::Copy(std::int64_t position, std::span<std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size() && position + static_cast<std::int64_t>(done) < loaded_) {
        const std::int64_t at = position + static_cast<std::int64_t>(done);
        const auto n = static_cast<std::size_t>(std::min({pieceSize_ - at % pieceSize_, loaded_ - at,
                                                           static_cast<std::int64_t>(data.size() - done)}));
        std::memcpy(data.data() + done, Piece(at), n);
        done += n;
    }
    const std::int64_t next = position + static_cast<std::int64_t>(done);
    if (done < data.size() && next < size_) {
        const auto inFile = static_cast<std::size_t>(std::min<std::int64_t>(size_ - next, static_cast<std::int64_t>(data.size() - done)));
        file_->ReadAt(next, data.subspan(done, inFile));
        done += inFile;
    }
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(done), data.end(), std::uint8_t{0xFF});
}

void DumpReader::Read(std::int64_t position, std::span<std::uint8_t> data) {
    Check(position, static_cast<std::int64_t>(data.size()), false);
    Copy(position, data);
}

std::uint8_t DumpReader::ByteAt(std::int64_t position) {
    if (InOnePiece(position, 1)) return *Piece(position);
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
    // Inside the held bytes, so within the file under either rule.
    if (InOnePiece(position, count)) return {Piece(position), static_cast<std::size_t>(count)};
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

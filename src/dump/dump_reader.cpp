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
    if (loading == Loading::Whole) {
        bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(loaded_));
        data_ = bytes_.get();
        file_->ReadAt(0, std::span<std::uint8_t>(bytes_.get(), static_cast<std::size_t>(loaded_)));
    } else {
        pages_.resize(static_cast<std::size_t>((loaded_ + kPage - 1) / kPage));
    }
}

DumpReader::DumpReader(std::span<const std::uint8_t> image, std::string name)
    : name_(std::move(name)), size_(static_cast<std::int64_t>(image.size())), loaded_(size_), data_(image.data()) {}

const std::uint8_t* DumpReader::Page(std::int64_t page) {
    std::unique_ptr<std::uint8_t[]>& bytes = pages_[static_cast<std::size_t>(page)];
    if (!bytes) {
        const std::int64_t from = page * kPage;
        const auto count = static_cast<std::size_t>(std::min(kPage, loaded_ - from));
        auto read = std::make_unique_for_overwrite<std::uint8_t[]>(count);
        file_->ReadAt(from, std::span<std::uint8_t>(read.get(), count));
        bytes = std::move(read);
    }
    return bytes.get();
}

void DumpReader::Check(std::int64_t position, std::int64_t count, bool erased) const {
    if (position < 0) ThrowIoError(131, Name());
    const std::int64_t limit = erased ? std::max(size_, layout::kDumpSize) : size_;
    // Both operands stem from 32-bit values, so the sum cannot overflow 64 bits.
    if (count < 0 || position + count > limit) ThrowError(kReadBeyondEnd, Name());
}

void DumpReader::Copy(std::int64_t position, std::span<std::uint8_t> data) {
    std::size_t done = 0;
    if (position < loaded_) {
        done = static_cast<std::size_t>(std::min<std::int64_t>(loaded_ - position, static_cast<std::int64_t>(data.size())));
        if (pages_.empty()) {
            std::memcpy(data.data(), data_ + position, done);
        } else {
            for (std::size_t copied = 0; copied < done;) {
                const std::int64_t at = position + static_cast<std::int64_t>(copied);
                const auto offset = static_cast<std::size_t>(at % kPage);
                const std::size_t n = std::min(done - copied, static_cast<std::size_t>(kPage) - offset);
                std::memcpy(data.data() + copied, Page(at / kPage) + offset, n);
                copied += n;
            }
        }
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

std::uint8_t DumpReader::ByteAtSlowly(std::int64_t position) {
    if (!pages_.empty() && position >= 0 && position < loaded_) return Page(position / kPage)[position % kPage];
    std::uint8_t byte = 0;
    Read(position, std::span<std::uint8_t>(&byte, 1));
    return byte;
}

void DumpReader::ReadErased(std::int64_t position, std::span<std::uint8_t> data) {
    Check(position, static_cast<std::int64_t>(data.size()), true);
    Copy(position, data);
}

std::span<const std::uint8_t> DumpReader::ViewSlowly(std::int64_t position, std::int64_t count, bool erased,
                                                     std::vector<std::uint8_t>& scratch) {
    const bool inOnePage = position >= 0 && count > 0 && count <= loaded_ - position &&
                           position / kPage == (position + count - 1) / kPage;
    if (!pages_.empty() && inOnePage) {
        return {Page(position / kPage) + position % kPage, static_cast<std::size_t>(count)};
    }
    Check(position, count, erased);
    scratch.resize(static_cast<std::size_t>(count));
    Copy(position, scratch);
    return scratch;
}

}  // namespace vesk

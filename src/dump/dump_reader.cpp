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
    bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(loaded_));
    data_ = bytes_.get();
    if (loading == Loading::Whole) {
        file_->ReadAt(0, std::span<std::uint8_t>(bytes_.get(), static_cast<std::size_t>(loaded_)));
    } else {
        pages_.assign(static_cast<std::size_t>((loaded_ + kPage - 1) / kPage), false);
    }
}

DumpReader::DumpReader(std::span<const std::uint8_t> image, std::string name)
    : name_(std::move(name)), size_(static_cast<std::int64_t>(image.size())), loaded_(size_), data_(image.data()) {}

bool DumpReader::Present(std::int64_t position, std::int64_t count) const {
    if (position < 0 || count < 0 || position + count > loaded_) return false;
    if (pages_.empty() || count == 0) return true;
    for (std::int64_t page = position / kPage; page <= (position + count - 1) / kPage; ++page) {
        if (!pages_[static_cast<std::size_t>(page)]) return false;
    }
    return true;
}

void DumpReader::Load(std::int64_t position, std::int64_t end) {
    end = std::min(end, loaded_);
    if (pages_.empty() || position >= end) return;
    std::int64_t page = position / kPage;
    const std::int64_t last = (end - 1) / kPage;
    while (page <= last) {
        if (pages_[static_cast<std::size_t>(page)]) {
            ++page;
            continue;
        }
        std::int64_t stop = page;
        while (stop + 1 <= last && !pages_[static_cast<std::size_t>(stop + 1)]) ++stop;
        const std::int64_t from = page * kPage;
        const std::int64_t to = std::min((stop + 1) * kPage, loaded_);
        file_->ReadAt(from, std::span<std::uint8_t>(bytes_.get() + from, static_cast<std::size_t>(to - from)));
        for (std::int64_t p = page; p <= stop; ++p) pages_[static_cast<std::size_t>(p)] = true;
        page = stop + 1;
    }
}

void DumpReader::Check(std::int64_t position, std::int64_t count, bool erased) const {
    if (position < 0) ThrowIoError(131, Name());
    const std::int64_t limit = erased ? std::max(size_, layout::kDumpSize) : size_;
    // Both operands stem from 32-bit values, so the sum cannot overflow 64 bits.
    if (count < 0 || position + count > limit) ThrowError(kReadBeyondEnd, Name());
}

void DumpReader::Copy(std::int64_t position, std::span<std::uint8_t> data) {
    std::size_t done = 0;
    Load(position, position + static_cast<std::int64_t>(data.size()));
    if (position < loaded_) {
        done = static_cast<std::size_t>(std::min<std::int64_t>(loaded_ - position, static_cast<std::int64_t>(data.size())));
        std::memcpy(data.data(), data_ + position, done);
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
    if (Present(position, 1)) return data_[position];
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
    if (Present(position, count)) return {data_ + position, static_cast<std::size_t>(count)};
    Check(position, count, erased);
    if (position + count <= loaded_) {
        Load(position, position + count);
        return {data_ + position, static_cast<std::size_t>(count)};
    }
    scratch.resize(static_cast<std::size_t>(count));
    Copy(position, scratch);
    return scratch;
}

}  // namespace vesk

#include "dump_pieces.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "dump/layout.h"
#include "platform/system_calls.h"

namespace vesk::fuzz {
namespace {

// Where the shipped profiles put the FAT ([FAT] FAT); a piece of slots starts there whatever the
// input's profile says, which keeps the seeds' slots on the slots.
constexpr std::size_t kFatAt = 0x50C;
constexpr std::size_t kFatBytes = 2 * layout::kFatSlots;
constexpr std::size_t kSectorSize = layout::kSectorSize;
constexpr int kSectors = layout::kSectorCount + 1;  // and the part past them

enum Kind : std::uint8_t { kHeader, kSlots, kBlock, kRaw };

// The first and last bytes in [begin, end) that are not erased.
std::optional<std::pair<std::size_t, std::size_t>> Written(std::span<const std::uint8_t> dump, std::size_t begin,
                                                           std::size_t end) {
    end = std::min(end, dump.size());
    std::size_t first = begin;
    while (first < end && dump[first] == 0xFF) ++first;
    if (first >= end) return std::nullopt;
    std::size_t last = end - 1;
    while (dump[last] == 0xFF) --last;
    return std::pair(first, last);
}

}  // namespace

void WriteDump(InputWriter& out, std::span<const std::uint8_t> dump) {
    out.Number(static_cast<std::uint32_t>(dump.size()));
    std::vector<bool> placed(dump.size(), false);
    const auto piece = [&](std::size_t from, std::size_t last) {
        std::fill(placed.begin() + static_cast<std::ptrdiff_t>(from), placed.begin() + static_cast<std::ptrdiff_t>(last + 1), true);
        out.Text(dump.subspan(from, last + 1 - from));
    };
    for (int s = 0; s < layout::kSectorCount; ++s) {
        const std::size_t base = kSectorSize * static_cast<std::size_t>(s);
        const auto sector = static_cast<std::uint8_t>(s);
        if (const auto w = Written(dump, base, base + kFatAt)) {
            out.Number(kHeader, 1).Number(sector, 1);
            piece(base, w->second);
        }
        if (const auto w = Written(dump, base + kFatAt, base + kFatAt + kFatBytes)) {
            const std::size_t slot = (w->first - base - kFatAt) / 2;
            out.Number(kSlots, 1).Number(sector, 1).Number(static_cast<std::uint32_t>(slot), 2);
            piece(base + kFatAt + 2 * slot, w->second);
        }
        for (int p = 0; p < layout::kBlockPlaces; ++p) {
            const std::size_t start = base + static_cast<std::size_t>(layout::BlockPlaceOffset(p));
            if (const auto w = Written(dump, start, start + layout::kBlockPitch)) {
                out.Number(kBlock, 1).Number(sector, 1).Number(static_cast<std::uint32_t>(p), 1)
                    .Number(static_cast<std::uint32_t>(w->first - start), 2);
                piece(w->first, w->second);
            }
        }
    }
    // What lies between the places, and past the 48 sectors: runs of written bytes, where short
    // erased gaps stay inside a run, which keeps the runs few.
    constexpr std::size_t kGap = 16;
    std::size_t i = 0;
    while (i < dump.size()) {
        if (placed[i] || dump[i] == 0xFF) {
            ++i;
            continue;
        }
        std::size_t end = i + 1, erased = 0;
        for (std::size_t k = end; k < dump.size() && !placed[k] && erased < kGap; ++k) {
            erased = dump[k] == 0xFF ? erased + 1 : 0;
            if (dump[k] != 0xFF) end = k + 1;
        }
        out.Number(kRaw, 1).Number(0, 1).Number(static_cast<std::uint32_t>(i)).Text(dump.subspan(i, end - i));
        i = end;
    }
}

ErasedDump::ErasedDump(std::size_t maxLength) : image_(maxLength, 0xFF) {}

void ErasedDump::Lay(std::size_t at, const std::string& bytes) {
    if (at >= image_.size()) return;
    const std::size_t n = std::min(bytes.size(), image_.size() - at);
    std::copy_n(bytes.begin(), n, image_.begin() + static_cast<std::ptrdiff_t>(at));
    laid_.emplace_back(at, at + n);
    dirty_.emplace_back(at, at + n);
}

void ErasedDump::Read(InputReader& in) {
    for (const auto& [begin, end] : laid_) {
        std::fill(image_.begin() + static_cast<std::ptrdiff_t>(begin), image_.begin() + static_cast<std::ptrdiff_t>(end), 0xFF);
        dirty_.emplace_back(begin, end);
    }
    laid_.clear();
    length_ = in.Number() % (image_.size() + 1);
    while (!in.AtEnd()) {
        const std::uint32_t kind = in.Number(1) % 4;
        const std::size_t base = kSectorSize * (in.Number(1) % kSectors);
        std::size_t at = 0;
        if (kind == kHeader) {
            at = base;
        } else if (kind == kSlots) {
            at = base + kFatAt + 2 * (in.Number(2) % layout::kFatSlots);
        } else if (kind == kBlock) {
            const auto place = static_cast<int>(in.Number(1) % layout::kBlockPlaces);
            at = base + static_cast<std::size_t>(layout::BlockPlaceOffset(place)) + in.Number(2) % layout::kBlockPitch;
        } else {
            at = in.Number() % image_.size();
        }
        Lay(at, in.Text());
    }
}

namespace {

void WriteAt(int fd, std::span<const std::uint8_t> bytes, std::size_t at, const std::string& path) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = sys::Pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + done));
        if (n <= 0) Fail("cannot write " + path);
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

void ErasedDump::WriteTo(const std::string& path) {
    if (!fileMade_) {
        WriteFile(path, Bytes());
        fileMade_ = true;
    } else {
        const int fd = sys::Open(path, O_WRONLY | O_CLOEXEC);
        if (fd < 0) Fail("cannot open " + path);
        const std::span<const std::uint8_t> bytes = Bytes();
        // Grown: the new part whole (erased bytes too); shrunk: cut. The rest only where it changed.
        if (length_ > fileLength_) WriteAt(fd, bytes.subspan(fileLength_), fileLength_, path);
        const std::size_t kept = std::min(length_, fileLength_);
        for (const auto& [begin, end] : dirty_) {
            if (begin < kept) WriteAt(fd, bytes.subspan(begin, std::min(end, kept) - begin), begin, path);
        }
        if (length_ < fileLength_ && sys::Ftruncate(fd, static_cast<off_t>(length_)) != 0) Fail("cannot cut " + path);
        sys::Close(fd);
    }
    fileLength_ = length_;
    dirty_.clear();
}

}  // namespace vesk::fuzz

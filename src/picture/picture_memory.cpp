#include "picture/picture_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <utility>

namespace vesk {

void SizePicture(Picture& picture, int width, int height) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    picture.width = width;
    picture.height = height;
    picture.pixels.clear();
    picture.pixels.reserve(count);  // allocated, not yet touched

    // Hints only: where the kernel does not take them, the pages come one by one as before.
    constexpr std::uintptr_t kPage = 4096, kHugePage = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(picture.pixels.data());
    const std::uintptr_t end = begin + count * sizeof(std::uint32_t);
    const auto inner = [begin, end](std::uintptr_t unit) {  // the whole units inside the pixels
        return std::pair((begin + unit - 1) & ~(unit - 1), end & ~(unit - 1));
    };
#ifdef MADV_HUGEPAGE
    if (const auto [first, last] = inner(kHugePage); last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
#ifdef MADV_POPULATE_WRITE
    if (const auto [first, last] = inner(kPage); last >= first + 16 * kPage) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    }
#endif
    picture.pixels.resize(count);
}

}  // namespace vesk

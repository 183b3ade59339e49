#pragma once
// Where things stand in a VESK dump. Positions that differ between firmwares come from the
// firmware profile (firmware_profile.h); these are the ones that never do.
#include <array>
#include <cstdint>
#include <string_view>

#include "hextext/hextext.h"

namespace vesk::layout {

inline constexpr std::int64_t kSectorSize = 0x10000;
inline constexpr int kSectorCount = 48;  // sectors the readers examine
inline constexpr std::int64_t kDumpSize = kSectorSize * kSectorCount;
inline constexpr std::int64_t kFirstBlockPlace = 2114;  // 0x842, block place 0 of a sector
inline constexpr std::int64_t kBlockPitch = 4096;
inline constexpr int kBlockPlaces = 15;
inline constexpr std::int64_t kListStateOffset = 11;  // 0xFF: the current list
inline constexpr int kEntriesPerList = 100;
inline constexpr int kFatSlots = 409;  // with the default [FAT] SIZE
inline constexpr int kOwnerNameLength = 11;
inline constexpr std::uint32_t kSizeLimit = 3000000;  // larger sizes count as 0

// Content bytes of one data block with the default profile ([FAT] data), and a buffer of them.
inline constexpr std::size_t kBlockContent = 4090;
using Block = std::array<std::uint8_t, kBlockContent>;
static_assert(kBlockContent == kHexBlockBytes, "a [HEX] pattern fills at most one block");

inline constexpr std::string_view kEmptyAddress = "FFFF";
inline constexpr std::string_view kOwnerless = "5555";
inline constexpr std::string_view kUnknownOffset = "00000";

constexpr std::int64_t SectorStart(int sector) { return kSectorSize * sector; }
constexpr std::int64_t BlockPlaceOffset(int place) { return kFirstBlockPlace + kBlockPitch * place; }

}  // namespace vesk::layout

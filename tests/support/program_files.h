#pragma once
// What the building and command-line tests put into their program folder: one settings text
// with header bytes that can all be told apart, one firmware profile, and file contents that
// differ from file to file.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::test {

// [HEX] 01 = F0 F1 (formatted sector), 11 = E0 E1 (sector with data), 21+22+23 = A1 A2 B1 C1 C2,
// 31 = D1 D2 D3; [FAT] AddrIs as given; [FIX] 2E=2E; [KOD] 00 and FF to "?"; [Address] gives
// each block place its own slot value (SlotText). `extra` is appended as it stands.
std::string StandardSettings(const std::string& addrIs = "address", const std::string& extra = "");
// The [Address] value that StandardSettings stores for block place k: "4" or "C", "20", k div 2,
// which [FIX] 2E=2E reads back.
std::string SlotText(int place);
// Profile: List 2, name at 0 (11 bytes), size at 11, number at 14, group at 15, address at 16,
// records of 18 bytes, FAT at 0x50C; todata and data as given (by default a 2-byte tag and
// 4090 content bytes).
std::string StandardProfile(const std::string& toData = "0x00000002", const std::string& data = "0x00000FFA",
                            const std::string& extra = "");

// `size` bytes of a pseudo-random sequence chosen by `seed`.
std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed);

}  // namespace vesk::test

#include "support/program_files.h"

#include <sstream>

namespace vesk::test {

std::string SlotText(int place) { return std::string(place % 2 == 0 ? "4" : "C") + "20" + std::to_string(place / 2); }

std::string StandardSettings(const std::string& addrIs, const std::string& extra) {
    std::ostringstream out;
    out << "[HEX]\n01=F0F1\n11=E0E1\n21=A1A2\n22=B1\n23=C1C2\n31=D1D2D3\n"
        << "[FAT]\nAddrIs=" << addrIs << "\n"
        << "[FIX]\n2E=2E\n"
        << "[KOD]\n00=?\nFF=?\n"
        << "[Address]\n";
    for (int k = 0; k < 15; ++k) out << 2114 + 4096 * k << "=" << SlotText(k) << "\n";
    out << extra;
    return out.str();
}

std::string StandardProfile(const std::string& toData, const std::string& data, const std::string& extra) {
    return "[Offsets]\nList=0x00000002\nToName=0x00000000\nName=0x0000000B\nSize=0x0000000B\n"
           "FileNum=0x0000000E\ngroup=0x0000000F\naddress=0x00000010\nNameSize=0x00000012\n"
           "[FAT]\nFAT=0x0000050C\ntodata=" + toData + "\ndata=" + data + "\n" + extra;
}

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> out(size);
    std::uint32_t x = 0x9E3779B9u * (seed + 1);
    for (auto& b : out) {  // xorshift32
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

}  // namespace vesk::test

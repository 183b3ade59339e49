#pragma once
// Block addresses (XNNA text) and the two settings tables that judge them: [FIX] maps an
// address to its block place, [FIX1] rules values out as list addresses. A command reads both
// tables once, so an edit of vesk.ini counts from the next command on.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings.h"

namespace vesk {

class AddressTables {
public:
    explicit AddressTables(const Settings& settings);
    // For tests and tools that have the tables at hand; keys upper-case.
    AddressTables(std::map<std::string, std::string> fix, std::map<std::string, std::string> fix1);

    // [FIX] value under the pair NN, "20" when missing (an empty value stays empty).
    const std::string& MiddlePair(std::string_view pair) const;
    // [FIX1] value under the address, "FFFF" when missing.
    const std::string& Excluded(std::string_view address) const;

private:
    std::map<std::string, std::string, std::less<>> fix_;
    std::map<std::string, std::string, std::less<>> fix1_;
};

// Block place k (0 to 14) that the address names, or nullopt. Any text is accepted; one that
// has not the shape X + [FIX] value + A names no block.
std::optional<int> BlockPlaceOf(std::string_view address, const AddressTables& tables);
// The same as the five-digit BlockOffset text: "02114" to "59458", "00000" when unknown.
std::string ListAddressToBlock(std::string_view address, const AddressTables& tables);
// True ("1") when the value may name a list; false when [FIX1] lists it as XNNA=XNNA, or it is
// "FFFF" and [FIX1] has no line for "FFFF".
bool IsFixedListAddress(std::string_view address, const AddressTables& tables);

// Five digits with leading zeros, as BlockOffsets travel.
std::string BlockOffsetText(std::int64_t offset);

}  // namespace vesk

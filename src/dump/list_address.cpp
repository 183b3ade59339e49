#include "dump/list_address.h"

#include <algorithm>
#include <cstdio>

#include "dump/layout.h"

namespace vesk {
namespace {

using Table = std::map<std::string, std::string, std::less<>>;

Table Sorted(std::map<std::string, std::string> table) { return Table(table.begin(), table.end()); }

const std::string kDefaultPair = "20";

// Keys match without regard to case, as in any INI file; the tables hold them upper-case.
std::string UpperKey(std::string_view key) {
    std::string upper(key);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}
const std::string kDefaultExcluded = std::string(layout::kEmptyAddress);

}  // namespace

AddressTables::AddressTables(const Settings& settings)
    : fix_(Sorted(settings.Table("FIX"))), fix1_(Sorted(settings.Table("FIX1"))) {}

AddressTables::AddressTables(std::map<std::string, std::string> fix, std::map<std::string, std::string> fix1)
    : fix_(Sorted(std::move(fix))), fix1_(Sorted(std::move(fix1))) {}

const std::string& AddressTables::MiddlePair(std::string_view pair) const {
    const auto it = fix_.find(UpperKey(pair));
    return it == fix_.end() ? kDefaultPair : it->second;
}

const std::string& AddressTables::Excluded(std::string_view address) const {
    const auto it = fix1_.find(UpperKey(address));
    return it == fix1_.end() ? kDefaultExcluded : it->second;
}

std::optional<int> BlockPlaceOf(std::string_view address, const AddressTables& tables) {
    // The candidates X(k) + V + A(k) are all different, so checking the shape finds the same
    // place as trying k = 0..14 in turn.
    const std::string& middle = tables.MiddlePair(address.substr(std::min<std::size_t>(1, address.size()), 2));
    if (address.size() != middle.size() + 2) return std::nullopt;
    if (address.substr(1, middle.size()) != middle) return std::nullopt;
    const char x = address.front();
    const char a = address.back();
    if ((x != '4' && x != 'C') || a < '0' || a > '7') return std::nullopt;
    const int place = 2 * (a - '0') + (x == 'C' ? 1 : 0);
    if (place >= layout::kBlockPlaces) return std::nullopt;  // "C" + V + "7" names no block
    return place;
}

std::string ListAddressToBlock(std::string_view address, const AddressTables& tables) {
    const std::optional<int> place = BlockPlaceOf(address, tables);
    return place ? BlockOffsetText(layout::BlockPlaceOffset(*place)) : std::string(layout::kUnknownOffset);
}

bool IsFixedListAddress(std::string_view address, const AddressTables& tables) {
    return tables.Excluded(address) != address;
}

std::string BlockOffsetText(std::int64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "%05lld", static_cast<long long>(offset));
    return text;
}

}  // namespace vesk

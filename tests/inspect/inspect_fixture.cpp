// GCC 12 sees Workspace's constructor inlined here and reports an overlapping copy inside
// std::string's assignment that cannot happen (the top CMakeLists.txt says the same of Release
// builds); other compilers keep the warning.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include "inspect/inspect_fixture.h"

#include <algorithm>

#include "dump/messages.h"

namespace vesk::test {

InspectTest::InspectTest() {
    w.Settings("[KOD]\n00=?\n[EXT]\n4D5468=.mid\n");
    PutList(0, 0, 0xFF);
}

void InspectTest::PutList(int sector, int place, std::uint8_t state) {
    image.SetListAddress(sector, PlaceAddress(place));
    image.SetListState(sector, state);
    image.ClearList(BlockAt(sector, place));
}

void InspectTest::PutFile(int i, const std::string& name, const std::vector<std::uint8_t>& content,
                          const std::string& address, const std::vector<BlockAt3>& blocks, std::int64_t list,
                          std::optional<std::uint32_t> listed) {
    const auto size = listed.value_or(static_cast<std::uint32_t>(content.size()));
    image.SetEntry(list, i, {Bytes(name), size, static_cast<std::uint8_t>(i + 1), 1, address});
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const BlockAt3& at = blocks[b];
        image.SetOwner(at.sector, at.place, HexBytes(address));
        const std::size_t from = std::min<std::size_t>(b * 4090, content.size());
        const std::size_t to = std::min<std::size_t>(from + 4090, content.size());
        image.SetContent(at.sector, at.place, {content.begin() + static_cast<std::ptrdiff_t>(from),
                                               content.begin() + static_cast<std::ptrdiff_t>(to)});
        if (at.slot) image.SetFatSlot(at.sector, *at.slot, PlaceAddress(at.place));
    }
}

Inspection InspectTest::Inspect(std::optional<std::int64_t> list) {
    w.Dump(image);
    return InspectDumpFile(w.form.OpenDumpPath, w.folder, "T", messages::ToHost(w.host), list);
}

std::vector<std::string> InspectTest::KindsOf(const std::vector<Finding>& findings) {
    std::vector<std::string> kinds;
    for (const Finding& f : findings) kinds.push_back(f.kind);
    return kinds;
}

}  // namespace vesk::test

#pragma once
// Dumps for the inspection, built byte by byte with the dump fixture: a current list in block
// place 0 of sector 0 (address 4200, the test profile's record layout) and files whose blocks,
// FAT slots and owner tags are put where the test says.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dump/dump_fixture.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"

namespace vesk::test {

// A block of a file: its place and the slot (of the place's own sector) that names it.
struct BlockAt3 {
    int sector = 0;
    int place = 0;
    std::optional<int> slot;  // none: no slot names it
};

class InspectTest : public ::testing::Test {
protected:
    InspectTest();

    // Entry i of the list at `list` (the current one by default), its size that of `content`
    // unless `listed` says otherwise, and its blocks: the content cut into 4090-byte parts, one a
    // block (blocks past the content hold nothing), each tagged with the address.
    void PutFile(int i, const std::string& name, const std::vector<std::uint8_t>& content, const std::string& address,
                 const std::vector<BlockAt3>& blocks, std::int64_t list = BlockAt(0, 0),
                 std::optional<std::uint32_t> listed = std::nullopt);
    // A list at place k of sector s, with its state byte.
    void PutList(int sector, int place, std::uint8_t state);

    Inspection Inspect(std::optional<std::int64_t> list = std::nullopt);
    std::vector<Finding> Check(std::optional<std::int64_t> list = std::nullopt) { return CheckDump(Inspect(list)); }
    static std::vector<std::string> KindsOf(const std::vector<Finding>& findings);

    Workspace w;
    DumpImage image;
};

}  // namespace vesk::test

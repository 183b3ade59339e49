#pragma once
// The owner tag at the start of a data block, read one way by every walk: the unpacker's owner
// pass, the files in memory, the block map. [FAT] AddrIs says what a tag is (config/owner_tags.h).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/owner_tags.h"
#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/name_decoding.h"

namespace vesk {

class TagReader {
public:
    // [kod] is read only for name tags.
    TagReader(OwnerTags tags, const Settings& settings);
    // With the command's own [kod] table, which must outlive the reader.
    TagReader(OwnerTags tags, const NameDecoder& kod) : tags_(tags), kod_(&kod) {}

    OwnerTags Tags() const { return tags_; }

    // The owner text of the tag at `position`, "" for none: an address tag's two bytes ("5555"
    // is no owner), a name tag's 11 bytes decoded through [kod]. Bytes past the end of a short
    // dump read as erased flash.
    std::string Owner(DumpReader& dump, std::int64_t position) const;

    // Where the tag at `position` is a name tag that runs past the end of the dump, the name as
    // far as the dump holds it; unpacking fails on the first byte past the end.
    std::optional<std::string> CutName(DumpReader& dump, std::int64_t position) const;

    // Owner, but a name tag cut by the end of the dump throws "Read beyond end of file", as
    // unpacking's owner pass does.
    std::string StrictOwner(DumpReader& dump, std::int64_t position) const;

private:
    OwnerTags tags_;
    std::optional<NameDecoder> ownKod_;
    const NameDecoder* kod_ = nullptr;
    mutable std::vector<std::uint8_t> scratch_;
};

}  // namespace vesk

#include "dump/owner_tag.h"

#include "dump/layout.h"
#include "hextext/hextext.h"

namespace vesk {

TagReader::TagReader(OwnerTags tags, const Settings& settings) : tags_(tags) {
    if (tags_ == OwnerTags::Name) kod_ = &ownKod_.emplace(settings);
}

std::string TagReader::Owner(DumpReader& dump, std::int64_t position) const {
    switch (tags_) {
    case OwnerTags::Name: return kod_->Decode(dump.View(position, layout::kOwnerNameLength, true, scratch_));
    case OwnerTags::Address: {
        std::string owner = BytesToHexText(dump.View(position, 2, true, scratch_));
        return owner == layout::kOwnerless ? std::string() : owner;
    }
    case OwnerTags::None: break;
    }
    return {};
}

std::optional<std::string> TagReader::CutName(DumpReader& dump, std::int64_t position) const {
    if (tags_ != OwnerTags::Name) return std::nullopt;
    const std::int64_t available = dump.Available(position, layout::kOwnerNameLength);
    if (available == layout::kOwnerNameLength) return std::nullopt;
    if (available <= 0) return std::string();
    return kod_->Decode(dump.View(position, available, false, scratch_));
}

std::string TagReader::StrictOwner(DumpReader& dump, std::int64_t position) const {
    if (CutName(dump, position)) {
        // The first byte past the end of the dump is where the read fails.
        dump.ByteAt(position + std::max<std::int64_t>(dump.Available(position, layout::kOwnerNameLength), 0));
    }
    return Owner(dump, position);
}

}  // namespace vesk

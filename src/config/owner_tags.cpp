#include "config/owner_tags.h"

namespace vesk {

OwnerTags ParseOwnerTags(std::string_view word) {
    if (word == "address") return OwnerTags::Address;
    if (word == "name") return OwnerTags::Name;
    return OwnerTags::None;
}

}  // namespace vesk

#pragma once
// The dump check: what in a dump would make the phone or the reading road go wrong, each finding
// with the places, slots and entries it concerns and one sentence that says what is wrong.
#include <string>
#include <string_view>
#include <vector>

#include "inspect/inspection.h"

namespace vesk {

enum class Severity { Error, Warning };
std::string_view SeverityName(Severity severity);  // "error", "warning"

struct PlaceRef {
    int sector = 0;
    int place = 0;
    bool operator==(const PlaceRef&) const = default;
};

struct Finding {
    std::string kind;  // "missing-blocks", … (docs: README, "Inside a dump")
    Severity severity = Severity::Warning;
    std::vector<int> sectors;      // ascending
    std::vector<PlaceRef> places;  // in the order the finding tells them
    std::vector<int> slots;        // slot numbers, ascending
    std::vector<int> entries;      // rows on "Список", from 1
    std::string text;              // one sentence, Russian as the window's messages
};

// Every finding, kind by kind in a fixed order, each kind in dump order.
std::vector<Finding> CheckDump(const Inspection& inspection);

bool HasError(const std::vector<Finding>& findings);

// The orphan places of each owner tag, as recovery writes them into lost/: tags in the order of
// their first place; within a tag, the places that slots name in slot order (then sector), then
// the others in dump order.
struct OrphanGroup {
    std::string owner;  // the tag's text, "" for a tag that names no owner
    std::vector<PlaceRef> places;
};
std::vector<OrphanGroup> OrphanGroups(const Inspection& inspection);

}  // namespace vesk

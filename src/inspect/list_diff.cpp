#include "inspect/list_diff.h"

#include <map>
#include <set>
#include <unordered_map>

#include "base/error.h"
#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/file_contents.h"
#include "dump/file_list.h"
#include "dump/firmware_profile.h"
#include "dump/list_address.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"

namespace vesk {
namespace {

// The content's own hash, so that renames are found without comparing every pair.
std::size_t HashOf(const std::vector<std::uint8_t>& bytes) {
    std::size_t h = 1469598103934665603ull;
    for (const std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h ^ bytes.size();
}

// One dump opened for the comparison, with the FAT walk read once for all its lists.
class OpenedDump {
public:
    OpenedDump(const std::string& path, const ProgramFolder& folder, const std::string& firmware, const Complain& complain)
        : profile_(folder, firmware, ProfileUse::Reading, complain), dump_(path), settings_(folder), tables_(settings_),
          kod_(settings_) {}

    std::vector<ListFile> Files(std::optional<std::int64_t> list) {
        if (!list) {
            const ListScan scan = ScanLists(dump_, profile_, tables_, ScanEnd::WholeDump);
            if (!scan.Selected()) Refuse(std::string(messages::kListCount) + "0");
            list = scan.Selected()->position;
        }
        FileListRead read = ReadEntries(dump_, ReadEntryLayout(profile_, *list), kod_, GroupNames(settings_));
        if (read.error) std::rethrow_exception(read.error);
        if (!fat_) {
            fat_.emplace(ReadFatTable(dump_, profile_, tables_));
            const std::string addrIs = profile_.AddrIs();
            tags_ = ReadOwnerTags(dump_, *fat_, addrIs, addrIs == "name" ? &kod_ : nullptr);
        }
        const std::vector<FileContent> contents = ReadFileContents(dump_, profile_, *fat_, tags_, read.entries);

        std::vector<ListFile> files;
        std::map<std::string, int> seen;
        for (std::size_t i = 0; i < read.entries.size(); ++i) {
            const ListEntry& entry = read.entries[i];
            if (!entry.InUse()) continue;
            const int count = ++seen[entry.name];
            ListFile file{count == 1 ? entry.name : entry.name + " (" + std::to_string(count) + ")", std::nullopt};
            if (contents[i].written) file.content = contents[i].bytes;
            files.push_back(std::move(file));
        }
        return files;
    }

private:
    FirmwareProfile profile_;
    DumpReader dump_;
    Settings settings_;
    AddressTables tables_;
    NameDecoder kod_;
    std::optional<FatTable> fat_;
    OwnerTags tags_;
};

}  // namespace

ListDiff CompareLists(const std::vector<ListFile>& first, const std::vector<ListFile>& second) {
    ListDiff diff;
    std::unordered_map<std::string, const ListFile*> secondByName;
    for (const ListFile& f : second) secondByName.emplace(f.name, &f);
    std::set<std::string> firstNames;
    std::vector<const ListFile*> gone;
    for (const ListFile& f : first) {
        firstNames.insert(f.name);
        const auto it = secondByName.find(f.name);
        if (it == secondByName.end()) {
            gone.push_back(&f);
        } else if (it->second->content == f.content) {
            ++diff.same;
        } else {
            diff.changed.push_back(f.name);
        }
    }
    // Files only in the second list, by content, to pair with the gone ones.
    std::unordered_multimap<std::size_t, const ListFile*> newByContent;
    std::vector<const ListFile*> fresh;
    for (const ListFile& f : second) {
        if (firstNames.count(f.name)) continue;
        fresh.push_back(&f);
        if (f.content) newByContent.emplace(HashOf(*f.content), &f);
    }
    std::set<const ListFile*> paired;
    for (const ListFile* f : gone) {
        const ListFile* match = nullptr;
        if (f->content) {
            auto [from, to] = newByContent.equal_range(HashOf(*f->content));
            for (auto it = from; it != to; ++it) {
                if (paired.count(it->second) || it->second->content != f->content) continue;
                // The earliest in list order: the multimap keeps no order of its own.
                if (!match || it->second < match) match = it->second;
            }
        }
        if (match) {
            paired.insert(match);
            diff.renamed.emplace_back(f->name, match->name);
        } else {
            diff.removed.push_back(f->name);
        }
    }
    for (const ListFile* f : fresh) {
        if (!paired.count(f)) diff.added.push_back(f->name);
    }
    return diff;
}

std::pair<std::vector<ListFile>, std::vector<ListFile>> ReadListFiles(const ReadListsRequest& first,
                                                                      const ReadListsRequest& second,
                                                                      const ProgramFolder& folder,
                                                                      const std::string& firmware, const Complain& complain) {
    OpenedDump dump(first.path, folder, firmware, complain);
    std::vector<ListFile> a = dump.Files(first.list);
    if (second.path == first.path) return {std::move(a), dump.Files(second.list)};
    OpenedDump other(second.path, folder, firmware, complain);
    return {std::move(a), other.Files(second.list)};
}

}  // namespace vesk

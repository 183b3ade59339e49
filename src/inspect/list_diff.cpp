#include "inspect/list_diff.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "base/error.h"
#include "config/settings.h"
#include "dump/dump_reader.h"
#include "dump/fat_table.h"
#include "dump/file_contents.h"
#include "dump/file_list.h"
#include "dump/file_names.h"
#include "dump/firmware_profile.h"
#include "dump/list_address.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"

namespace vesk {
namespace {

// A key for finding renames without comparing every pair: the size and the bytes at both ends,
// which tell most contents apart; equal keys are then compared whole.
std::size_t HashOf(const FileBytes& bytes) {
    constexpr std::size_t kEnds = 64;
    std::size_t h = 1469598103934665603ull ^ static_cast<std::size_t>(bytes.Size());
    const auto mix = [&h](std::uint8_t b) { h = (h ^ b) * 1099511628211ull; };
    std::size_t n = 0;
    for (const auto piece : bytes.Pieces()) {
        for (std::size_t i = 0; i < piece.size() && n < kEnds; ++i, ++n) mix(piece[i]);
    }
    n = 0;
    for (auto piece = bytes.Pieces().rbegin(); piece != bytes.Pieces().rend() && n < kEnds; ++piece) {
        for (std::size_t i = piece->size(); i > 0 && n < kEnds; --i, ++n) mix((*piece)[i - 1]);
    }
    return h;
}

// One dump opened for the comparison, with the FAT walk read once for all its lists.
class OpenedDump {
public:
    OpenedDump(const std::string& path, const ProgramFolder& folder, const std::string& firmware, const Complain& complain)
        : profile_(folder, firmware, ProfileUse::Reading, complain), dump_(path), settings_(folder), tables_(settings_),
          kod_(settings_), tags_(profile_.Tags(), settings_) {}

    std::vector<ListFile> Files(std::optional<std::int64_t> list) {
        if (!list) {
            const ListScan scan = ScanLists(dump_, profile_, tables_, ScanEnd::WholeDump);
            if (!scan.Selected()) Refuse(std::string(messages::kListCount) + "0");
            list = scan.Selected()->position;
        }
        FileListRead read = ReadEntries(dump_, ReadEntryLayout(profile_, *list), kod_, GroupNames(settings_));
        if (read.error) std::rethrow_exception(read.error);
        if (!fat_) fat_.emplace(ReadFatTable(dump_, profile_, tables_));
        std::vector<FileContent> contents = ReadFileContents(dump_, profile_, *fat_, tags_, read.entries);

        // Named as unpacking names the files it writes; an entry that gets no file is named
        // after those, by the same rule.
        std::vector<bool> written(contents.size());
        for (std::size_t i = 0; i < contents.size(); ++i) written[i] = contents[i].written;
        FileNamer namer;
        std::vector<std::string> names = OutputNames(read.entries, written, namer);
        std::vector<ListFile> files;
        for (std::size_t i = 0; i < read.entries.size(); ++i) {
            if (!read.entries[i].InUse()) continue;
            ListFile file{written[i] ? names[i] : namer.Take(read.entries[i].name), std::nullopt};
            if (written[i]) file.content = std::move(contents[i].bytes);
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
    TagReader tags_;
    std::optional<FatTable> fat_;
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

ListDiff DiffLists(const ListRequest& first, const ListRequest& second, const ProgramFolder& folder,
                   const std::string& firmware, const Complain& complain) {
    // The files' pieces point into the dumps: both stay open until the comparison is done.
    OpenedDump dump(first.path, folder, firmware, complain);
    const std::vector<ListFile> a = dump.Files(first.list);
    if (second.path == first.path) return CompareLists(a, dump.Files(second.list));
    OpenedDump other(second.path, folder, firmware, complain);
    return CompareLists(a, other.Files(second.list));
}

}  // namespace vesk

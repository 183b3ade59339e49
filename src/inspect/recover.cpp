#include "inspect/recover.h"

#include <algorithm>
#include <array>

#include "base/error.h"
#include "dump/dump_reader.h"
#include "dump/file_list.h"
#include "dump/file_names.h"
#include "dump/firmware_profile.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"
#include "dump/unpack.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "platform/file_output.h"
#include "platform/folders.h"

namespace vesk {
namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string ErrorText(const Error& e) { return e.File().empty() ? e.what() : e.File() + ": " + e.what(); }

// One dump read for the whole recovery: its profile converted once, its FAT walk read once.
struct Source {
    DumpReader& dump;
    FirmwareProfile& profile;
    const Settings& settings;
    const Inspection& in;
};

FileListRead ReadListAt(const Source& src, const FoundList& list) {
    return ReadEntries(src.dump, ReadEntryLayout(src.profile, list.position), NameDecoder(src.settings), GroupNames(src.settings));
}

RecoveredFolder RecoverList(const Source& src, Host& host, const std::string& out, const FoundList& list) {
    RecoveredFolder result;
    result.name = ListPositionText(list.position);
    try {
        const std::string dir = out + result.name + "/";
        MakeFolders(dir, true);
        const FileListRead read = ReadListAt(src, list);
        if (read.error) std::rethrow_exception(read.error);
        const Unpacked unpacked = WriteEntryFiles(src.dump, src.profile, src.settings, src.in.overview.fat,
                                                  TagReader(src.profile.Tags(), src.settings), read.entries, dir, BarProgress(host));
        result.files = static_cast<int>(unpacked.files.size());
        result.bytes = unpacked.Bytes();
    } catch (const Error& e) {
        result.error = ErrorText(e);
    }
    return result;
}

RecoveredFolder RecoverLost(const Source& src, const std::string& out) {
    RecoveredFolder result;
    result.name = kLostFolder;
    const Inspection& in = src.in;
    const std::vector<OrphanGroup> groups = OrphanGroups(in);
    if (groups.empty()) return result;
    try {
        const std::string dir = out + kLostFolder + "/";
        MakeFolders(dir, true);
        const Extensions extensions(src.settings);
        FileNamer namer;
        std::vector<std::uint8_t> scratch;
        for (const OrphanGroup& group : groups) {
            const std::string name = namer.Take(group.owner.empty() ? "unowned" : group.owner);
            std::vector<std::uint8_t> content;
            std::array<std::uint8_t, 3> signature{};
            for (const PlaceRef& p : group.places) {
                const std::int64_t at = in.Map().At(p.sector, p.place).offset + in.toData;
                if (content.empty()) src.dump.ReadErased(at, signature);
                if (in.data <= 0) continue;
                const auto bytes = src.dump.View(at, in.data, true, scratch);
                content.insert(content.end(), bytes.begin(), bytes.end());
            }
            const std::string path = dir + OutputFileName(name, extensions.Of(signature));
            WriteWholeFile(path, content, Durability::Replaceable);
            ++result.files;
            result.bytes += static_cast<std::int64_t>(content.size());
        }
    } catch (const Error& e) {
        result.error = ErrorText(e);
    }
    return result;
}

// Every file the recovery would write, each list's and the lost blocks', so that a recovery
// that cannot fit is refused before its first file. A list that cannot be read writes nothing.
std::vector<std::int64_t> PlannedSizes(const Source& src) {
    std::vector<std::int64_t> sizes;
    const TagReader tags(src.profile.Tags(), src.settings);
    for (const FoundList& list : src.in.overview.scan.lists) {
        const FileListRead read = ReadListAt(src, list);
        if (read.error) continue;
        const std::vector<std::int64_t> files = PlannedFileSizes(src.dump, src.profile, src.in.overview.fat, tags, read.entries);
        sizes.insert(sizes.end(), files.begin(), files.end());
    }
    for (const OrphanGroup& group : OrphanGroups(src.in)) {
        sizes.push_back(static_cast<std::int64_t>(group.places.size()) * std::max<std::int64_t>(src.in.data, 0));
    }
    return sizes;
}

}  // namespace

std::vector<RecoveredFolder> RecoverAll(const RecoverRequest& request, const ProgramFolder& folder, Host& host) {
    const std::string dir = WithSlash(request.out);
    FirmwareProfile profile(folder, request.firmware, ProfileUse::Reading, messages::ToHost(host));
    DumpReader dump(request.dump);
    const Settings settings(folder);
    const Inspection in = Inspect(dump, profile, DumpTables(settings), request.list);
    const Source src{dump, profile, settings, in};
    CheckRoomFor(dir, PlannedSizes(src));
    MakeFolders(dir);

    std::vector<RecoveredFolder> folders;
    for (const FoundList& list : in.overview.scan.lists) folders.push_back(RecoverList(src, host, dir, list));
    RecoveredFolder lost = RecoverLost(src, dir);
    if (lost.files > 0 || !lost.error.empty()) folders.push_back(std::move(lost));
    return folders;
}

}  // namespace vesk

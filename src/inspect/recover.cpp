#include "inspect/recover.h"

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

RecoveredFolder RecoverList(const Source& src, Host& host, const std::string& out, const FoundList& list) {
    RecoveredFolder result;
    result.name = ListPositionText(list.position);
    try {
        const std::string dir = out + result.name + "/";
        MakeFolders(dir, true);
        const FileListRead read =
            ReadEntries(src.dump, ReadEntryLayout(src.profile, list.position), NameDecoder(src.settings), GroupNames(src.settings));
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
            const std::string path = dir + name + SafeFileName(extensions.Of(signature));
            WriteWholeFile(path, content, Durability::Replaceable);
            ++result.files;
            result.bytes += static_cast<std::int64_t>(content.size());
        }
    } catch (const Error& e) {
        result.error = ErrorText(e);
    }
    return result;
}

}  // namespace

std::vector<RecoveredFolder> RecoverAll(const RecoverRequest& request, const ProgramFolder& folder, Host& host) {
    const std::string dir = WithSlash(request.out);
    MakeFolders(dir);
    FirmwareProfile profile(folder, request.firmware, ProfileUse::Reading, messages::ToHost(host));
    DumpReader dump(request.dump);
    const Settings settings(folder);
    const Inspection in = Inspect(dump, profile, DumpTables(settings), request.list);
    const Source src{dump, profile, settings, in};

    std::vector<RecoveredFolder> folders;
    for (const FoundList& list : in.overview.scan.lists) folders.push_back(RecoverList(src, host, dir, list));
    RecoveredFolder lost = RecoverLost(src, dir);
    if (lost.files > 0 || !lost.error.empty()) folders.push_back(std::move(lost));
    return folders;
}

}  // namespace vesk

#include "inspect/recover.h"

#include <sys/stat.h>

#include <array>
#include <optional>
#include <set>

#include "base/error.h"
#include "dump/commands.h"
#include "dump/dump_reader.h"
#include "dump/file_contents.h"
#include "dump/firmware_profile.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "dump/name_decoding.h"
#include "inspect/dump_check.h"
#include "inspect/inspection.h"
#include "platform/file_output.h"
#include "platform/system_calls.h"

namespace vesk {
namespace {

// The reading commands run once per list: their progress and their messages reach the user,
// their status texts, caption and page changes would only flicker past.
class ProgressHost : public Host {
public:
    explicit ProgressHost(Host& host) : host_(host) {}
    void SetProgressMax(int maximum) override { host_.SetProgressMax(maximum); }
    void SetProgress(int position) override { host_.SetProgress(position); }
    void SetStatus(int, const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ShowPage(Page) override {}
    void ShowMessage(const std::string& text) override { host_.ShowMessage(text); }
    void ShowFolder(const std::string&) override {}
    std::string SelectedFile() const override { return {}; }

private:
    Host& host_;
};

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string ErrorText(const Error& e) { return e.File().empty() ? e.what() : e.File() + ": " + e.what(); }

RecoveredFolder RecoverList(const Form& form, Host& host, const ProgramFolder& folder, const std::string& out,
                            const FoundList& list) {
    RecoveredFolder result;
    result.name = ListPositionText(list.position);
    try {
        const std::string dir = out + result.name + "/";
        MakeFolders(dir, true);
        Form one;
        InitGrids(one);
        one.FirmwareCombo = form.FirmwareCombo;
        one.OpenDumpPath = form.OpenDumpPath;
        one.ListAddressEdit = result.name;
        one.TempFolderEdit = dir;
        ReadFileList(one, host, folder);
        const UnpackSummary summary = UnpackFiles(one, host, folder);
        result.files = summary.files;
        result.bytes = summary.bytes;
    } catch (const Error& e) {
        result.error = ErrorText(e);
    }
    return result;
}

RecoveredFolder RecoverLost(const Inspection& in, DumpReader& dump, const Settings& settings, const std::string& out) {
    RecoveredFolder result;
    result.name = kLostFolder;
    const std::vector<OrphanGroup> groups = OrphanGroups(in);
    if (groups.empty()) return result;
    try {
        const std::string dir = out + kLostFolder + "/";
        MakeFolders(dir, true);
        const Extensions extensions(settings);
        std::set<std::string> taken;
        std::vector<std::uint8_t> scratch;
        for (const OrphanGroup& group : groups) {
            const std::string base = group.owner.empty() ? "unowned" : SafeFileName(group.owner);
            std::string name = base;
            for (int k = 2; taken.count(name); ++k) name = base + " (" + std::to_string(k) + ")";
            taken.insert(name);

            std::vector<std::uint8_t> content;
            std::array<std::uint8_t, 3> signature{};
            for (const PlaceRef& p : group.places) {
                const std::int64_t at = in.Map().At(p.sector, p.place).offset + in.toData;
                if (content.empty()) dump.ReadErased(at, signature);
                if (in.data <= 0) continue;
                const auto bytes = dump.View(at, in.data, true, scratch);
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

void MakeFolders(const std::string& path, bool own) {
    // Each folder on the way, from the first; one that exists stays as it is, and whether the
    // last one is a folder is what counts.
    std::string made;
    for (std::size_t from = 0; from < path.size();) {
        const std::size_t slash = path.find('/', from);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        made = path.substr(0, end);
        from = end + 1;
        if (!made.empty()) sys::Mkdir(made, 0777);
    }
    struct stat st {};
    // A folder of the program's own is made by it, never reached through a link someone left there.
    const int status = own ? sys::Lstat(made, &st) : sys::Stat(made, &st);
    if (made.empty() || status != 0 || !S_ISDIR(st.st_mode)) ThrowUnableToWrite(path);
}

std::vector<RecoveredFolder> RecoverAll(Form& form, Host& host, const ProgramFolder& folder, const std::string& out) {
    const std::string dir = WithSlash(out);
    MakeFolders(dir, false);
    const Complain complain = messages::ToHost(host);
    std::optional<std::int64_t> chosen;
    if (!form.ListAddressEdit.empty()) chosen = ListPositionValue(form.ListAddressEdit, complain);
    FirmwareProfile profile(folder, form.FirmwareCombo, ProfileUse::Reading, complain);
    DumpReader dump(form.OpenDumpPath);
    const Settings settings(folder);
    const Inspection in = Inspect(dump, profile, settings, chosen);

    ProgressHost progress(host);
    std::vector<RecoveredFolder> folders;
    for (const FoundList& list : in.overview.scan.lists) folders.push_back(RecoverList(form, progress, folder, dir, list));
    RecoveredFolder lost = RecoverLost(in, dump, settings, dir);
    if (lost.files > 0 || !lost.error.empty()) folders.push_back(std::move(lost));
    return folders;
}

}  // namespace vesk

#pragma once
// The one way the program writes a file. New content goes to a temporary of a unique name in
// the target's folder (created exclusively, never through a link) and is renamed over the
// target when it is complete: a killed run, a full disk or a second process writing the same
// name leaves the old file or the new one, never half of one. A rename replaces the target's own
// directory entry: a link at the target's name is replaced, the file it points to is not.
//
// Failures raise vesk::Error with the runtime's texts (docs/COMPATIBILITY.md, Errors), naming
// the target; the temporary is removed and the target is left exactly as it was.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// What a write promises once it returns.
enum class Durability {
    // Dumps, pictures and settings: flushed to the disk before the rename, and the folder after
    // it, so that a power cut too leaves the old file or the new one.
    Durable,
    // Files that can be made again (unpacked files): no flushing, which costs more than the write.
    Replaceable,
    // The settings file: durable, and where its folder takes no new file but the file itself may
    // be written (a read-only program folder), written in place, as it has always been. Nothing
    // else is ever written in place: a killed write there leaves half a file.
    SettingsFile,
};

// Every temporary's name is this and twelve letters and digits (a-z, 0-9): the file pane hides
// them, and old ones are removed from the folders the program writes to. Only names of exactly
// that form count, so a user's file that merely starts alike is never taken for one.
inline constexpr std::string_view kTempPrefix = ".vesk-tmp-";
inline constexpr std::size_t kTempLetters = 12;
bool IsTempName(std::string_view fileName);

class FileOutput {
public:
    // Checks the target and makes the temporary. Refused with "File access denied": a target that
    // exists and may not be written (a read-only file, docs/COMPATIBILITY.md, Files), a folder,
    // a device or a pipe. "File not found" when the folder does not exist. A folder that takes
    // no temporary is refused naming the folder, and nothing changes, except for the settings
    // file (Durability::SettingsFile), which is then written in place.
    static FileOutput Create(const std::string& target, Durability durability);

    FileOutput(FileOutput&& other) noexcept;
    FileOutput& operator=(FileOutput&& other) noexcept;
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;
    // Without Commit the temporary is removed; the target never saw anything.
    ~FileOutput();

    // Appends; WriteAt writes at a position (past the end, the gap reads as zero).
    void Write(std::span<const std::uint8_t> bytes);
    void WriteAt(std::int64_t position, std::span<const std::uint8_t> bytes);
    // Puts the content in place under the target's name. A replaced file's permission bits carry
    // over to the new one.
    void Commit();
    // The same, and the file it replaces is kept as `backup` (replacing an older backup), with
    // its permission bits: only a regular file at the target's name, read without following a
    // link. Both names change or neither: a failure on the way puts back what was there.
    void CommitKeepingBackup(const std::string& backup);

    const std::string& Target() const { return target_; }

private:
    FileOutput() = default;
    void Discard() noexcept;
    // Sets the bits, flushes and closes the temporary, ready to be renamed.
    void Close();
    void SyncFolder(const std::string& path) const;

    std::string target_;
    std::string temp_;  // empty when writing in place
    int fd_ = -1;
    std::int64_t position_ = 0;
    Durability durability_ = Durability::Durable;
    bool keepMode_ = false;  // the old file's bits and owner need setting on the new one
    unsigned mode_ = 0;      // the old file's permission bits, 0 for a new file
    unsigned owner_ = 0;
    unsigned group_ = 0;
    int slot_ = -1;  // where a signal handler finds the temporary's name
};

// The whole content of a file at once.
void WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes, Durability durability);

// For a thumbnailer alone: the desktop's thumbnail service makes the output file itself and reads
// it afterwards through the descriptor it still holds, so a file renamed over it would never be
// seen. When `target` is a regular file of this user (opened without following a link), it is
// emptied and written where it stands (and flushed when Durable); a failure may leave it half
// written, which a thumbnail cache survives (the service makes it again). Returns false, having
// written nothing, when there is no such file: a missing name, a link, another user's file,
// anything but a regular file. An own file without its owner's write bit is refused as
// FileOutput refuses it.
bool WriteIntoCallersFile(const std::string& target, std::span<const std::uint8_t> bytes, Durability durability);

// Part of an existing file changed: the file is read, `change` works on the copy, and the copy
// replaces the file. The target must exist and be writable; nothing is written when `change`
// throws.
void ChangeFile(const std::string& target, Durability durability,
                const std::function<void(std::vector<std::uint8_t>& content)>& change);

// Throws unless `target` exists and may be written: "File not found", "File access denied".
void CheckChangeable(const std::string& target);

// Removes the temporaries in `folder` older than `age` seconds (left by killed runs). Every
// FileOutput does this once per process for each folder it writes into, an hour being old.
void RemoveOldTemporaries(const std::string& folder, std::int64_t age);

// From now on SIGINT, SIGTERM and SIGHUP remove the temporaries being written before the
// process ends as the signal would end it.
void RemoveTemporariesOnSignals();

// Refuses unless the file at `path` (followed through links) is a regular file, or is missing:
// a pipe, a device, a folder or a /proc file has no content to take ("File access denied").
void CheckRegularOrMissing(const std::string& path);

// The bytes the folder's file system gives this user, none when it cannot say.
std::optional<std::int64_t> FreeBytes(const std::string& folder);

// Refuses, naming the folder and both figures, when files of these sizes would not fit in the
// free space of `folder` (each file taken up to whole blocks of its file system): a command that
// writes many files checks the whole plan before it writes the first. Passes when the file
// system cannot say.
void CheckRoomFor(const std::string& folder, std::span<const std::int64_t> fileSizes);

// A file as it stands: which one it is and what it holds, to tell whether it changed.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = 0, modified = 0;  // nanoseconds
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);

// A change of a file held from reading it to putting its new content in place: an exclusive
// advisory lock (flock) on the file, which other changes by this program wait for. Once it has
// the lock it makes sure that the name still names the file it locked (another change may have
// replaced it meanwhile) and takes the new one if not.
class FileLock {
public:
    // Nothing is held when there is no file at `path`.
    static FileLock Hold(const std::string& path);
    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace vesk

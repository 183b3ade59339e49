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
};

// Every temporary's name starts with this: the file pane hides them, and the window removes its
// folders' old ones at start-up.
inline constexpr std::string_view kTempPrefix = ".vesk-tmp-";
bool IsTempName(std::string_view fileName);

class FileOutput {
public:
    // Checks the target and makes the temporary. Refused with "File access denied": a target that
    // exists and may not be written (a read-only file, docs/COMPATIBILITY.md, Files), a folder,
    // a device or a pipe. "File not found" when the folder does not exist. Where the folder takes
    // no temporary but the target is a writable file (a writable vesk.ini in a read-only folder),
    // the file is written in place instead, emptied first.
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

    const std::string& Target() const { return target_; }

private:
    FileOutput() = default;
    void Discard() noexcept;

    std::string target_;
    std::string temp_;  // empty when writing in place
    int fd_ = -1;
    std::int64_t position_ = 0;
    Durability durability_ = Durability::Durable;
    bool keepMode_ = false;  // the old file's bits and owner need setting on the new one
    unsigned mode_ = 0;      // the old file's permission bits, 0 for a new file
    unsigned owner_ = 0;
    unsigned group_ = 0;
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

// Removes the temporaries in `folder` older than `age` seconds (left by killed runs).
void RemoveOldTemporaries(const std::string& folder, std::int64_t age);

}  // namespace vesk

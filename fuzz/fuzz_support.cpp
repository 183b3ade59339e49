#include "fuzz_support.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/system_calls.h"

namespace vesk::fuzz {

namespace fs = std::filesystem;

std::string InputReader::Text() {
    std::string text;
    while (at_ < size_) {
        // The bytes up to the next "\" at once: a dump's pieces are kilobytes of text.
        const std::uint8_t* from = data_ + at_;
        const auto* mark = static_cast<const std::uint8_t*>(std::memchr(from, '\\', size_ - at_));
        const std::size_t run = mark ? static_cast<std::size_t>(mark - from) : size_ - at_;
        text.append(reinterpret_cast<const char*>(from), run);
        at_ += run;
        if (!mark) break;
        ++at_;
        if (at_ < size_ && data_[at_] == '\\') {
            text += '\\';
            ++at_;
            continue;
        }
        ++at_;  // the byte after a single "\" ends the text and is not part of anything
        break;
    }
    return text;
}

std::uint32_t InputReader::Number(int bytes) {
    std::uint32_t value = 0;
    for (int k = 0; k < bytes && at_ < size_; ++k) value |= static_cast<std::uint32_t>(data_[at_++]) << (8 * k);
    return value;
}

std::vector<std::uint8_t> InputReader::Rest() {
    std::vector<std::uint8_t> rest(data_ + std::min(at_, size_), data_ + size_);
    at_ = size_;
    return rest;
}

InputWriter& InputWriter::Text(std::string_view text) {
    return Text(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

InputWriter& InputWriter::Text(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        data_.push_back(b);
        if (b == '\\') data_.push_back(b);
    }
    data_.push_back('\\');
    data_.push_back('\n');
    return *this;
}

InputWriter& InputWriter::Number(std::uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) data_.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
    return *this;
}

InputWriter& InputWriter::Rest(std::span<const std::uint8_t> bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
}

namespace {

// On tmpfs where there is one: an input's files cost no disk. (A file tree of our own in memory
// was no faster: the reading road and assembly ran at the same rate or slower on it, README.)
struct Scratch {
    std::string root, scratch, kept;
    Scratch() {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "vesk-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) Fail("cannot make a scratch folder");
        root = pattern + "/";
        scratch = root + "scratch/";
        kept = root + "kept/";
        MakeFolder(scratch);
        MakeFolder(kept);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

const Scratch& TheScratch() {
    static const Scratch scratch;
    return scratch;
}

}  // namespace

void MakeFolder(const std::string& path) {
    if (sys::Mkdir(path, 0755) != 0 && errno != EEXIST) Fail("cannot make " + path);
}

const std::string& ScratchFolder() { return TheScratch().scratch; }
const std::string& KeptFolder() { return TheScratch().kept; }

bool Entries(const std::string& folder, std::vector<std::pair<std::string, unsigned char>>& entries) {
    entries.clear();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // One buffer for the process: opendir makes a 32 KiB one per call, which the sanitizer's
    // allocator poisons, quarantines and frees each time.
    static std::vector<char> buffer(1 << 15);
    bool ok = true;
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (long at = 0; at < n;) {
            // struct linux_dirent64: inode (8 bytes), offset (8), record length (2), type (1), name.
            const char* record = buffer.data() + at;
            std::uint16_t length = 0;
            std::memcpy(&length, record + 16, sizeof length);
            const char* name = record + 19;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
                entries.emplace_back(name, static_cast<unsigned char>(record[18]));
            }
            at += length;
        }
    }
    ::close(fd);
    return ok;
}

void ClearFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        // A test may leave a file without rights; they come back so it can go.
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(entry.path(), ec);
    }
}

std::string MakeProgramFolder(const std::string& profile, const std::string& settings) {
    ClearFolder(ScratchFolder());
    const std::string root = ScratchFolder() + "program/";
    MakeFolder(root);
    MakeFolder(root + "bins");
    MakeFolder(root + "files");
    WriteFile(root + "T.ini", profile);
    WriteFile(root + "vesk.ini", settings);
    return root;
}

void CheckNothingBesideProgramFolder(const std::string& root) {
    if (Tree(ScratchFolder()).size() != Tree(root).size() + 1) Fail("a file appeared beside the program folder");
}

// The files are written and read with the calls the program makes, so that the same code runs
// on disk and in memory; not with the program's own writers, which are what is under test.
void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    const int fd = sys::Open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = sys::Pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    if (fd >= 0) sys::Close(fd);
    if (!ok) Fail("cannot write " + path);
}

void WriteFile(const std::string& path, std::string_view text) {
    WriteFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const int fd = sys::Open(path, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0) return bytes;
    if (sys::Fstat(fd, &st) == 0) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = sys::Pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
    }
    sys::Close(fd);
    return bytes;
}

bool FileHolds(const std::string& path, std::span<const std::uint8_t> bytes) {
    const int fd = sys::Open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    static std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
    bool same = true;
    std::size_t done = 0;
    while (same) {
        // One byte past the end is asked for too, so that a longer file shows.
        const std::size_t want = std::min(buffer.size(), bytes.size() - done + 1);
        const ssize_t n = sys::Pread(fd, buffer.data(), want, static_cast<off_t>(done));
        if (n <= 0) {
            same = n == 0 && done == bytes.size();
            break;
        }
        const auto got = static_cast<std::size_t>(n);
        same = got <= bytes.size() - done && std::equal(buffer.begin(), buffer.begin() + n, bytes.begin() + static_cast<std::ptrdiff_t>(done));
        done += got;
    }
    sys::Close(fd);
    return same;
}

namespace {

void Walk(const std::string& root, const std::string& relative, std::vector<std::string>& paths) {
    std::vector<std::string> names;
    if (!sys::ListFolder(root + relative, names)) return;
    for (const std::string& name : names) {
        struct stat st {};
        if (sys::Lstat(root + relative + name, &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            paths.push_back(relative + name + "/");
            Walk(root, relative + name + "/", paths);
        } else {
            paths.push_back(relative + name);
        }
    }
}

}  // namespace

std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> paths;
    Walk(root.back() == '/' ? root : root + "/", "", paths);
    std::sort(paths.begin(), paths.end());
    return paths;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace vesk::fuzz

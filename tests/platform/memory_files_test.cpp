#include "platform/memory_files.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/system_calls.h"
#include "support/temp_folder.h"

namespace vesk::sys {
namespace {

// One line of a script and what it must give: "ok", an errno name, "#n" for the nth descriptor
// opened, a count, the bytes read (zeros as "."), what stat says, or the names in a folder.
struct Step {
    std::string line;
    std::string expected;
};

// Runs script lines in memory, or on the disk below `root`, where absolute paths and absolute
// link texts are put under that folder.
class Runner {
public:
    explicit Runner(std::string root = "") : disk_(!root.empty()), root_(std::move(root)) {}

    std::string Run(const std::string& line) {
        std::istringstream in(line);
        std::string op, a, b, c;
        in >> op >> a >> b >> c;
        if (a == "''") a.clear();
        const std::string p = disk_ && !a.empty() ? root_ + a : a;
        struct stat st {};
        if (op == "mkdir") return Outcome(disk_ ? ::mkdir(p.c_str(), Octal(b)) : memory::Mkdir(a, Octal(b)));
        if (op == "symlink") {
            const std::string text = disk_ && a.starts_with('/') ? root_ + a : a;
            const std::string q = disk_ ? root_ + b : b;
            return Outcome(disk_ ? ::symlink(text.c_str(), q.c_str()) : memory::Symlink(text, q));
        }
        if (op == "rename") {
            const std::string q = disk_ ? root_ + b : b;
            return Outcome(disk_ ? ::rename(p.c_str(), q.c_str()) : memory::Rename(p, q));
        }
        if (op == "unlink") return Outcome(disk_ ? ::unlink(p.c_str()) : memory::Unlink(p));
        if (op == "access") {
            const int mode = (b.find('r') != b.npos ? R_OK : 0) | (b.find('w') != b.npos ? W_OK : 0) |
                             (b.find('x') != b.npos ? X_OK : 0);
            return Outcome(disk_ ? ::access(p.c_str(), mode) : memory::Access(p, mode));
        }
        if (op == "stat") return Described(disk_ ? ::stat(p.c_str(), &st) : memory::Stat(p, &st), st);
        if (op == "lstat") return Described(disk_ ? ::lstat(p.c_str(), &st) : memory::Lstat(p, &st), st);
        if (op == "ls") {
            std::vector<std::string> names;
            // On the disk through system_calls.cpp, whose memory switch this program never sets.
            if (!(disk_ ? ListFolder(p, names) : memory::ListFolder(p, names))) return strerrorname_np(errno);
            std::sort(names.begin(), names.end());
            std::string all;
            for (const std::string& name : names) all += (all.empty() ? "" : " ") + name;
            return all;
        }
        if (op == "open") {
            const int fd = disk_ ? ::open(p.c_str(), Flags(b), Octal(c)) : memory::Open(p, Flags(b), Octal(c));
            if (fd < 0) return strerrorname_np(errno);
            fds_.push_back(fd);
            return "#" + std::to_string(fds_.size() - 1);
        }
        // The rest name a descriptor by its number in the script; "#99" is one never opened.
        const std::size_t n = std::stoul(a.substr(1));
        const int fd = n < fds_.size() ? fds_[n] : 999;
        if (op == "close") return Outcome(disk_ ? ::close(fd) : memory::Close(fd));
        if (op == "fstat") return Described(disk_ ? ::fstat(fd, &st) : memory::Fstat(fd, &st), st);
        if (op == "chmod") return Outcome(disk_ ? ::fchmod(fd, Octal(b)) : memory::Fchmod(fd, Octal(b)));
        if (op == "truncate") {
            return Outcome(disk_ ? ::ftruncate(fd, std::stol(b)) : memory::Ftruncate(fd, std::stol(b)));
        }
        if (op == "write") {
            const ssize_t r = disk_ ? ::pwrite(fd, c.data(), c.size(), std::stol(b))
                                    : memory::Pwrite(fd, c.data(), c.size(), std::stol(b));
            return r < 0 ? strerrorname_np(errno) : std::to_string(r);
        }
        if (op == "read") {
            std::string bytes(std::stoul(c), '\0');
            const ssize_t r = disk_ ? ::pread(fd, bytes.data(), bytes.size(), std::stol(b))
                                    : memory::Pread(fd, bytes.data(), bytes.size(), std::stol(b));
            if (r < 0) return strerrorname_np(errno);
            bytes.resize(static_cast<std::size_t>(r));
            std::replace(bytes.begin(), bytes.end(), '\0', '.');
            return "'" + bytes + "'";
        }
        return "bad script line: " + line;
    }

private:
    static mode_t Octal(const std::string& text) {
        return text.empty() ? 0 : static_cast<mode_t>(std::stoul(text, nullptr, 8));
    }
    static int Flags(const std::string& text) {
        int flags = text.starts_with("rw") ? O_RDWR : text.starts_with("w") ? O_WRONLY : O_RDONLY;
        for (const auto& [name, flag] : {std::pair{"creat", O_CREAT}, {"excl", O_EXCL}, {"trunc", O_TRUNC},
                                         {"nofollow", O_NOFOLLOW}, {"dir", O_DIRECTORY}}) {
            if (text.find(name) != std::string::npos) flags |= flag;
        }
        return flags;
    }
    static std::string Outcome(long result) { return result < 0 ? strerrorname_np(errno) : "ok"; }
    static std::string Described(int result, const struct stat& st) {
        if (result < 0) return strerrorname_np(errno);
        char text[64];
        const unsigned perm = st.st_mode & 07777, links = static_cast<unsigned>(st.st_nlink);
        if (S_ISLNK(st.st_mode)) return "link";
        if (S_ISDIR(st.st_mode)) {
            std::snprintf(text, sizeof text, "folder %o links %u", perm, links);
        } else {
            std::snprintf(text, sizeof text, "file %o size %ld links %u", perm, static_cast<long>(st.st_size), links);
        }
        return text;
    }

    bool disk_;
    std::string root_;
    std::vector<int> fds_;
};

constexpr uid_t kNobody = 65534;

// The script's outcomes on the disk, from a child process that gives up root first (root ignores
// permission bits); nothing when it could not.
std::optional<std::vector<std::string>> OnDisk(const std::vector<Step>& script) {
    test::TempFolder folder;
    std::string root = folder.Path();
    root.pop_back();
    const bool root_user = geteuid() == 0;
    if (root_user && ::chown(root.c_str(), kNobody, kNobody) != 0) return std::nullopt;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        ::umask(022);
        const bool user =
            !root_user || (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0);
        std::string out;
        Runner runner(root);
        for (const Step& step : script) out += runner.Run(step.line) + "\n";
        if (user) (void)!::write(pipeFds[1], out.data(), out.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string all;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        all.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    std::vector<std::string> outcomes;
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) outcomes.push_back(line);
    if (outcomes.size() != script.size()) return std::nullopt;
    return outcomes;
}

// Every step gives what the table says in memory, and on the disk too (which keeps the table honest).
void CheckScript(const std::vector<Step>& script) {
    const auto disk = OnDisk(script);
    if (!disk) std::fprintf(stderr, "note: no user other than root here, the script ran in memory only\n");
    memory::Reset();
    Runner memory;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const std::string& line = script[i].line;
        EXPECT_EQ(memory.Run(line), script[i].expected) << "in memory, step " << i << ": " << line;
        if (disk) {
            EXPECT_EQ((*disk)[i], script[i].expected) << "on the disk, step " << i << ": " << line;
        }
    }
}

TEST(MemoryFiles, BehaveAsTheDisk) {
    std::vector<Step> script = {
        // Files, folders and the path walk
        {"mkdir /d 755", "ok"}, {"mkdir /d 700", "EEXIST"}, {"mkdir /d/sub/ 777", "ok"}, {"mkdir /d/. 755", "EEXIST"},
        {"stat /d", "folder 755 links 3"}, {"open /d/f rw,creat 666", "#0"}, {"write #0 0 hello", "5"},
        {"write #0 8 !", "1"}, {"read #0 0 20", "'hello...!'"}, {"read #0 9 4", "''"}, {"read #0 -1 4", "EINVAL"},
        {"stat /d/f", "file 644 size 9 links 1"}, {"truncate #0 2", "ok"}, {"truncate #0 4", "ok"},
        {"read #0 0 20", "'he..'"}, {"truncate #0 -1", "EINVAL"}, {"open /d/f r", "#1"}, {"write #1 0 x", "EBADF"},
        {"truncate #1 0", "EINVAL"}, {"open /d/f w,trunc", "#2"}, {"read #2 0 1", "EBADF"},
        {"fstat #0", "file 644 size 0 links 1"}, {"close #2", "ok"}, {"close #2", "EBADF"}, {"fstat #99", "EBADF"},
        {"stat /d/f/", "ENOTDIR"}, {"stat /d/f/x", "ENOTDIR"}, {"stat /d/none/x", "ENOENT"}, {"stat ''", "ENOENT"},
        {"stat //d/./sub/..//f", "file 644 size 0 links 1"}, {"stat /d/sub///", "folder 755 links 2"},
        // Opening and creating
        {"open /d/f w,creat,excl 644", "EEXIST"}, {"open /d/g r", "ENOENT"}, {"open /d/new/ w,creat 644", "EISDIR"},
        {"open /d/f/ r", "ENOTDIR"}, {"open /d r", "#3"}, {"read #3 0 1", "EISDIR"}, {"open /d w", "EISDIR"},
        {"open /d r,creat 644", "EISDIR"}, {"open /d/. r,creat,excl 644", "EEXIST"}, {"open /d r,trunc", "EISDIR"},
        {"open /d/f r,dir", "ENOTDIR"}, {"open /d/. r,dir", "#4"}, {"open /d r,dir,creat 644", "EINVAL"},
        // Links: relative, absolute, to a folder, dangling, in a loop
        {"symlink f /d/rel", "ok"}, {"symlink /d/f /d/abs", "ok"}, {"symlink /d /top", "ok"},
        {"symlink missing /d/dangling", "ok"}, {"symlink x /d/f", "EEXIST"}, {"symlink x /d/dangling", "EEXIST"},
        {"symlink x /d/new/", "ENOENT"}, {"symlink '' /d/empty", "ENOENT"}, {"lstat /d/rel", "link"},
        {"stat /d/rel", "file 644 size 0 links 1"}, {"stat /top/abs", "file 644 size 0 links 1"},
        {"lstat /top", "link"}, {"lstat /top/", "folder 755 links 3"}, {"lstat /d/rel/", "ENOTDIR"},
        {"stat /d/dangling", "ENOENT"}, {"lstat /d/dangling", "link"}, {"open /d/rel r,nofollow", "ELOOP"},
        {"open /top r,nofollow,dir", "ENOTDIR"}, {"open /top/ r,nofollow", "#5"},
        {"open /d/dangling w,creat,excl 644", "EEXIST"}, {"open /d/dangling w,creat,nofollow 644", "ELOOP"},
        {"open /d/dangling w,creat 600", "#6"}, {"stat /d/missing", "file 600 size 0 links 1"},
        {"ls /top/", "abs dangling f missing rel sub"}, {"ls /d/f", "ENOTDIR"}, {"ls /none", "ENOENT"},
        {"symlink loop /loop", "ok"}, {"stat /loop/x", "ELOOP"}, {"lstat /loop", "link"},
        {"open /loop w,creat 644", "ELOOP"}, {"access /loop", "ELOOP"}, {"access /d/rel r", "ok"},
        {"access /d/rel x", "EACCES"},
        // Renames replace the entry at the target, a link's own included
        {"rename /d/abs /d/rel", "ok"}, {"lstat /d/abs", "ENOENT"}, {"stat /d/rel", "file 644 size 0 links 1"},
        {"rename /d/missing /top", "ok"}, {"stat /top", "file 600 size 0 links 1"}, {"stat /d", "folder 755 links 3"},
        {"rename /d/f /d/sub", "EISDIR"}, {"rename /d/sub /d/f", "ENOTDIR"}, {"mkdir /e 755", "ok"},
        {"mkdir /e/inner 755", "ok"}, {"rename /d/sub /e", "ENOTEMPTY"}, {"rename /e /e/inner/x", "EINVAL"},
        {"rename /e/inner /e", "ENOTEMPTY"}, {"rename /d/sub /e/inner", "ok"}, {"stat /d", "folder 755 links 2"},
        {"rename /d/f /d/f", "ok"}, {"rename /d/f/ /d/g", "ENOTDIR"}, {"rename /d/none /d/g", "ENOENT"},
        {"rename /d/. /x", "EBUSY"}, {"rename /e/inner/ /d/moved/", "ok"}, {"ls /e", ""},
        // Open files outlive their names
        {"write #0 0 kept", "4"}, {"unlink /d/f", "ok"}, {"read #0 0 9", "'kept'"},
        {"fstat #0", "file 644 size 4 links 0"}, {"stat /d/rel", "ENOENT"}, {"unlink /d/f", "ENOENT"},
        {"unlink /d", "EISDIR"}, {"unlink /d/rel/", "ENOTDIR"}, {"unlink /d/moved/", "EISDIR"}, {"unlink /d/rel", "ok"},
        {"open /d/a rw,creat 644", "#7"}, {"write #7 0 aaa", "3"}, {"open /d/b rw,creat 644", "#8"},
        {"write #8 0 bb", "2"}, {"rename /d/b /d/a", "ok"}, {"read #7 0 9", "'aaa'"},
        {"fstat #7", "file 644 size 3 links 0"},
        {"stat /d/a", "file 644 size 2 links 1"}, {"chmod #7 4755", "ok"}, {"fstat #7", "file 4755 size 3 links 0"},
        {"mkdir /c0 755", "ok"},
    };
    // 40 links on the way are allowed, the 41st is a loop.
    for (int i = 1; i <= 41; ++i) {
        script.push_back({"symlink c" + std::to_string(i - 1) + " /c" + std::to_string(i), "ok"});
    }
    script.insert(script.end(), {{"stat /c40", "folder 755 links 2"}, {"stat /c41", "ELOOP"},
                                 {"open /c40/x w,creat 644", "#9"}, {"open /c41/x w,creat 644", "ELOOP"}});
    CheckScript(script);
}

TEST(MemoryFiles, PermissionBitsCountAsForAUserWhoIsNotRoot) {
    CheckScript({
        {"mkdir /w 755", "ok"}, {"open /w/file rw,creat 644", "#0"}, {"mkdir /w/sub 755", "ok"},
        {"symlink /w/made /w/dangling", "ok"}, {"mkdir /x 755", "ok"}, {"open /w r,dir", "#1"},
        // A folder without write permission: no entries made or removed, existing ones open
        {"chmod #1 555", "ok"}, {"open /w/new w,creat 644", "EACCES"}, {"open /w/dangling w,creat 644", "EACCES"},
        {"open /w/file rw,creat 644", "#2"}, {"open /w/file w,creat,excl 644", "EEXIST"}, {"mkdir /w/sub 755", "EEXIST"},
        {"mkdir /w/new 755", "EACCES"}, {"symlink x /w/new", "EACCES"}, {"unlink /w/file", "EACCES"},
        {"unlink /w/sub", "EACCES"}, {"rename /w/file /x/file", "EACCES"}, {"rename /x /w/x", "EACCES"},
        {"rename /w/file /w/file", "ok"}, {"chmod #1 755", "ok"},
        // Files by their owner bits; a file just created opens as asked whatever its mode
        {"chmod #0 200", "ok"}, {"open /w/file r", "EACCES"}, {"open /w/file w", "#3"}, {"access /w/file w", "ok"},
        {"access /w/file r", "EACCES"}, {"chmod #0 400", "ok"}, {"open /w/file w", "EACCES"},
        {"open /w/file r,trunc", "EACCES"}, {"open /w/file r", "#4"}, {"access /w/file rw", "EACCES"},
        {"open /w/made rw,creat 444", "#5"}, {"write #5 0 ok", "2"}, {"open /w/made rw", "EACCES"},
        {"stat /w/made", "file 444 size 2 links 1"},
        // Folders: search permission to look inside, read permission to list
        {"mkdir /w/sub/deep 755", "ok"}, {"open /w/sub r,dir", "#6"}, {"chmod #6 600", "ok"},
        {"stat /w/sub/deep", "EACCES"}, {"stat /w/sub/none", "EACCES"}, {"ls /w/sub", "deep"},
        {"access /w/sub x", "EACCES"}, {"open /w/sub/x w,creat 644", "EACCES"}, {"chmod #6 300", "ok"},
        {"ls /w/sub", "EACCES"}, {"stat /w/sub/deep", "folder 755 links 2"},
        // A folder changes parent only when writable itself: its ".." changes
        {"chmod #6 555", "ok"}, {"rename /w/sub /x/sub", "EACCES"}, {"rename /w/sub /w/sub2", "ok"},
        {"chmod #6 755", "ok"}, {"rename /w/sub2 /x/sub", "ok"}, {"ls /x/sub", "deep"},
    });
}

TEST(MemoryFiles, DescriptorsNumbersTimesAndLimits) {
    memory::Reset();
    const time_t before = std::time(nullptr);
    ASSERT_EQ(memory::Mkdir("/d", 0755), 0);
    const int a = memory::Open("/d/a", O_CREAT | O_RDWR, 0644), b = memory::Open("/d/b", O_CREAT | O_RDWR, 0644);
    EXPECT_EQ(a, 3);  // the lowest free number after the standard streams'
    EXPECT_EQ(b, 4);
    struct stat sa {}, sb {}, root {};
    ASSERT_EQ(memory::Fstat(a, &sa), 0);
    ASSERT_EQ(memory::Fstat(b, &sb), 0);
    EXPECT_NE(sa.st_ino, sb.st_ino);
    EXPECT_EQ(sa.st_uid, getuid());
    EXPECT_GE(sa.st_mtime, before);
    EXPECT_LE(sa.st_mtime, std::time(nullptr));
    ASSERT_EQ(memory::Stat("/../d/..", &root), 0);  // ".." of the root is the root
    EXPECT_EQ(root.st_mode, S_IFDIR | 0755);
    ASSERT_EQ(memory::Close(a), 0);
    EXPECT_EQ(memory::Open("/d/a", O_RDONLY, 0), 3);
    ASSERT_EQ(memory::Symlink("/d/a", "/d/link"), 0);
    ASSERT_EQ(memory::Lstat(std::string("/d/link") + '\0' + "/junk", &sa), 0);  // the path ends at a zero byte
    EXPECT_EQ(sa.st_size, 4);

    // Names and paths as long as Linux takes them.
    EXPECT_EQ(memory::Mkdir("/d/" + std::string(255, 'n'), 0755), 0);
    EXPECT_EQ(memory::Mkdir("/d/" + std::string(256, 'n'), 0755), -1);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(memory::Stat("/" + std::string(4095, '/'), &sa), -1);
    EXPECT_EQ(errno, ENAMETOOLONG);

    // A full disk: a write is cut short, then refused; a file too large is refused at once.
    const int big = memory::Open("/d/big", O_CREAT | O_RDWR, 0644);
    const int more = memory::Open("/d/more", O_CREAT | O_RDWR, 0644);
    EXPECT_EQ(memory::Pwrite(big, "x", 1, off_t{64} << 20), -1);
    EXPECT_EQ(errno, EFBIG);
    ASSERT_EQ(memory::Ftruncate(big, (off_t{64} << 20) - 5), 0);
    EXPECT_EQ(memory::Pwrite(more, "0123456789", 10, 0), 5);
    EXPECT_EQ(memory::Pwrite(more, "x", 1, 5), -1);
    EXPECT_EQ(errno, ENOSPC);
    ASSERT_EQ(memory::Unlink("/d/big"), 0);
    EXPECT_EQ(memory::Pwrite(more, "x", 1, 5), -1);  // still open: its bytes are still held
    ASSERT_EQ(memory::Close(big), 0);
    EXPECT_EQ(memory::Pwrite(more, "x", 1, 5), 1);

    // Out of descriptors: nothing is created.
    while (memory::Open("/d", O_RDONLY, 0) >= 0) {
    }
    EXPECT_EQ(errno, EMFILE);
    EXPECT_EQ(memory::Open("/d/never", O_CREAT | O_RDWR, 0644), -1);
    EXPECT_EQ(memory::Stat("/d/never", &sa), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(memory::Fstat(1023, &sa), 0);

    memory::Reset();  // closes everything and empties the tree
    EXPECT_EQ(memory::Fstat(3, &sa), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(memory::Stat("/d", &sa), -1);
}

// The calls of system_calls.h after the switch, on paths that cannot be made on the disk.
bool RoutedThroughMemory() {
    UseMemoryFiles();
    if (!UsingMemoryFiles() || Mkdir("/proc", 0755) != 0 || Mkdir("/proc/vesk", 0755) != 0) return false;
    const int fd = Open("/proc/vesk/f", O_CREAT | O_RDWR | O_EXCL, 0644);
    char byte = 0;
    std::vector<std::string> names;
    return fd >= 0 && Pwrite(fd, "v", 1, 0) == 1 && Pread(fd, &byte, 1, 0) == 1 && byte == 'v' &&
           Rename("/proc/vesk/f", "/proc/vesk/g") == 0 && ListFolder("/proc/vesk", names) &&
           names == std::vector<std::string>{"g"} && Close(fd) == 0;
}

TEST(MemoryFilesDeathTest, UseMemoryFilesRoutesEveryCall) {
    // In a child process: the switch is for good.
    EXPECT_EXIT(std::_Exit(RoutedThroughMemory() ? 0 : 1), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vesk::sys

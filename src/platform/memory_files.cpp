#include "platform/memory_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

// The checks follow the order of Linux's path walk and system calls, so that a path that is wrong
// in two ways fails with the same errno as on the disk: lookup permission on each folder before
// its entry, EEXIST before EACCES when creating, EISDIR before EACCES when opening a folder.
namespace vesk::sys::memory {
namespace {

// A small disk: a fuzz input that asks for more gets the errors of a full or limited one.
constexpr std::size_t kMaxBytes = std::size_t{64} << 20;  // all contents together, and any one file
constexpr std::size_t kMaxNodes = 65536;                  // then ENOSPC, as a file system out of inodes
constexpr int kFirstFd = 3;                               // 0-2 are the standard streams'
constexpr int kFdLimit = 1024;                            // the usual RLIMIT_NOFILE
constexpr int kMaxLinks = 40;                             // MAXSYMLINKS, per lookup
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kPathMax = 4096;  // counting the terminating zero
constexpr std::size_t kMaxIo = 0x7ffff000;  // MAX_RW_COUNT: longer reads and writes are cut
constexpr mode_t kUmask = 022;

// Plain counters, so that nodes freed at exit can still update them.
std::size_t bytesInUse = 0;
std::size_t nodesInUse = 0;

enum class Kind { File, Folder, Link };

struct Node : std::enable_shared_from_this<Node> {
    Node(Kind k, mode_t p, ino_t i) : kind(k), perm(p), ino(i) { ++nodesInUse; }
    ~Node() {
        bytesInUse -= data.size();
        --nodesInUse;
    }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    Kind kind;
    mode_t perm;
    ino_t ino;
    timespec mtime{}, ctime{};
    bool linked = true;                                                   // false once unlinked or replaced
    std::vector<std::uint8_t> data;                                       // File
    std::string text;                                                     // Link
    std::map<std::string, std::shared_ptr<Node>, std::less<>> entries;  // Folder
    Node* parent = nullptr;  // Folder: the one holding it (the root's is itself)
};

struct OpenFile {
    std::shared_ptr<Node> node;  // null: a free descriptor
    bool read = false, write = false, append = false;
};

timespec Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

void Touch(Node& node) { node.mtime = node.ctime = Now(); }

// Frees a tree a folder at a time: a deep one would overflow the stack in the destructors.
void Dismantle(std::shared_ptr<Node> top) {
    std::vector<std::shared_ptr<Node>> pending;
    if (top) pending.push_back(std::move(top));
    while (!pending.empty()) {
        std::shared_ptr<Node> node = std::move(pending.back());
        pending.pop_back();
        for (auto& entry : node->entries) pending.push_back(std::move(entry.second));
        node->entries.clear();
    }
}

struct Tree {
    Tree() { Reset(); }
    ~Tree() {
        fds.clear();
        Dismantle(std::move(root));
    }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    void Reset() {
        fds.clear();
        Dismantle(std::move(root));
        nextIno = 2;
        root = std::make_shared<Node>(Kind::Folder, 0755, nextIno++);
        root->parent = root.get();
        Touch(*root);
    }

    std::shared_ptr<Node> root;
    std::vector<OpenFile> fds;  // descriptor kFirstFd + i
    ino_t nextIno = 2;
};

Tree& TheTree() {
    static Tree tree;
    return tree;
}

int Fail(int errnum) {
    errno = errnum;
    return -1;
}

bool Allows(const Node& node, mode_t bits) { return (node.perm & bits) == bits; }

// A path as the kernel sees it: up to its first zero byte.
std::string_view CPath(const std::string& path) { return std::string_view(path.c_str()); }

int CheckPath(std::string_view path) {
    if (path.empty()) return ENOENT;
    if (path.size() >= kPathMax) return ENAMETOOLONG;
    return 0;
}

// The final component of a path, and the folder that holds it.
struct Last {
    enum Type { Normal, Dot, DotDot, Root };
    Node* parent = nullptr;
    std::string_view name;
    Type type = Normal;
    bool slash = false;  // the path ends in "/": whatever is found must be a folder
};

Node* DotsTarget(const Last& last) {
    if (last.type == Last::Root) return TheTree().root.get();
    return last.type == Last::Dot ? last.parent : last.parent->parent;
}

int Lookup(const Node& folder, std::string_view name, Node*& found) {
    if (name.size() > kNameMax) return ENAMETOOLONG;
    const auto it = folder.entries.find(name);
    found = it == folder.entries.end() ? nullptr : it->second.get();
    return 0;
}

int Resolve(Node* at, std::string_view path, bool followLast, int& links, Node*& found);

// Resolves the text of `link`, found in folder `at`, to what it finally names.
int Follow(const Node& link, Node* at, int& links, Node*& found) {
    if (++links > kMaxLinks) return ELOOP;
    return Resolve(at, link.text, true, links, found);
}

// Walks every component but the last, following links on the way. Like Linux, it needs search
// permission on every folder whose entries it looks at, the last one's holder included.
int WalkParent(Node* at, std::string_view path, int& links, Last& last) {
    if (path.starts_with('/')) at = TheTree().root.get();
    std::size_t i = path.find_first_not_of('/');
    if (i == std::string_view::npos) {
        last = Last{at, {}, Last::Root, false};
        return 0;
    }
    for (;;) {
        const std::size_t end = std::min(path.find('/', i), path.size());
        const std::string_view name = path.substr(i, end - i);
        i = std::min(path.find_first_not_of('/', end), path.size());
        if (!Allows(*at, S_IXUSR)) return EACCES;
        if (i == path.size()) {
            const Last::Type type = name == "." ? Last::Dot : name == ".." ? Last::DotDot : Last::Normal;
            last = Last{at, name, type, end < path.size()};
            return 0;
        }
        if (name == ".") continue;
        if (name == "..") {
            at = at->parent;
            continue;
        }
        Node* next = nullptr;
        if (int e = Lookup(*at, name, next)) return e;
        if (!next) return ENOENT;
        if (next->kind == Kind::Link) {
            if (int e = Follow(*next, at, links, next)) return e;
        }
        if (next->kind != Kind::Folder) return ENOTDIR;
        at = next;
    }
}

// The node a whole path names; a final link is followed when asked to or when a "/" ends the path.
int Resolve(Node* at, std::string_view path, bool followLast, int& links, Node*& found) {
    Last last;
    if (int e = WalkParent(at, path, links, last)) return e;
    Node* node = nullptr;
    if (last.type != Last::Normal) {
        node = DotsTarget(last);
    } else {
        if (int e = Lookup(*last.parent, last.name, node)) return e;
        if (!node) return ENOENT;
        if (node->kind == Kind::Link && (followLast || last.slash)) {
            if (int e = Follow(*node, last.parent, links, node)) return e;
        }
    }
    if (last.slash && node->kind != Kind::Folder) return ENOTDIR;
    found = node;
    return 0;
}

int ResolvePath(const std::string& pathArg, bool followLast, Node*& found) {
    const std::string_view path = CPath(pathArg);
    if (int e = CheckPath(path)) return e;
    int links = 0;
    return Resolve(TheTree().root.get(), path, followLast, links, found);
}

int WalkPath(std::string_view path, Last& last) {
    if (int e = CheckPath(path)) return e;
    int links = 0;
    return WalkParent(TheTree().root.get(), path, links, last);
}

// A new entry in `folder`; the caller has checked that the name is free and may be added.
int AddNode(Node& folder, std::string_view name, Kind kind, mode_t perm, Node*& added) {
    if (nodesInUse >= kMaxNodes) return ENOSPC;
    Tree& tree = TheTree();
    auto node = std::make_shared<Node>(kind, perm, tree.nextIno++);
    if (kind == Kind::Folder) node->parent = &folder;
    Touch(*node);
    Touch(folder);
    added = node.get();
    folder.entries.emplace(std::string(name), std::move(node));
    return 0;
}

// Takes an entry out of its folder; open descriptors keep the node.
std::shared_ptr<Node> Detach(Node& folder, std::string_view name) {
    const auto it = folder.entries.find(name);
    std::shared_ptr<Node> node = std::move(it->second);
    folder.entries.erase(it);
    node->linked = false;
    if (node->kind == Kind::Folder) node->parent = nullptr;
    node->ctime = Now();
    Touch(folder);
    return node;
}

// The checks shared by Mkdir and Symlink, up to the folder's write permission.
int PrepareCreate(const std::string& pathArg, bool folder, Last& last) {
    if (int e = WalkPath(CPath(pathArg), last)) return e;
    if (last.type != Last::Normal) return EEXIST;
    Node* existing = nullptr;
    if (int e = Lookup(*last.parent, last.name, existing)) return e;
    if (existing) return EEXIST;
    if (last.slash && !folder) return ENOENT;
    if (!Allows(*last.parent, S_IWUSR | S_IXUSR)) return EACCES;
    return 0;
}

// The open descriptor, or null (errno EBADF).
OpenFile* Descriptor(int fd) {
    std::vector<OpenFile>& fds = TheTree().fds;
    const long i = static_cast<long>(fd) - kFirstFd;
    if (i < 0 || i >= static_cast<long>(fds.size()) || !fds[static_cast<std::size_t>(i)].node) {
        errno = EBADF;
        return nullptr;
    }
    return &fds[static_cast<std::size_t>(i)];
}

// Grows or shrinks a file's content; ENOSPC when the disk's bytes would run out.
int Resize(Node& file, std::size_t size) {
    if (size > file.data.size() && size - file.data.size() > kMaxBytes - bytesInUse) return ENOSPC;
    bytesInUse = bytesInUse - file.data.size() + size;
    file.data.resize(size);
    if (file.data.capacity() > 2 * size + 4096) file.data.shrink_to_fit();
    return 0;
}

// The checks every read and write at an offset makes before looking at the file.
int CheckIo(std::size_t count, off_t offset) {
    if (count > static_cast<std::size_t>(SSIZE_MAX)) return EINVAL;
    if (static_cast<std::uint64_t>(offset) + count > static_cast<std::uint64_t>(LLONG_MAX)) return EINVAL;
    return 0;
}

bool IsAncestorOrSelf(const Node* ancestor, const Node* node) {
    const Node* root = TheTree().root.get();
    for (;; node = node->parent) {
        if (node == ancestor) return true;
        if (node == root) return false;
    }
}

void Fill(const Node& node, struct stat* st) {
    std::memset(st, 0, sizeof *st);
    st->st_dev = 1;
    st->st_ino = node.ino;
    st->st_uid = getuid();
    st->st_gid = getgid();
    st->st_blksize = 4096;
    st->st_mtim = st->st_atim = node.mtime;
    st->st_ctim = node.ctime;
    switch (node.kind) {
    case Kind::File:
        st->st_mode = S_IFREG | node.perm;
        st->st_nlink = node.linked ? 1 : 0;
        st->st_size = static_cast<off_t>(node.data.size());
        st->st_blocks = static_cast<blkcnt_t>((node.data.size() + 4095) / 4096 * 8);
        break;
    case Kind::Folder:
        st->st_mode = S_IFDIR | node.perm;
        // Its entry in the parent, its ".", and the ".." of each subfolder.
        st->st_nlink = 0;
        if (node.linked) {
            st->st_nlink = 2;
            for (const auto& entry : node.entries) st->st_nlink += entry.second->kind == Kind::Folder ? 1 : 0;
        }
        st->st_size = 4096;
        st->st_blocks = 8;
        break;
    case Kind::Link:
        st->st_mode = S_IFLNK | 0777;
        st->st_nlink = 1;
        st->st_size = static_cast<off_t>(node.text.size());
        break;
    }
}

}  // namespace

void Reset() { TheTree().Reset(); }

int Open(const std::string& pathArg, int flags, mode_t mode) {
    // Linux refuses the pair since 6.4; before, it was a confusing mix of both meanings.
    if ((flags & O_CREAT) && (flags & O_DIRECTORY)) return Fail(EINVAL);
    const std::string_view path = CPath(pathArg);
    if (int e = CheckPath(path)) return Fail(e);

    // The descriptor is taken before the walk: with none free, nothing is created.
    Tree& tree = TheTree();
    std::size_t slot = 0;
    while (slot < tree.fds.size() && tree.fds[slot].node) ++slot;
    if (slot >= static_cast<std::size_t>(kFdLimit - kFirstFd)) return Fail(EMFILE);

    const int access = flags & O_ACCMODE;  // 3 asks for both permissions and gives neither
    const bool mayRead = access != O_WRONLY;
    const bool mayWrite = access != O_RDONLY || (flags & O_TRUNC);
    const bool create = flags & O_CREAT;
    const bool exclusive = create && (flags & O_EXCL);
    bool follow = !(flags & O_NOFOLLOW) && !exclusive;
    bool mustBeFolder = flags & O_DIRECTORY;

    // A final link is followed by walking its text in turn, whose last component is again
    // opened (and created) by these rules: O_CREAT through a dangling link makes its target.
    int links = 0;
    Node* at = tree.root.get();
    std::string_view rest = path;
    Node* node = nullptr;
    bool created = false;
    for (;;) {
        Last last;
        if (int e = WalkParent(at, rest, links, last)) return Fail(e);
        if (last.type != Last::Normal) {
            node = DotsTarget(last);
            break;
        }
        if (last.slash) {
            if (create) return Fail(EISDIR);
            follow = mustBeFolder = true;
        }
        if (int e = Lookup(*last.parent, last.name, node)) return Fail(e);
        if (!node) {
            if (!create) return Fail(ENOENT);
            if (!Allows(*last.parent, S_IWUSR | S_IXUSR)) return Fail(EACCES);
            if (int e = AddNode(*last.parent, last.name, Kind::File, mode & 07777 & ~kUmask, node)) return Fail(e);
            created = true;
            break;
        }
        if (node->kind != Kind::Link || !follow) break;
        if (++links > kMaxLinks) return Fail(ELOOP);
        at = last.parent;
        rest = node->text;
    }

    if (create) {
        if (exclusive && !created) return Fail(EEXIST);
        if (node->kind == Kind::Folder) return Fail(EISDIR);
    }
    if (mustBeFolder && node->kind != Kind::Folder) return Fail(ENOTDIR);
    // A file this call created opens with the access asked for, whatever its mode says.
    if (!created) {
        if (node->kind == Kind::Link) return Fail(ELOOP);
        if (node->kind == Kind::Folder && mayWrite) return Fail(EISDIR);
        if ((mayRead && !Allows(*node, S_IRUSR)) || (mayWrite && !Allows(*node, S_IWUSR))) return Fail(EACCES);
        if ((flags & O_TRUNC) && node->kind == Kind::File) {
            Resize(*node, 0);
            Touch(*node);
        }
    }

    if (slot == tree.fds.size()) tree.fds.emplace_back();
    tree.fds[slot] = OpenFile{node->shared_from_this(), access == O_RDONLY || access == O_RDWR,
                              access == O_WRONLY || access == O_RDWR, (flags & O_APPEND) != 0};
    return kFirstFd + static_cast<int>(slot);
}

int Close(int fd) {
    OpenFile* file = Descriptor(fd);
    if (!file) return -1;
    *file = OpenFile{};
    return 0;
}

ssize_t Pread(int fd, void* buffer, std::size_t count, off_t offset) {
    if (offset < 0) return Fail(EINVAL);
    const OpenFile* file = Descriptor(fd);
    if (!file) return -1;
    if (!file->read) return Fail(EBADF);
    if (int e = CheckIo(count, offset)) return Fail(e);
    const Node& node = *file->node;
    if (node.kind == Kind::Folder) return Fail(EISDIR);
    const auto at = static_cast<std::size_t>(offset);
    if (at >= node.data.size()) return 0;
    const std::size_t n = std::min({count, kMaxIo, node.data.size() - at});
    std::memcpy(buffer, node.data.data() + at, n);
    return static_cast<ssize_t>(n);
}

ssize_t Pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    if (offset < 0) return Fail(EINVAL);
    const OpenFile* file = Descriptor(fd);
    if (!file) return -1;
    if (!file->write) return Fail(EBADF);
    if (int e = CheckIo(count, offset)) return Fail(e);
    if (count == 0) return 0;
    Node& node = *file->node;
    // As on Linux, O_APPEND makes every pwrite append, whatever the offset.
    std::size_t at = file->append ? node.data.size() : static_cast<std::size_t>(offset);
    if (at >= kMaxBytes) return Fail(EFBIG);
    // Short writes up to the largest file and then up to the free space, as a disk does.
    std::size_t end = at + std::min({count, kMaxIo, kMaxBytes - at});
    if (end > node.data.size()) {
        end = std::min(end, node.data.size() + (kMaxBytes - bytesInUse));
        if (end <= at) return Fail(ENOSPC);
        Resize(node, end);
    }
    std::memcpy(node.data.data() + at, buffer, end - at);
    Touch(node);
    return static_cast<ssize_t>(end - at);
}

int Fstat(int fd, struct stat* st) {
    const OpenFile* file = Descriptor(fd);
    if (!file) return -1;
    Fill(*file->node, st);
    return 0;
}

int Lstat(const std::string& path, struct stat* st) {
    Node* node = nullptr;
    if (int e = ResolvePath(path, false, node)) return Fail(e);
    Fill(*node, st);
    return 0;
}

int Stat(const std::string& path, struct stat* st) {
    Node* node = nullptr;
    if (int e = ResolvePath(path, true, node)) return Fail(e);
    Fill(*node, st);
    return 0;
}

int Ftruncate(int fd, off_t length) {
    if (length < 0) return Fail(EINVAL);
    const OpenFile* file = Descriptor(fd);
    if (!file) return -1;
    if (!file->write || file->node->kind != Kind::File) return Fail(EINVAL);
    if (static_cast<std::uint64_t>(length) > kMaxBytes) return Fail(EFBIG);
    if (int e = Resize(*file->node, static_cast<std::size_t>(length))) return Fail(e);
    Touch(*file->node);
    return 0;
}

int Fchmod(int fd, mode_t mode) {
    const OpenFile* file = Descriptor(fd);
    if (!file) return -1;
    file->node->perm = mode & 07777;
    file->node->ctime = Now();
    return 0;
}

int Rename(const std::string& fromArg, const std::string& toArg) {
    Last from, to;
    if (int e = WalkPath(CPath(fromArg), from)) return Fail(e);
    if (int e = WalkPath(CPath(toArg), to)) return Fail(e);
    if (from.type != Last::Normal || to.type != Last::Normal) return Fail(EBUSY);
    Node* source = nullptr;
    Node* target = nullptr;
    if (int e = Lookup(*from.parent, from.name, source)) return Fail(e);
    if (!source) return Fail(ENOENT);
    if (int e = Lookup(*to.parent, to.name, target)) return Fail(e);
    const bool folder = source->kind == Kind::Folder;
    if (!folder && (from.slash || to.slash)) return Fail(ENOTDIR);
    if (from.parent != to.parent) {
        if (folder && IsAncestorOrSelf(source, to.parent)) return Fail(EINVAL);
        if (target && IsAncestorOrSelf(target, from.parent)) return Fail(ENOTEMPTY);
    }
    if (source == target) return 0;
    if (!Allows(*from.parent, S_IWUSR | S_IXUSR) || !Allows(*to.parent, S_IWUSR | S_IXUSR)) return Fail(EACCES);
    if (target) {
        if (folder && target->kind != Kind::Folder) return Fail(ENOTDIR);
        if (!folder && target->kind == Kind::Folder) return Fail(EISDIR);
    }
    // A folder that changes parent needs its own write permission: its ".." changes.
    if (folder && from.parent != to.parent && !Allows(*source, S_IWUSR)) return Fail(EACCES);
    if (target && target->kind == Kind::Folder && !target->entries.empty()) return Fail(ENOTEMPTY);

    if (target) Detach(*to.parent, to.name);
    std::shared_ptr<Node> moving = Detach(*from.parent, from.name);
    moving->linked = true;
    if (folder) moving->parent = to.parent;
    Touch(*to.parent);
    to.parent->entries.emplace(std::string(to.name), std::move(moving));
    return 0;
}

int Unlink(const std::string& path) {
    Last last;
    if (int e = WalkPath(CPath(path), last)) return Fail(e);
    if (last.type != Last::Normal) return Fail(EISDIR);
    Node* victim = nullptr;
    if (int e = Lookup(*last.parent, last.name, victim)) return Fail(e);
    if (!victim) return Fail(ENOENT);
    if (last.slash) return Fail(victim->kind == Kind::Folder ? EISDIR : ENOTDIR);
    if (!Allows(*last.parent, S_IWUSR | S_IXUSR)) return Fail(EACCES);
    if (victim->kind == Kind::Folder) return Fail(EISDIR);
    Detach(*last.parent, last.name);
    return 0;
}

int Access(const std::string& path, int mode) {
    if (mode & ~(R_OK | W_OK | X_OK)) return Fail(EINVAL);
    Node* node = nullptr;
    if (int e = ResolvePath(path, true, node)) return Fail(e);
    const mode_t wanted = ((mode & R_OK) ? S_IRUSR : 0) | ((mode & W_OK) ? S_IWUSR : 0) | ((mode & X_OK) ? S_IXUSR : 0);
    return Allows(*node, wanted) ? 0 : Fail(EACCES);
}

int Mkdir(const std::string& path, mode_t mode) {
    Last last;
    if (int e = PrepareCreate(path, true, last)) return Fail(e);
    Node* added = nullptr;
    if (int e = AddNode(*last.parent, last.name, Kind::Folder, mode & 01777 & ~kUmask, added)) return Fail(e);
    return 0;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    // As opendir: an open for reading, so the same errors (EACCES, ENOTDIR, EMFILE).
    const int fd = Open(path, O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) return false;
    for (const auto& entry : Descriptor(fd)->node->entries) names.push_back(entry.first);
    Close(fd);
    return true;
}

int Symlink(const std::string& targetArg, const std::string& path) {
    const std::string_view target = CPath(targetArg);
    if (int e = CheckPath(target)) return Fail(e);
    Last last;
    if (int e = PrepareCreate(path, false, last)) return Fail(e);
    Node* link = nullptr;
    if (int e = AddNode(*last.parent, last.name, Kind::Link, 0777, link)) return Fail(e);
    link->text = target;
    return 0;
}

}  // namespace vesk::sys::memory

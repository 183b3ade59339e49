#include "platform/byte_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "hextext/hextext.h"
#include "support/error_text.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ErrorOf;

using Bytes = std::vector<std::uint8_t>;

Bytes AllBytes() {
    Bytes bytes(256);
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return bytes;
}

// --- errno to the runtime's texts ------------------------------------------------------------

TEST(ThrowErrno, KnownCausesGetTheirTexts) {
    EXPECT_EQ(ErrorOf([] { ThrowErrno(ENOENT); }), "File not found");
    EXPECT_EQ(ErrorOf([] { ThrowErrno(ENOTDIR); }), "File not found");
    EXPECT_EQ(ErrorOf([] { ThrowErrno(EACCES); }), "File access denied");
    EXPECT_EQ(ErrorOf([] { ThrowErrno(EPERM); }), "File access denied");
    EXPECT_EQ(ErrorOf([] { ThrowErrno(EROFS); }), "File access denied");
    EXPECT_EQ(ErrorOf([] { ThrowErrno(ENOSPC); }), "Disk full");
}

TEST(ThrowErrno, OtherCausesGiveANumberedIoError) {
    const std::string prefix = "I/O error ";
    for (int e : {EIO, EINVAL, EMFILE, ENAMETOOLONG, ELOOP, EBADF, 9999}) {
        const std::string message = ErrorOf([e] { ThrowErrno(e); });
        const bool numbered = message.starts_with(prefix) && message.size() > prefix.size() &&
                              message.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
        EXPECT_TRUE(numbered) << e << ": " << message;
    }
}

// --- Opening ---------------------------------------------------------------------------------

TEST(ByteFileOpen, MissingFilesAreNotFoundAndNamed) {
    test::TempFolder dir;
    EXPECT_EQ(ErrorOf([&] { ByteFile::Open(dir.File("missing.bin")); }), "File not found");
    EXPECT_EQ(ErrorOf([&] { ByteFile::Open(""); }), "File not found");
    // A file used as a folder.
    const std::string file = dir.Write("plain", "x");
    EXPECT_EQ(ErrorOf([&] { ByteFile::Open(file + "/x.bin"); }), "File not found");
    try {
        ByteFile::Open(dir.File("missing.bin"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.File(), dir.File("missing.bin"));
    }
}

TEST(ByteFileOpen, FolderIsNoFile) {
    test::TempFolder dir;
    EXPECT_EQ(ErrorOf([&] { ByteFile::Open(dir.Path()); }), "File access denied");
}

TEST(ByteFileOpen, PipeDoesNotHangTheProgram) {
    test::TempFolder dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ByteFile file = ByteFile::Open(fifo);  // no writer: must not wait for one
    Bytes one(1);
    EXPECT_THROW(file.Read(one), Error);
    EXPECT_TRUE(ReadWholeFile(fifo).empty());
}

TEST(ByteFileOpen, ReadOnlyFileOpensForReading) {
    test::TempFolder dir;
    const std::string path = dir.Write("dump.bin", "ABCDEF");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ByteFile file = ByteFile::Open(path);
    Bytes data(6);
    file.Read(data);
    EXPECT_EQ(std::string(data.begin(), data.end()), "ABCDEF");
    EXPECT_EQ(ReadWholeFile(path), Bytes(data));
}

TEST(ByteFileOpen, FileWithoutReadBitIsRefused) {
    test::TempFolder dir;
    const std::string path = dir.Write("locked.bin", "abc");
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);
    EXPECT_EQ(ErrorOf([&] { ByteFile::Open(path); }), "File access denied");
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(path); }), "File access denied");
}

// --- Reading ---------------------------------------------------------------------------------

TEST(ByteFileIo, AllBytesAtOffsets) {
    test::TempFolder dir;
    Bytes bytes(1000, 0);
    const Bytes all = AllBytes();
    bytes.insert(bytes.end(), all.begin(), all.end());
    ByteFile file = ByteFile::Open(dir.Write("all.bin", bytes));
    EXPECT_EQ(file.Size(), 1256);
    for (int i : {0, 0x7C, 0xFF}) EXPECT_EQ(file.ByteAt(1000 + i), i);
    Bytes middle(3);
    file.ReadAt(1000 + 0x41, middle);
    EXPECT_EQ(middle, (Bytes{0x41, 0x42, 0x43}));
    EXPECT_EQ(file.Position(), 1000 + 0x44);
}

TEST(ByteFileIo, ReadingPastTheEndFails) {
    test::TempFolder dir;
    ByteFile file = ByteFile::Open(dir.Write("f.bin", "abcd"));
    Bytes four(4);
    file.ReadAt(0, four);  // exactly to the end is fine
    Bytes one(1);
    EXPECT_EQ(ErrorOf([&] { file.Read(one); }), "Read beyond end of file");
    EXPECT_EQ(ErrorOf([&] { file.ByteAt(4); }), "Read beyond end of file");
    EXPECT_EQ(ErrorOf([&] { file.ReadAt(2, four); }), "Read beyond end of file");
    EXPECT_EQ(ErrorOf([&] { file.ByteAt(1 << 30); }), "Read beyond end of file");

    Bytes some(10, 0xEE);
    file.Seek(1);
    EXPECT_EQ(file.ReadSome(some), 3u);
    EXPECT_EQ(std::string(some.begin(), some.begin() + 3), "bcd");
    EXPECT_EQ(file.ReadSome(some), 0u);
}

TEST(ByteFileIo, NegativeSeekIsTheRuntimeError) {
    test::TempFolder dir;
    ByteFile file = ByteFile::Open(dir.Write("f.bin", "abcd"));
    EXPECT_EQ(ErrorOf([&] { file.Seek(-1); }), "I/O error 131");
    EXPECT_EQ(file.Position(), 0);
}

TEST(ReadWholeFile, AFileLargerThanTheCapIsRefusedUnread) {
    test::TempFolder dir;
    const std::string path = dir.Write("big.bin", Bytes(5000, 1));
    EXPECT_EQ(ReadWholeFile(path, 5000).size(), 5000u);
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(path, 4999); }), "I/O error 8");
}

// --- Lifetime --------------------------------------------------------------------------------

TEST(ByteFileLifetime, MoveAndClose) {
    test::TempFolder dir;
    ByteFile a = ByteFile::Open(dir.Write("f.bin", "xyz"));
    a.Seek(2);
    ByteFile b = std::move(a);
    EXPECT_FALSE(a.IsOpen());
    EXPECT_TRUE(b.IsOpen());
    EXPECT_EQ(b.Position(), 2);
    EXPECT_EQ(b.ByteAt(2), 'z');

    ByteFile c = ByteFile::Open(dir.Write("g.bin", "q"));
    c = std::move(b);
    EXPECT_EQ(c.ByteAt(0), 'x');

    c.Close();
    EXPECT_FALSE(c.IsOpen());
    c.Close();  // twice is harmless
    EXPECT_THROW(c.ByteAt(0), Error);
    EXPECT_THROW(c.Size(), Error);
}

TEST(ByteFileLifetime, ClosingReleasesTheDescriptor) {
    // Opening many files in turn must not run out of descriptors.
    test::TempFolder dir;
    const std::string path = dir.Write("f.bin", "x");
    for (int i = 0; i < 5000; ++i) {
        ByteFile file = ByteFile::Open(path);
        ASSERT_EQ(file.ByteAt(0), 'x');
    }
}

TEST(ReadWholeFile, MissingAndEmptyFiles) {
    test::TempFolder dir;
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile(dir.File("none")); }), "File not found");
    EXPECT_TRUE(ReadWholeFile(dir.Write("empty", "")).empty());
    const Bytes big(3 * 1024 * 1024 + 7, 0xA5);
    EXPECT_EQ(ReadWholeFile(dir.Write("big", big)), big);
}

TEST(FileSizeOrMinusOne, SizesOfReadableFiles) {
    test::TempFolder dir;
    EXPECT_EQ(FileSizeOrMinusOne(dir.Write("empty", "")), 0);
    EXPECT_EQ(FileSizeOrMinusOne(dir.Write("five", "12345")), 5);
    const std::string readOnly = dir.Write("ro", std::string(3000, 'x'));
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(FileSizeOrMinusOne(readOnly), 3000);
}

TEST(FileSizeOrMinusOne, MinusOneWhenNotAReadableFile) {
    test::TempFolder dir;
    EXPECT_EQ(FileSizeOrMinusOne(dir.File("missing")), -1);
    EXPECT_EQ(FileSizeOrMinusOne(""), -1);
    EXPECT_EQ(FileSizeOrMinusOne(dir.Path()), -1);
    EXPECT_EQ(FileSizeOrMinusOne(dir.Write("f", "abc") + "/below"), -1);
    const std::string locked = dir.Write("locked", "abc");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    EXPECT_EQ(FileSizeOrMinusOne(locked), -1);
    // A named pipe without a writer would block an ordinary open for reading forever.
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(FileSizeOrMinusOne(pipe), -1);
    EXPECT_EQ(FileSizeOrMinusOne("/dev/null"), -1);
}

}  // namespace
}  // namespace vesk

#include "config/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/error.h"
#include "support/temp_folder.h"

namespace vesk {
namespace {

using test::ReadText;
using test::TempFolder;

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// --- Reading ---------------------------------------------------------------------------------

TEST(IniRead, SectionsAndKeysIgnoreCase) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini", "[KOD]\nE0=а\n[Temp]\nfiles=C:\\x\\\n"));
    EXPECT_EQ(ini.ReadString("kod", "e0", "-"), "а");
    EXPECT_EQ(ini.ReadString("Kod", "E0", "-"), "а");
    EXPECT_EQ(ini.ReadString("TEMP", "FILES", "-"), "C:\\x\\");
}

TEST(IniRead, CyrillicNamesIgnoreCaseToo) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini", "[Группа]\nИмя=1\n"));
    EXPECT_EQ(ini.ReadString("ГРУППА", "имя", "-"), "1");
}

TEST(IniRead, FirstSectionAndFirstKeyWin) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini",
                                "[A]\nk=first\nK=second\n"
                                "[B]\nk=b\n"
                                "[a]\nk=third\nonly=later section\n"));
    EXPECT_EQ(ini.ReadString("A", "k", "-"), "first");
    EXPECT_EQ(ini.ReadString("B", "K", "-"), "b");
    // The later [a] is never searched.
    EXPECT_EQ(ini.ReadString("A", "only", "-"), "-");
}

TEST(IniRead, WhitespaceCommentsAndQuotes) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini",
                                "key=outside\n"
                                "  [ S ]  \r\n"
                                ";k=comment\n"
                                "   ; k2=comment too\n"
                                "\t k \t=\t  v a l  \t\r\n"
                                "dq=\"  quoted  \"\n"
                                "sq='x'\n"
                                "mixed=\"x'\n"
                                "one=\"\n"
                                "empty=\n"
                                "noequals\n"
                                "eq=a=b\n"));
    EXPECT_EQ(ini.ReadString("S", "key", "-"), "-");  // keys before any section belong to none
    EXPECT_EQ(ini.ReadString("S", ";k", "-"), "-");
    EXPECT_EQ(ini.ReadString("S", "k2", "-"), "-");
    EXPECT_EQ(ini.ReadString("S", "k", "-"), "v a l");
    EXPECT_EQ(ini.ReadString("S", "dq", "-"), "  quoted  ");
    EXPECT_EQ(ini.ReadString("S", "sq", "-"), "x");
    EXPECT_EQ(ini.ReadString("S", "mixed", "-"), "\"x'");
    EXPECT_EQ(ini.ReadString("S", "one", "-"), "\"");
    EXPECT_EQ(ini.ReadString("S", "empty", "-"), "");
    EXPECT_EQ(ini.ReadString("S", "noequals", "-"), "-");
    EXPECT_EQ(ini.ReadString("S", "eq", "-"), "a=b");
}

TEST(IniRead, MissingFileSectionOrKeyGiveTheDefault) {
    TempFolder dir;
    const IniFile none(dir.File("none.ini"));
    EXPECT_EQ(none.ReadString("Temp", "X", "dflt"), "dflt");
    EXPECT_EQ(none.ReadInteger("Temp", "X", 100), 100);
    EXPECT_TRUE(none.ReadSection("Temp").empty());
    const IniFile ini(dir.Write("a.ini", "[Temp]\nX=5\n"));
    EXPECT_EQ(ini.ReadString("Other", "X", "d"), "d");
    EXPECT_EQ(ini.ReadString("Temp", "Y", "d"), "d");
}

TEST(IniRead, ValuesAreCutAt2047Characters) {
    TempFolder dir;
    std::string hex;
    for (int i = 0; i < 1500; ++i) hex += "A5";
    std::string cyr;
    for (int i = 0; i < 3000; ++i) cyr += "Ж";
    const IniFile ini(dir.Write("a.ini", "[HEX]\n01=" + hex + "\n02=" + cyr + "\n03=" + hex.substr(0, 2047) + "\n"));
    EXPECT_EQ(ini.ReadString("HEX", "01", ""), hex.substr(0, 2047));
    EXPECT_EQ(ini.ReadString("HEX", "02", ""), cyr.substr(0, 2047 * 2));  // characters, not bytes
    EXPECT_EQ(ini.ReadString("HEX", "03", "").size(), 2047u);
    EXPECT_EQ(ini.ReadString("HEX", "none", hex).size(), 2047u);
}

TEST(IniRead, IntegersHexDecimalOrDefault) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini",
                                "[T]\nhex=0x64\nHEX=0X1f\nneg=-5000\nabc=abc\nbare=0x\nspaced= 42 \n"
                                "dollar=$10\ntrail=12a\nhuge=99999999999\nfull=0xFFFFFFFF\nempty=\n"));
    EXPECT_EQ(ini.ReadInteger("T", "hex", 7), 100);
    EXPECT_EQ(ini.ReadInteger("T", "neg", 7), -5000);
    EXPECT_EQ(ini.ReadInteger("T", "abc", 7), 7);
    EXPECT_EQ(ini.ReadInteger("T", "bare", 7), 7);
    EXPECT_EQ(ini.ReadInteger("T", "spaced", 7), 42);
    EXPECT_EQ(ini.ReadInteger("T", "dollar", 7), 7);  // only "0x" marks hex
    EXPECT_EQ(ini.ReadInteger("T", "trail", 7), 7);
    EXPECT_EQ(ini.ReadInteger("T", "huge", 7), 7);
    EXPECT_EQ(ini.ReadInteger("T", "full", 7), -1);
    EXPECT_EQ(ini.ReadInteger("T", "empty", 7), 7);
    EXPECT_EQ(ini.ReadInteger("T", "missing", 7), 7);
}

// Only "0x"/"0X" followed by hex digits, or a decimal number, is an integer: none of the other
// forms of the program's general conversion (StrToInt) counts here.
TEST(IniRead, IntegerFormsTable) {
    constexpr std::int32_t kDefault = 7;
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"0x64", 100}, {"0X64", 100}, {"0x0000050C", 0x50C}, {"0xffffffff", -1}, {"0x0", 0},
        {"100", 100}, {"-5", -5}, {"+5", 5}, {"007", 7}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"0x", kDefault}, {"0X", kDefault}, {"$64", kDefault}, {"x10", kDefault}, {"X10", kDefault},
        {"-0x10", kDefault}, {"+0x10", kDefault}, {"0x-5", kDefault}, {"0x1g", kDefault}, {"0x 1", kDefault},
        {"0x100000000", kDefault}, {"2147483648", kDefault}, {"-2147483649", kDefault}, {"abc", kDefault},
        {"12a", kDefault}, {"1 2", kDefault}, {"\" 12\"", kDefault}, {"+-5", kDefault}, {"+", kDefault},
        {"-", kDefault}, {"1.5", kDefault}, {"", kDefault},
    };
    std::string text = "[T]\n";
    for (std::size_t i = 0; i < cases.size(); ++i) text += "k" + std::to_string(i) + "=" + cases[i].first + "\n";
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini", text));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(ini.ReadInteger("T", "k" + std::to_string(i), kDefault), cases[i].second) << "'" << cases[i].first << "'";
    }
}

TEST(IniRead, SectionListInFileOrder) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini", "[ext]\nFFD8FF=.jpg\n; note\n424D36 = \".bmp\"\n\n[Other]\nx=1\n"));
    const auto entries = ini.ReadSection("EXT");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"FFD8FF", ".jpg"}));
    EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"424D36", ".bmp"}));
}

TEST(IniRead, Utf8ByteOrderMarkIsNoPartOfTheFirstLine) {
    TempFolder dir;
    const IniFile ini(dir.Write("a.ini", "\xEF\xBB\xBF[Temp]\nX=3\n"));
    EXPECT_EQ(ini.ReadInteger("Temp", "X", 100), 3);
}

// --- Writing ---------------------------------------------------------------------------------

TEST(IniWrite, KeepsEveryOtherLineByteForByte) {
    TempFolder dir;
    const std::string before =
        "; settings\r\n"
        "[Temp]\r\n"
        "X = 10\r\n"
        "  ; keep me  \r\n"
        "Files=old\r\n"
        "\r\n"
        "[KOD]\r\n"
        "E0=а\r\n"
        "x=1\n"  // a stray LF-only line stays LF-only
        "[Temp]\r\n"
        "Files=ignored duplicate\r\n";
    const std::string path = dir.Write("vesk.ini", before);
    IniFile ini(path);
    ini.WriteString("temp", "files", "C:\\new\\");
    EXPECT_EQ(ReadText(path),
              "; settings\r\n"
              "[Temp]\r\n"
              "X = 10\r\n"
              "  ; keep me  \r\n"
              "files=C:\\new\\\r\n"
              "\r\n"
              "[KOD]\r\n"
              "E0=а\r\n"
              "x=1\n"
              "[Temp]\r\n"
              "Files=ignored duplicate\r\n");
    EXPECT_EQ(ini.ReadString("Temp", "Files", ""), "C:\\new\\");
}

TEST(IniWrite, NewKeyGoesAfterTheSectionsLastLine) {
    TempFolder dir;
    const std::string path = dir.Write("vesk.ini", "[Temp]\nX=1\n\n[Other]\na=b\n");
    IniFile ini(path);
    ini.WriteInteger("TEMP", "Y", 200);
    EXPECT_EQ(ReadText(path), "[Temp]\nX=1\nY=200\n\n[Other]\na=b\n");
    ini.WriteString("Other", "c", "d");
    EXPECT_EQ(ReadText(path), "[Temp]\nX=1\nY=200\n\n[Other]\na=b\nc=d\n");
}

TEST(IniWrite, CreatesFileAndSection) {
    TempFolder dir;
    const std::string path = dir.File("vesk.ini");
    IniFile ini(path);
    ini.WriteString("Temp", "Files", "/opt/vesk/files/");
    EXPECT_EQ(ReadText(path), "[Temp]\nFiles=/opt/vesk/files/\n");
    ini.WriteInteger("Temp", "X", -5000);
    ini.WriteInteger("Pos", "Y", 0);
    EXPECT_EQ(ReadText(path), "[Temp]\nFiles=/opt/vesk/files/\nX=-5000\n[Pos]\nY=0\n");

    const IniFile again(path);
    EXPECT_EQ(again.ReadInteger("temp", "x", 100), -5000);
}

TEST(IniWrite, FileWithoutFinalLineEndGetsOne) {
    TempFolder dir;
    const std::string path = dir.Write("a.ini", "[A]\r\nk=v");
    IniFile ini(path);
    ini.WriteString("A", "n", "m");
    EXPECT_EQ(ReadText(path), "[A]\r\nk=v\r\nn=m\r\n");
    ini.WriteString("B", "x", "y");
    EXPECT_EQ(ReadText(path), "[A]\r\nk=v\r\nn=m\r\n[B]\r\nx=y\r\n");
}

TEST(IniWrite, ReplacesTheKeyThatReadsFindAndKeepsValuesOneLine) {
    TempFolder dir;
    const std::string path = dir.Write("a.ini", "[A]\nk=1\nk=2\n");
    IniFile ini(path);
    ini.WriteString("A", "K", "new\nline=injected");
    EXPECT_EQ(ReadText(path), "[A]\nK=new\nk=2\n");
}

TEST(IniWrite, SeesEditsMadeSinceTheFileWasRead) {
    TempFolder dir;
    const std::string path = dir.Write("a.ini", "[A]\nk=1\n");
    IniFile ini(path);
    dir.Write("a.ini", "[A]\nk=1\nedited=yes\n");
    ini.WriteString("A", "k", "2");
    EXPECT_EQ(ReadText(path), "[A]\nk=2\nedited=yes\n");
}

TEST(IniWrite, LeavesNoTemporaryFilesAndKeepsRights) {
    TempFolder dir;
    const std::string path = dir.Write("vesk.ini", "[A]\nk=1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    IniFile ini(path);
    for (int i = 0; i < 20; ++i) ini.WriteInteger("A", "k", i);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"vesk.ini"});
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniWrite, ASymbolicLinkIsReplacedAndWhatItPointsAtIsNot) {
    // No write ever goes through a link: the settings become a file of their own.
    TempFolder dir;
    const std::string target = dir.Write("real.ini", "[A]\nk=1\n");
    const std::string link = dir.File("vesk.ini");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    IniFile ini(link);
    ini.WriteString("A", "k", "2");
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadText(link), "[A]\nk=2\n");
    EXPECT_EQ(ReadText(target), "[A]\nk=1\n");
}

TEST(IniWrite, ReadOnlyFileIsRefusedAndUnchanged) {
    TempFolder dir;
    const std::string content = "[Temp]\nX=1\n";
    const std::string path = dir.Write("vesk.ini", content);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Temp", "X", 100), 1);  // reading it still works
    try {
        ini.WriteInteger("Temp", "X", 2);
        ADD_FAILURE() << "write accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadText(path), content);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"vesk.ini"});
}

TEST(IniWrite, UnreadableFileIsNeverOverwritten) {
    TempFolder dir;
    const std::string content = "[Temp]\nX=1\n[KOD]\nE0=a\n";
    const std::string path = dir.Write("vesk.ini", content);
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Temp", "X", 100), 100);  // no values from a file we cannot read
    EXPECT_THROW(ini.WriteInteger("Temp", "X", 2), Error);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(ReadText(path), content);
}

TEST(IniWrite, MissingFolderIsRefused) {
    TempFolder dir;
    const std::string path = dir.File("gone/vesk.ini");
    IniFile ini(path);
    try {
        ini.WriteString("A", "k", "v");
        ADD_FAILURE() << "write accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
}

// --- Encodings -------------------------------------------------------------------------------

TEST(IniEncoding, Windows1251FileIsReadAndWrittenInWindows1251) {
    TempFolder dir;
    // "[KOD]" / "E0=а" / "; Комментарий" / "[Temp]" / "Files=C:\Папка\" in Windows-1251.
    const std::string before =
        "[KOD]\r\nE0=\xE0\r\n; \xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9\r\n"
        "[Temp]\r\nFiles=C:\\\xCF\xE0\xEF\xEA\xE0\\\r\n";
    const std::string path = dir.Write("vesk.ini", before);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("KOD", "E0", ""), "а");
    EXPECT_EQ(ini.ReadString("Temp", "Files", ""), "C:\\Папка\\");

    ini.WriteString("Temp", "Files", "D:\\Файлы\\");
    EXPECT_EQ(ReadText(path),
              "[KOD]\r\nE0=\xE0\r\n; \xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9\r\n"
              "[Temp]\r\nFiles=D:\\\xD4\xE0\xE9\xEB\xFB\\\r\n");
    EXPECT_EQ(IniFile(path).ReadString("Temp", "Files", ""), "D:\\Файлы\\");
}

TEST(IniEncoding, Utf8FileStaysUtf8) {
    TempFolder dir;
    const std::string path = dir.Write("vesk.ini", "[KOD]\nE0=а\n");
    IniFile ini(path);
    ini.WriteString("Temp", "Files", "/home/пользователь/");
    EXPECT_EQ(ReadText(path), "[KOD]\nE0=а\n[Temp]\nFiles=/home/пользователь/\n");
}

TEST(IniEncoding, TextWithoutAWindows1251FormTurnsTheFileUtf8) {
    TempFolder dir;
    const std::string path = dir.Write("vesk.ini", "[KOD]\nE0=\xE0\n");
    IniFile ini(path);
    ini.WriteString("Temp", "Files", "/data/日本/");
    EXPECT_EQ(ReadText(path), "[KOD]\nE0=а\n[Temp]\nFiles=/data/日本/\n");
    const IniFile again(path);
    EXPECT_EQ(again.ReadString("KOD", "E0", ""), "а");
    EXPECT_EQ(again.ReadString("Temp", "Files", ""), "/data/日本/");
}

}  // namespace
}  // namespace vesk

// Which file of a list a name picks: the name unpacking gives it, else the entry's own name.
#include <gtest/gtest.h>

#include "base/error.h"
#include "inspect/entry_view.h"

namespace vesk::test {
namespace {

TEST(FindEntryFile, ByTheNameUnpackingGivesElseByTheEntrysName) {
    ListFiles list{"d.bin", 0x842, {}};
    const auto add = [&](const char* name, const char* fileName, const char* extension, bool written) {
        EntryFile f;
        f.entry.name = name;
        f.entry.index = static_cast<int>(list.files.size());
        f.fileName = fileName;
        f.extension = extension;
        f.written = written;
        list.files.push_back(f);
    };
    add("Фон", "Фон", ".c10", true);
    add("Фон", "Фон (2)", ".jpg", true);
    add("a/b", "a_b", ".bin", true);
    add("a/b", "a_b (2)", ".bin", true);
    add("Пусто", "Пусто", "", false);

    EXPECT_EQ(FindEntryFile(list, "Фон").entry.index, 0);
    EXPECT_EQ(FindEntryFile(list, "Фон (2)").entry.index, 1);
    EXPECT_EQ(FindEntryFile(list, "Фон (2).jpg").entry.index, 1);
    EXPECT_EQ(FindEntryFile(list, "a_b (2)").entry.index, 3);
    EXPECT_EQ(FindEntryFile(list, "Пусто").entry.index, 4);
    // An entry's name that two files share and no file is called: refused, naming both.
    try {
        FindEntryFile(list, "a/b");
        ADD_FAILURE() << "a/b is two files";
    } catch (const Refusal& e) {
        EXPECT_NE(std::string(e.what()).find("«a_b», «a_b (2)»"), std::string::npos) << e.what();
    }
    EXPECT_THROW(FindEntryFile(list, "Нет"), Refusal);
    EXPECT_THROW(FindEntryFile(list, ""), Refusal);
    // The extension alone names nothing for a file that is not written.
    EXPECT_THROW(FindEntryFile(list, "Пусто.bin"), Refusal);
}

}  // namespace
}  // namespace vesk::test

// One rule for which folders a file pane can show: the window's pane, the command line's host and
// the tests' recording host refuse alike, so a command test cannot pass where the window fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <sstream>

#include "cli/console_host.h"
#include "gui/file_pane.h"
#include "support/error_text.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

namespace vesk::test {
namespace {

TEST(FolderRule, EveryHostRefusesWhatThePaneCannotList) {
    App();
    TempFolder temp;
    const std::string fine = temp.MakeDir("fine");
    const std::string unreadable = temp.MakeDir("unreadable");
    ::chmod(unreadable.c_str(), 0300);  // no read bit: unreadable for everyone, root too
    const std::string file = temp.Write("file.bin", "x");

    FilePane pane;
    std::ostringstream err;
    cli::ConsoleHost console(err, false);
    RecordingHost recording;
    const std::pair<const char*, std::function<void(const std::string&)>> hosts[] = {
        {"window", [&](const std::string& f) { pane.ShowFolder(f); }},
        {"command line", [&](const std::string& f) { console.ShowFolder(f); }},
        {"tests", [&](const std::string& f) { recording.ShowFolder(f); }},
    };
    for (const auto& [name, show] : hosts) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ErrorOf([&] { show(fine); }), "");
        EXPECT_EQ(ErrorOf([&] { show(""); }), "");  // no folder: an empty pane
        for (const std::string& bad : {unreadable, file, temp.File("missing/")}) {
            EXPECT_EQ(ErrorOf([&] { show(bad); }), "I/O error 3") << bad;
        }
    }
    ::chmod(unreadable.c_str(), 0700);
}

}  // namespace
}  // namespace vesk::test

#include "e2e/installed_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace vesk::test {

namespace fs = std::filesystem;

int InstallInto(const std::string& prefix) {
    const std::string command = std::string("\"") + VESK_CMAKE_COMMAND + "\" --install \"" + VESK_BUILD_DIR +
                                "\" --prefix \"" + prefix + "\" >\"" + prefix + ".log\" 2>&1";
    return std::system(command.c_str());
}

void InstalledFolderTest::SetUp() {
    app_ = temp_.Path() + "app/";
    ASSERT_EQ(InstallInto(temp_.Path() + "app"), 0) << ReadText(temp_.Path() + "app.log");
    folder_ = ProgramFolder(app_);
    InitGrids(form_);
}

std::vector<std::string> InstalledFolderTest::FileNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(fs::u8path(folder))) {
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> InstalledFolderTest::ByStem(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : FileNames(folder)) {
        files[fs::path(name).stem().string()] = folder + name;
    }
    return files;
}

void InstalledFolderTest::ExpectNoBoxes() const {
    EXPECT_TRUE(host_.messages.empty()) << host_.messages.front();
}

}  // namespace vesk::test

#pragma once
// A program folder installed from this build tree into a fresh temporary folder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/program_folder.h"
#include "form/form.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace vesk::test {

// Runs `cmake --install <build dir> --prefix <prefix>`; returns its exit status. The output
// goes to <prefix>.log.
int InstallInto(const std::string& prefix);

class InstalledFolderTest : public ::testing::Test {
protected:
    void SetUp() override;

    // The file names in a folder (not its subfolders), sorted.
    static std::vector<std::string> FileNames(const std::string& folder);
    // Unpacked files by name without extension.
    static std::map<std::string, std::string> ByStem(const std::string& folder);
    void ExpectNoBoxes() const;

    TempFolder temp_;
    std::string app_;  // the installed folder, with "/"
    ProgramFolder folder_{"/"};
    Form form_;
    RecordingHost host_;
};

}  // namespace vesk::test

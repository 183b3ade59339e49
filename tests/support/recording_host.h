#pragma once
// A Host that records what a command showed, for tests.
#include <string>
#include <vector>

#include "form/host.h"

namespace vesk::test {

class RecordingHost : public Host {
public:
    void SetProgressMax(int maximum) override { progressMax = maximum; progressMaxHistory.push_back(maximum); }
    void SetProgress(int position) override { progress = position; progressHistory.push_back(position); }
    void SetStatus(int panel, const std::string& text) override { status[panel] = text; }
    void SetCaption(const std::string& text) override { caption = text; }
    void ShowPage(Page page) override { pages.push_back(page); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowFolder(const std::string& folder) override;
    std::string SelectedFile() const override { return selectedFile; }

    int progressMax = 0;
    int progress = 0;
    std::vector<int> progressMaxHistory;
    std::vector<int> progressHistory;
    std::string status[3];
    std::string caption;
    std::vector<Page> pages;
    std::vector<std::string> messages;  // information boxes
    std::vector<std::string> folders;   // folders the file pane was pointed at
    std::string selectedFile;
};

}  // namespace vesk::test

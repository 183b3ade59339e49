#pragma once
// The Host of the command line. A message box becomes one line on standard error with its text
// unchanged (a box of several lines becomes one line, its lines joined by a blank). Progress is drawn on one line of standard error only when asked
// for (standard error is a terminal), and is wiped before any message and at the end.
#include <ostream>
#include <set>
#include <string>

#include "form/host.h"

namespace vesk::cli {

class ConsoleHost : public Host {
public:
    ConsoleHost(std::ostream& err, bool progress) : err_(err), progress_(progress) {}

    void SetProgressMax(int maximum) override;
    void SetProgress(int position) override;
    // The listings say what the status bar would.
    void SetStatus(int, const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ShowPage(Page) override {}
    // A value without its "0x" is complained about at every read in the window; here once.
    void ShowMessage(const std::string& text) override;
    // Like the window's file pane: a folder that cannot be listed is an error.
    void ShowFolder(const std::string& folder) override;
    std::string SelectedFile() const override { return selected_; }

    // The file that "Добавить" takes next.
    void Select(std::string path) { selected_ = std::move(path); }
    // A line on standard error.
    void Report(const std::string& text);
    // Wipes the progress line, if one is shown.
    void EndProgress();

private:
    void DrawProgress();

    std::ostream& err_;
    bool progress_;
    int maximum_ = 0;
    int position_ = 0;
    std::size_t drawn_ = 0;  // characters of the progress line on screen
    std::string selected_;
    std::set<std::string> complained_;
};

}  // namespace vesk::cli

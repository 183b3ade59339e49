#include "cli/console_host.h"

#include "base/error.h"
#include "cli/text_table.h"
#include "hextext/hextext.h"
#include "platform/folders.h"

namespace vesk::cli {

void ConsoleHost::SetProgressMax(int maximum) {
    maximum_ = maximum;
    DrawProgress();
}

void ConsoleHost::SetProgress(int position) {
    position_ = position;
    DrawProgress();
}

void ConsoleHost::ShowFolder(const std::string& folder) {
    // The window's file pane would refuse it alike.
    if (!folder.empty()) CheckFolderListable(folder);
}

void ConsoleHost::ShowMessage(const std::string& text) {
    if (text.starts_with(kBadAddress) && !complained_.insert(text).second) return;
    Report(text);
}

void ConsoleHost::Report(const std::string& text) {
    EndProgress();
    std::string line = text;
    for (char& c : line) {
        if (c == '\n') c = ' ';
    }
    err_ << ShowControls(line) << '\n' << std::flush;
}

void ConsoleHost::DrawProgress() {
    if (!progress_ || maximum_ <= 0) return;
    const std::string line = "vesk: " + std::to_string(position_) + "/" + std::to_string(maximum_);
    err_ << '\r' << line;
    if (line.size() < drawn_) err_ << std::string(drawn_ - line.size(), ' ') << '\r' << line;
    err_ << std::flush;
    drawn_ = line.size();
}

void ConsoleHost::EndProgress() {
    if (drawn_ == 0) return;
    err_ << '\r' << std::string(drawn_, ' ') << '\r' << std::flush;
    drawn_ = 0;
}

}  // namespace vesk::cli

#pragma once
// Everything a command does to the screen while it runs. The window implements it; tests use
// a recording host. Commands never touch widgets.
#include <string>

namespace vesk {

// The pages of the window's tabbed area, in their order.
enum class Page { List, Fat, About, Settings, NewVesk, C10, Map };

class Host {
public:
    virtual ~Host() = default;

    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgress(int position) = 0;
    // Status bar panels 0, 1, 2.
    virtual void SetStatus(int panel, const std::string& text) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Brings a page to the front; its show reaction runs as if the user had clicked its tab.
    virtual void ShowPage(Page page) = 0;
    // A modal box that the command goes on after, once the user has closed it. A box that ends
    // the command is a thrown vesk::Refusal instead.
    virtual void ShowMessage(const std::string& text) = 0;
    // The file pane. ShowFolder throws vesk::Error when the folder cannot be listed; "" empties
    // the pane, so that no file is selected.
    virtual void ShowFolder(const std::string& folder) = 0;
    // Full path of the file selected in the pane, "" when none.
    virtual std::string SelectedFile() const = 0;
};

// A host with nobody watching: every call does nothing and no file is selected. Programs that
// run commands on their own (benchmarks, fuzzing, tools) override what they need to see.
class SilentHost : public Host {
public:
    void SetProgressMax(int) override {}
    void SetProgress(int) override {}
    void SetStatus(int, const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ShowPage(Page) override {}
    void ShowMessage(const std::string&) override {}
    void ShowFolder(const std::string&) override {}
    std::string SelectedFile() const override { return {}; }
};

}  // namespace vesk

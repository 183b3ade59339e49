#pragma once
// One window on a temporary program folder, with its message boxes and dialogs answered by
// the test: boxes are recorded, dialogs return what the test put into nextOpen / nextSave.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/ini_file.h"
#include "gui/file_pane.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "support/temp_folder.h"

namespace vesk::test {

// The one QApplication of the test program, on the offscreen platform.
QApplication& App();

struct Box {
    BoxKind kind;
    std::string text;
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest() { App(); }

    // Starts the window (FormCreate) and shows it, so views have their sizes.
    TForm1& Start();
    // Destroys it (FormDestroy).
    void Close() { window.reset(); }

    template <class T>
    T* Find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    std::string Text(const char* lineEdit) const { return Find<QLineEdit>(lineEdit)->text().toStdString(); }
    std::string Panel(int i) const;
    // Clicks the visible tab with this caption.
    void ShowTab(const char* caption) const;
    std::string CurrentTab() const;
    // The grid cell as the view shows it (grid coordinates: row 0 is the header).
    std::string Cell(const char* grid, int col, int row) const;
    void ClickCell(const char* grid, int col, int row) const;

    std::string Setting(const char* section, const char* key) const {
        return IniFile(temp.File("vesk.ini")).ReadString(section, key, "<none>");
    }
    std::vector<std::string> BoxTexts() const;

    // A program folder for the firmware "Test": vesk.ini of the standard settings and `settings`,
    // its profile, and bins/d.bin built by "Собрать" from these files, each added from src/ under
    // its name. Returns the dump's path.
    using NamedFiles = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
    std::string BuildDump(const NamedFiles& files, const std::string& settings = "[Firmwares]\n1=Other\n2=Test\n");
    // Starts the window, opens `dump` with "Открыть" and reads its list with "Поиск".
    void OpenAndReadList(const std::string& dump);

    TempFolder temp;
    std::vector<Box> boxes;
    std::optional<DialogChoice> nextOpen;
    std::optional<DialogChoice> nextSave;
    std::optional<std::string> nextFolder;   // what the folder dialog answers
    std::function<void(QDialog&)> onDialog;  // sees a dialog of the window's own, instead of the user
    std::vector<QStringList> openFilters;
    // Where each dialog was asked to start.
    std::vector<std::string> openStarts;
    std::vector<std::string> saveStarts;
    std::unique_ptr<TForm1> window;
};

}  // namespace vesk::test

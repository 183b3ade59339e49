#pragma once
// The window's open and save dialogs: Qt's file dialog showing the window's filter captions, and
// the folder each dialog starts in.
#include <QFileDialog>
#include <QStringList>
#include <optional>
#include <string>

namespace vesk {

// What the user chose in a file dialog: the first chosen file and the 1-based filter entry.
struct DialogChoice {
    std::string path;
    int filterIndex = 1;
};

// Sets the dialog up for one use. filters are captions "Name (*.ext)"; the entry
// "All files (*.*)" keeps its caption but lists every file, also those without a dot. The first
// entry is selected. start is a file, offered by name in its folder, or a folder ending in '/';
// "" leaves the dialog where Qt puts it.
void SetUpFileDialog(QFileDialog& dialog, QFileDialog::AcceptMode mode, const QStringList& filters,
                     const std::string& start);
// The first chosen file and its filter's place among the captions; nullopt when nothing was chosen.
std::optional<DialogChoice> ChoiceOf(const QFileDialog& dialog, const QStringList& filters);
// Shows the dialog modally and gives what the user chose; nullopt when cancelled.
std::optional<DialogChoice> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QStringList& filters,
                                          const std::string& start);

// Where the dump dialog starts: bins/, offering the last dump when it lies there.
std::string DumpDialogStart(const std::string& openDumpPath, const std::string& bins);
// Where a picture dialog starts: the last picture, in its folder, while that folder exists;
// else the unpack folder, where pictures taken from a dump land; else where Qt puts it.
std::string PictureDialogStart(const std::string& lastPicture, const std::string& unpackFolder);
// Where the save dialog starts: the last file written by a command or the last name chosen in
// it (Form::SaveDialogPath), offered by name, while its folder exists; before any, as a picture
// dialog starts.
std::string SaveDialogStart(const std::string& saveDialogPath, const std::string& lastPicture,
                            const std::string& unpackFolder);

}  // namespace vesk

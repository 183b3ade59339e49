#pragma once
// The window's state as plain data, named after the controls that hold it. Commands read and
// write these fields; the window shows them. Between commands all values are text, as the
// user sees and edits them.
#include <string>

#include "form/text_grid.h"
#include "platform/picture.h"

namespace vesk {

struct Form {
    // "Настройки": lists found in the dump, and the chosen one.
    TextGrid ListsGrid{1, 100};
    std::string ListAddressEdit;
    std::string FirmwareCombo;
    std::string TempFolderEdit;

    // "Список" and the hidden "FAT" work table.
    TextGrid FileGrid{6, 101};
    TextGrid FatGrid{820, 49};

    // "Новый VESK".
    TextGrid BuildGrid{7, 101};
    std::string BuildNameEdit = "data.bin";
    bool BuildGridEditing = false;

    // The one open dialog's file name: the dump (or picture, or system file) commands work on.
    std::string OpenDumpPath;
    // The one save dialog's file name: the last file written.
    std::string SaveDialogPath;

    // "C10".
    Picture ImageView;
    std::string ImageNameLabel;
    std::string DimensionsLabel;
    std::string DataSizeEdit = "0";
    std::string FrameCountEdit = "0";
    std::string PaletteCountEdit = "0";
    std::string DataStartEdit = "0";
    std::string ImageWidthEdit = "0";
    std::string ImageHeightEdit = "0";
    bool PreviewButtonEnabled = true;
    bool NextFrameButtonEnabled = true;
    std::string NextFrameButtonCaption = "2";
};

// Header texts that start-up puts into the grids.
void SetGridHeaders(Form& form);

}  // namespace vesk

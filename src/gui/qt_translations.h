#pragma once
// Qt's own texts (the buttons and labels of its file dialogs and message boxes) in Russian, like
// the rest of the window, whatever the desktop's language.
#include <QTranslator>
#include <memory>

#include "config/program_folder.h"

namespace vesk {

// Where the program folder keeps its copy of Qt's Russian translation.
inline constexpr const char kTranslationsFolder[] = "translations/";

// Installs Qt's Russian translation into the running application: the system Qt's own when it is
// installed (it matches that Qt), else the copy in the program folder. It is in use while the
// returned translator lives; nullptr when neither is found, and Qt's texts stay English.
std::unique_ptr<QTranslator> InstallQtTranslations(const ProgramFolder& folder);

}  // namespace vesk

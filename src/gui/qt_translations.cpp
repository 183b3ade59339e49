#include "gui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace vesk {

std::unique_ptr<QTranslator> InstallQtTranslations(const ProgramFolder& folder) {
    const QString places[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                              QString::fromStdString(folder.Path() + kTranslationsFolder)};
    for (const QString& place : places) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("qtbase_ru"), place) && QCoreApplication::installTranslator(translator.get())) {
            return translator;
        }
    }
    return nullptr;
}

}  // namespace vesk

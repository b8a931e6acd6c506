#include "platform/gui/qt_translations.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

#include "platform/failure.h"

namespace vantor {
namespace {
constexpr std::int32_t kFichierIntrouvable = 53;  // the platform's "file not found"
}

QTranslator* installFrenchQtTranslations(QCoreApplication& app, const QString& folder) {
    auto translator = std::make_unique<QTranslator>(&app);
    const QString name = QStringLiteral("qtbase_fr");
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get())) {
        throw Failure(kFichierIntrouvable,
                      QStringLiteral("Traductions de Qt introuvables (%1 dans %2) : les boutons "
                                     "standard resteront en anglais.")
                          .arg(name, folder));
    }
    return translator.release();
}

}  // namespace vantor

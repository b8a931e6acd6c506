#pragma once
// Qt's own texts (standard buttons "Annuler", "Oui", "Non", input boxes) in
// French whatever the user's locale, as the rest of the interface is French.
#include <QLibraryInfo>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace vantor {

// Installs Qt's French catalogue "qtbase_fr" from `folder` into `app`, which
// owns the returned translator. Throws Failure when it cannot be loaded; Qt's
// English texts then stay.
QTranslator* installFrenchQtTranslations(
    QCoreApplication& app,
    const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

}  // namespace vantor

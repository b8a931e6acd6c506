#include "app/notes_preparation.h"

#include <QDir>
#include <QFileInfo>

#include "core/settings.h"
#include "platform/registry.h"
#include "toolkit/cls_initreg.h"

namespace vantor {
namespace {

const QString kCleNotes = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Lotus\\Notes");

// The client's folder as the registry gives it; "" when it cannot be read.
QString dossierNotes(Cls_initreg& cls) {
    const QString dossier = cls.LireREG_STRING(kCleNotes, QStringLiteral("Path")).text();
    return dossier == QStringLiteral("Error") ? QString() : dossier;
}

}  // namespace

void prepareClientNotes(ModLOTUS& m, bool autoNotes) {
    const auto registre = openSystemRegistry(
        *m.env, m.dossierProgramme, [&m](const QString& message) { m.LogErreur(message); });
    Cls_initreg cls(*m.env, *registre, *m.dialogs,
                    joinPath(m.dossierProgramme, QStringLiteral("windows")));

    const QString dossier = dossierNotes(cls);
    if (dossier.isEmpty()) return;

    // 1. The client's automatic logoff. A folder of another system (a
    // Windows path imported with the registry) must not make a stray file
    // in the working folder: only an existing absolute folder is written to.
    const QString notesIni = dossier + QStringLiteral("notes.ini");
    if (autoNotes) {
        if (QDir::isAbsolutePath(notesIni) &&
            m.env->folderExists(QFileInfo(notesIni).absolutePath())) {
            EcrireIni(m, kAppName, QStringLiteral("NOTES"), QStringLiteral("AutoLogoffMinutes"),
                      QStringLiteral("0"), notesIni);
        } else {
            m.LogErreur(
                QStringLiteral("Dossier du client Notes introuvable : %1 n'est pas modifié.")
                    .arg(notesIni));
        }
    }

    // 2. The client's launch, whatever the options.
    const QString programme = dossier + QStringLiteral("notes.exe");
    if (!m.env->startProgram(programme, {}, WindowStyle::MinimizedFocus)) {
        m.LogErreur(
            QStringLiteral("Impossible de lancer le client Notes %1 : il n'est pas démarré.")
                .arg(programme));
    }
}

}  // namespace vantor

#include "core/modlotus.h"

#include "core/error_log.h"
#include "core/settings.h"

namespace vantor {

ModLOTUS::ModLOTUS(Env* env_, Dialogs* dialogs_, notes::Client* notes_, QString programFolder)
    : env(env_),
      dialogs(dialogs_),
      notes(notes_),
      dossierProgramme(std::move(programFolder)),
      CheminParam(CheminParamDe(dossierProgramme)) {}

QString ModLOTUS::lireParam(const QString& key, const QString& defaultText) const {
    return LireIni(*env, kAppName, kSection, key, defaultText, CheminParam);
}

void ModLOTUS::ecrireParam(const QString& key, const QString& value) {
    EcrireIni(*this, kAppName, kSection, key, value, CheminParam);
}

void ModLOTUS::LogErreur(const QString& message) const {
    appendErrorLine(*env, cheminLog(), message);
}

QString ModLOTUS::cheminLog() const { return joinPath(dossierProgramme, QStringLiteral("erreur_log.txt")); }
QString ModLOTUS::cheminPJ() const { return joinPath(dossierProgramme, QStringLiteral("pj")); }

}  // namespace vantor

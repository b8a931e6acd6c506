#pragma once
// The program-wide state shared by the settings window, the scan, the popup
// and its commands, with the services they reach the outside through. One
// instance lives for the whole run; the services must outlive it.
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "notes/notes.h"
#include "platform/dialogs.h"
#include "platform/env.h"

namespace vantor {

inline const QString kAppName = QStringLiteral("VANTOR");
inline const QString kSection = QStringLiteral("PARAM");
inline const QString kTitre = QStringLiteral("Vantor");

struct ModLOTUS {
    ModLOTUS(Env* env, Dialogs* dialogs, notes::Client* notes, QString programFolder);

    Env* env;
    Dialogs* dialogs;
    notes::Client* notes;
    // The file on this machine's disk that holds the database `file` of
    // `server`, "" when there is none; set by the program from its store.
    // Archiving compares files through it.
    std::function<QString(const QString& server, const QString& file)> fichierDeBase;

    // The folder of the running program; param.ini, erreur_log.txt and pj live in it.
    QString dossierProgramme;
    QString CheminParam;

    QString MotDePasse;
    QString ServeurBAL;
    QString FichierBAL;
    std::int16_t NumBAL = 0;
    QString UNIDCourant;
    notes::ItemPtr CorpsCourant;
    bool DocModifie = false;
    // IDs presented during the run; the last entry is always empty.
    std::vector<QString> DocsAffiches{QString()};
    // Settings files whose last write failed; the failure was logged once.
    std::set<QString> fichiersEnEchec;
    // A scan is under way (a tick arriving meanwhile is ignored).
    bool scanEnCours = false;
    // Watched slots whose server could not be reached at their last scan,
    // with that server: the outage was logged once, as its end will be.
    std::map<int, QString> boitesInjoignables;

    // A key of section "PARAM" of param.ini, read anew at every call.
    QString lireParam(const QString& key, const QString& defaultText) const;
    void ecrireParam(const QString& key, const QString& value);
    // Appends one dated line to erreur_log.txt.
    void LogErreur(const QString& message) const;

    QString cheminLog() const;
    QString cheminPJ() const;
};

}  // namespace vantor

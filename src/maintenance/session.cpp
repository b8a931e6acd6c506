#include "maintenance/session.h"

#include "core/keys.h"
#include "core/password.h"

namespace vantor {

notes::SessionPtr ouvrirSession(ModLOTUS& m, bool relire) {
    notes::SessionPtr session = m.notes->createBackendSession();
    if (relire || m.MotDePasse.isEmpty())
        m.MotDePasse = motDePasseStocke(m.lireParam(keys::kPassword, QString()));
    if (m.MotDePasse.isEmpty()) {
        m.MotDePasse = m.dialogs->inputBox(QStringLiteral("Mot de passe LOTUS"),
                                           QStringLiteral("ACCES A LOTUS"), QString());
    }
    session->initialize(m.MotDePasse);
    return session;
}

}  // namespace vantor

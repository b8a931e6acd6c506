#include "watch/scan_bal.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/item_text.h"
#include "core/keys.h"
#include "core/password.h"
#include "core/settings.h"
#include "watch/affiche_popup.h"
#include "watch/frm_msg.h"

#include <QLabel>
#include <QToolButton>

namespace vantor {
namespace {

// The run-time's codes for a value of the wrong type and a missing object.
constexpr std::int32_t kTypeIncompatible = 13;
constexpr std::int32_t kObjetNonDefini = 91;

constexpr int kIntervalleScan = 30000;

// The dispatcher's full pass (a poll of the display connection, the timers and
// every other source) costs about a microsecond even with nothing to deliver,
// more than the walk's own step; between two full passes a yield runs only
// the events posted meanwhile, which only this thread's own work can post.
// A timer or a click therefore waits at most this long, plus one step.
constexpr qint64 kPassePleineNs = 2'000'000;

struct ScanState {
    ModLOTUS& m;
    FrmMsg& popup;
    const ScanHooks& hooks;
    // The reference time in seconds, converted once: a local date-time costs
    // a time-zone lookup at every conversion.
    qint64 derniereVisite = 0;
    notes::DocumentPtr dernierDoc;
    notes::Session* session = nullptr;

    QElapsedTimer dernierePassePleine;

    // Lets pending window events run once.
    void laisser() {
        if (dernierePassePleine.isValid() && dernierePassePleine.nsecsElapsed() < kPassePleineNs) {
            QCoreApplication::sendPostedEvents();
            return;
        }
        if (hooks.laisserEvenements) {
            hooks.laisserEvenements();
        } else {
            QCoreApplication::processEvents();
        }
        dernierePassePleine.start();
    }
    // The popup is on screen: sleep until something happens instead of spinning.
    void attendre() {
        if (hooks.attendre) {
            hooks.attendre();
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        dernierePassePleine.start();
    }
};

qint64 secondes(const QDateTime& t) { return t.toSecsSinceEpoch(); }

// Tells the tray which mailboxes are unreachable now: "BAL 2 (server)".
void annoncerInjoignables(const ScanState& s) {
    if (!s.hooks.boitesInjoignables) return;
    QStringList noms;
    for (const auto& [slot, serveur] : s.m.boitesInjoignables)
        noms << QStringLiteral("BAL %1 (%2)").arg(slot + 1).arg(serveur);
    s.hooks.boitesInjoignables(noms);
}

// Steps 5 to 7 of a turn: whether the document is to be presented. A document
// removed since the walk reached it (by the user in the mail client, another
// program) is not: the watch carries on with the next one.
bool aPresenter(const ScanState& s, const notes::Document& doc) {
    if (s.dernierDoc && s.dernierDoc->universalID() == doc.universalID()) return false;
    if (!PasEncoreAffiche(s.m, doc.universalID())) return false;
    try {
        return !doc.sentByUser(s.session->userName());
    } catch (const Failure& f) {
        if (f.code() == notes::code::kDocumentRemoved) return false;
        throw;
    }
}

void presenter(ScanState& s, const notes::DocumentPtr& doc) {
    ModLOTUS& m = s.m;
    FrmMsg& f = s.popup;
    f.LblSubject->setText(GetItemText(*doc, QStringLiteral("Subject")));
    f.LblFrom->setText(GetItemText(*doc, QStringLiteral("From")));
    f.LblBody->setText(texteCorps(GetItemText(*doc, QStringLiteral("Body"))));
    f.LblBAL->setText(m.FichierBAL);
    f.CmdPJ->setVisible(false);

    m.CorpsCourant = nullptr;
    if (doc->hasItem(QStringLiteral("Body"))) {
        notes::ItemPtr body = doc->getFirstItem(QStringLiteral("Body"));
        if (body && body->type() == notes::kRichText) {
            m.CorpsCourant = body;
            if (!body->embeddedObjects().empty()) f.CmdPJ->setVisible(true);
        }
    }

    m.UNIDCourant = doc->universalID();
    s.dernierDoc = doc;
    AjouteDocAffiche(m, m.UNIDCourant);
    AffichePopup(m, f);
}

void parcourir(ScanState& s, notes::View& view) {
    ModLOTUS& m = s.m;
    notes::DocumentPtr doc = view.getFirstDocument();
    m.DocModifie = false;
    while (doc) {
        s.laisser();
        if (s.popup.isVisible()) {
            s.attendre();
            continue;
        }
        // Compared in seconds: the local date-time is never needed here.
        if (doc->arrivalSecsSinceEpoch() - s.derniereVisite >= 1 && aPresenter(s, *doc)) {
            presenter(s, doc);
        }
        s.laisser();
        if (s.popup.isVisible()) {
            s.attendre();
            continue;
        }
        if (m.DocModifie) {
            view.refresh();
            doc = view.getFirstDocument();
            m.DocModifie = false;
        } else {
            doc = view.getNextDocument(*doc);
        }
    }
}

// The slot's server answers again: the end of its outage is logged.
void noterJoignable(ScanState& s, int slot) {
    const auto panne = s.m.boitesInjoignables.find(slot);
    if (panne == s.m.boitesInjoignables.end()) return;
    s.m.LogErreur(
        QStringLiteral("BAL %1 de nouveau joignable (%2).").arg(slot + 1).arg(panne->second));
    s.m.boitesInjoignables.erase(panne);
    annoncerInjoignables(s);
}

// The slot's server cannot be reached now: logged when the outage begins, the
// other slots scanned all the same.
void noterInjoignable(ScanState& s, int slot, const Failure& f) {
    if (!s.m.boitesInjoignables.emplace(slot, s.m.ServeurBAL).second) return;
    s.m.LogErreur(QStringLiteral("BAL %1 injoignable, les autres boîtes restent surveillées : %2")
                      .arg(slot + 1)
                      .arg(f.description()));
    annoncerInjoignables(s);
}

// The mailbox of a watched slot: its "($All)" walked, each new document presented.
void scannerBoite(ScanState& s, notes::DbDirectory& dir) {
    ModLOTUS& m = s.m;
    const notes::DatabasePtr db = dir.openDatabase(m.FichierBAL, false);
    const notes::ViewPtr view = db ? db->getView(QStringLiteral("($All)")) : nullptr;
    if (!view) {
        throw Failure(
            kObjetNonDefini,
            QStringLiteral("La vue ($All) de la boîte %1 est introuvable.").arg(m.FichierBAL));
    }
    view->refresh();
    view->restrictToArrivalsSince(s.derniereVisite);
    parcourir(s, *view);
}

void scanner(ModLOTUS& m, QTimer& TimerScan, FrmMsg& popup, const ScanHooks& hooks) {
    TimerScan.stop();
    const QDateTime debutScan = m.env->now();
    const QString dateVisu = m.lireParam(keys::kDateVisu, texteDateHeure(m.env->now()));
    const std::optional<QDateTime> derniereVisite = dateHeureDeTexte(dateVisu);
    if (!derniereVisite) {
        throw Failure(kTypeIncompatible,
                      QStringLiteral("Type incompatible : DATE_VISU=\"%1\" n'est pas une date.")
                          .arg(dateVisu.left(100)));
    }

    notes::SessionPtr session = m.notes->createBackendSession();
    m.MotDePasse = motDePasseStocke(m.lireParam(keys::kPassword, QString()));
    if (m.MotDePasse.isEmpty()) {
        m.MotDePasse = m.dialogs->inputBox(QStringLiteral("Mot de passe LOTUS"),
                                           QStringLiteral("ACCES A LOTUS"), QString());
    }
    session->initialize(m.MotDePasse);
    const notes::UIWorkspacePtr workspace = m.notes->createUIWorkspace();
    popup.hide();
    m.CorpsCourant = nullptr;

    ScanState s{m, popup, hooks, secondes(*derniereVisite), nullptr, session.get(), {}};
    for (int n = 0; n < keys::kSlots; ++n) {
        m.ServeurBAL = m.lireParam(keys::serveur(n), QStringLiteral("local"));
        const notes::DbDirectoryPtr dir = session->getDbDirectory(m.ServeurBAL);
        m.FichierBAL = m.lireParam(keys::bal(n), QString());
        m.NumBAL = static_cast<std::int16_t>(n);
        if (!keys::estSurServeur(m.FichierBAL, m.ServeurBAL)) {
            // No longer watched: its outage no longer matters.
            if (m.boitesInjoignables.erase(n) > 0) annoncerInjoignables(s);
            continue;
        }
        try {
            scannerBoite(s, *dir);
        } catch (const Failure& f) {
            if (f.code() != notes::code::kServerUnavailable) throw;
            noterInjoignable(s, n, f);
            continue;
        }
        noterJoignable(s, n);
    }
    s.dernierDoc = nullptr;
    m.ecrireParam(keys::kDateVisu, texteDateHeure(debutScan));
    TimerScan.setInterval(kIntervalleScan);
    TimerScan.start();
}

}  // namespace

void ScanBAL(ModLOTUS& m, QTimer& TimerScan, FrmMsg& popup, const ScanHooks& hooks) {
    if (m.scanEnCours) return;
    m.scanEnCours = true;
    try {
        scanner(m, TimerScan, popup, hooks);
    } catch (const Failure& f) {
        m.LogErreur(f.description());
        if (f.code() == notes::code::kWrongPassword) {
            if (hooks.montrerParametres) hooks.montrerParametres();
            TimerScan.stop();
            m.dialogs->msgBox(f.description(), msg::kCritical, QStringLiteral("ERREUR"));
        }
        TimerScan.stop();
        if (hooks.surveillanceArretee) hooks.surveillanceArretee(f.description());
    } catch (const std::exception& e) {
        // Anything else the layers below let through ends the scan the same way.
        const QString description = QString::fromLocal8Bit(e.what());
        m.LogErreur(description);
        TimerScan.stop();
        if (hooks.surveillanceArretee) hooks.surveillanceArretee(description);
    }
    m.scanEnCours = false;
}

bool PasEncoreAffiche(const ModLOTUS& m, const QString& id) {
    if (m.DocsAffiches.empty()) return true;
    const std::size_t u = m.DocsAffiches.size() - 1;
    for (std::size_t i = 0; i < u; ++i) {
        if (m.DocsAffiches[i] == id) return false;
    }
    return true;
}

void AjouteDocAffiche(ModLOTUS& m, const QString& id) {
    std::vector<QString>& list = m.DocsAffiches;
    if (list.empty()) list.emplace_back();
    const std::size_t u = list.size() - 1;
    if (u > 500) {
        std::vector<QString> latest(22);
        for (std::size_t i = 0; i <= 20; ++i) latest[i] = list[500 - i];
        list = std::move(latest);
    }
    list.back() = id;
    list.emplace_back();
}

QString texteCorps(const QString& body) {
    QString t = body;
    t.remove(QStringLiteral("[IMAGE]"), Qt::CaseSensitive);
    qsizetype start = 0, end = t.size();
    while (start < end && t[start] == QLatin1Char(' ')) ++start;
    while (end > start && t[end - 1] == QLatin1Char(' ')) --end;
    return t.mid(start, end - start);
}

}  // namespace vantor

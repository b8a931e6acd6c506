// A phrase search over a 100,000-document mailbox, in MB of subject and body
// examined per second, against a plain substring search over the same texts
// held in memory, and against reading those texts straight from SQLite.
#include <sqlite3.h>

#include <QTemporaryDir>

#include "maintenance/recherche.h"
#include "maintenance_bench_support.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"
#include "store_bench_support.h"

namespace {

using namespace vantor;
using bench::kMailbox;
using bench::kServer;
using bench::kUser;

constexpr int kDocuments = 100000;
// One document in a hundred holds the phrase, half of them in the subject.
const QString kPhrase = QStringLiteral("RÉUNION BUDGÉTAIRE");

const QStringList kPhrases = {
    QStringLiteral("Merci pour votre message, je reviens vers vous dès que possible. "),
    QStringLiteral("Les chiffres du trimestre sont en pièce jointe, à vérifier avant jeudi. "),
    QStringLiteral("Pouvez-vous confirmer la date de livraison prévue pour la commande ? "),
    QStringLiteral("Le comité a validé la proposition ; la mise en œuvre commence en mars. "),
    QStringLiteral("Attention : le serveur sera arrêté samedi matin pour maintenance. "),
};

QString corps(int i) {
    QString body = QStringLiteral("Bonjour,\r\n");
    for (int k = 0; k < 6 + i % 10; ++k) body += kPhrases[(i + k) % kPhrases.size()];
    if (i % 200 == 100) body += QStringLiteral("Ordre du jour de la réunion budgétaire de lundi. ");
    return body + QStringLiteral("\r\nCordialement");
}

QString sujet(int i) {
    if (i % 200 == 0) return QStringLiteral("Réunion budgétaire n° %1").arg(i);
    return QStringLiteral("Suivi du dossier %1 - point hebdomadaire").arg(i);
}

struct Boite {
    QTemporaryDir dir;
    QString path;
    qint64 octetsExamines = 0;  // UTF-8 bytes of the subjects, and of the bodies the search reads
    std::vector<std::pair<QString, QString>> textes;

    Boite() {
        store::StoreAdmin admin(dir.path() + QStringLiteral("/notesdata"));
        admin.setUser(kUser, bench::kPassword, kServer, kMailbox);
        auto db = admin.createMailbox(kServer, kMailbox, {kUser});
        admin.createFolder(kServer, kMailbox, QStringLiteral("Recherche"));
        store::Batch batch(*db);
        const QString phrase = phraseCherchee(kPhrase);
        for (int i = 0; i < kDocuments; ++i) {
            store::Memo memo;
            memo.from = QStringLiteral("Expéditeur %1/Vantor").arg(i % 50);
            memo.sendTo = kUser;
            memo.subject = sujet(i);
            memo.body = corps(i);
            memo.created = QDateTime(QDate(2005, 1, 1), QTime(8, 0)).addSecs(i * 600LL);
            store::deliverMemo(*db, memo);
            octetsExamines += memo.subject.toUtf8().size();
            if (!contient(memo.subject, phrase)) octetsExamines += memo.body.toUtf8().size();
            textes.emplace_back(memo.subject, memo.body);
        }
        batch.commit();
        path = admin.root().findFile(kServer, kMailbox);
    }
};

Boite& boite() {
    static Boite b;
    return b;
}

void megaOctets(benchmark::State& state) {
    state.counters["MB_per_s"] =
        benchmark::Counter(static_cast<double>(boite().octetsExamines) / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Recherche(benchmark::State& state) {
    Boite& b = boite();
    bench::Programme p(b.dir.path());
    for (auto _ : state) {
        p.dialogs.inputAnswers = {kPhrase};
        p.maintenance.CmdRecherche_Click(0);
        if (!p.dialogs.shown.empty() &&
            p.dialogs.shown.back().title != QStringLiteral("RECHERCHER"))
            state.SkipWithError(p.dialogs.shown.back().text.toStdString().c_str());
    }
    megaOctets(state);
}

// The same texts, already in memory: a case-insensitive substring test.
void BM_SousChaineEnMemoire(benchmark::State& state) {
    Boite& b = boite();
    int trouves = 0;
    for (auto _ : state) {
        trouves = 0;
        for (const auto& [subject, body] : b.textes)
            trouves += subject.contains(kPhrase, Qt::CaseInsensitive) ||
                       body.contains(kPhrase, Qt::CaseInsensitive);
    }
    if (trouves != kDocuments / 100) state.SkipWithError("wrong hit count");
    megaOctets(state);
}

// The subject and body of every document read straight from SQLite, then the same test.
void BM_LectureSqliteNue(benchmark::State& state) {
    Boite& b = boite();
    int trouves = 0;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(b.path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT s.text, c.text FROM documents d "
                           "JOIN items s ON s.doc = d.id AND s.name = 'Subject' "
                           "JOIN items c ON c.doc = d.id AND c.name = 'Body' ORDER BY d.id",
                           -1, &q, nullptr);
        trouves = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            const auto texte = [&](int c) {
                return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, c)),
                                         sqlite3_column_bytes(q, c));
            };
            trouves += texte(0).contains(kPhrase, Qt::CaseInsensitive) ||
                       texte(1).contains(kPhrase, Qt::CaseInsensitive);
        }
        sqlite3_finalize(q);
        sqlite3_close(db);
    }
    if (trouves != kDocuments / 100) state.SkipWithError("wrong hit count");
    megaOctets(state);
}

// The store's walk of "($All)" reading every document's items: the search without its test.
void BM_ParcoursAvecItems(benchmark::State& state) {
    Boite& b = boite();
    store::LocalClient client(b.dir.path() + QStringLiteral("/notesdata"));
    for (auto _ : state) {
        notes::SessionPtr session = client.createBackendSession();
        session->initialize(bench::kPassword);
        notes::ViewPtr all = session->getDbDirectory(kServer)
                                 ->openDatabase(kMailbox, false)
                                 ->getView(QStringLiteral("($All)"));
        qint64 n = 0;
        for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
            n += d->items().size();
        benchmark::DoNotOptimize(n);
    }
    megaOctets(state);
}

BENCHMARK(BM_SousChaineEnMemoire)->Apply(bench::courses<9>);
BENCHMARK(BM_LectureSqliteNue)->Apply(bench::courses<9>);
BENCHMARK(BM_ParcoursAvecItems)->Apply(bench::courses<9>);
BENCHMARK(BM_Recherche)->Apply(bench::courses<9>);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    const QTime start = QTime::currentTime();
    boite();
    std::printf("generated %d documents (%.1f MB of subject and body examined) in %.1f s\n",
                kDocuments, boite().octetsExamines / 1e6,
                start.msecsTo(QTime::currentTime()) / 1000.0);
    {
        // One search first, so that every timed one finds the folder as the last one left it.
        bench::Programme p(boite().dir.path());
        p.dialogs.inputAnswers = {kPhrase};
        p.maintenance.CmdRecherche_Click(0);
    }
    bench::RatioReporter reporter({{"BM_Recherche", "BM_SousChaineEnMemoire"},
                                   {"BM_Recherche", "BM_LectureSqliteNue"},
                                   {"BM_Recherche", "BM_ParcoursAvecItems"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

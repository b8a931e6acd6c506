// The folder menu of a mailbox with 2,000 folders nested up to six levels:
// collecting the list (ChargeDossiers) against the store's own walk of the
// views, and building and releasing the cascading menu against a flat QMenu
// of as many entries. The rule of the menu applied to every pair of entries,
// and the substring parent test over every pair, are measured as references.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

#include "actions/charge_dossiers.h"
#include "actions/folder_menu.h"
#include "core/keys.h"
#include "core/password.h"
#include "notes/store/local_client.h"
#include "notes/store/store_admin.h"
#include "store_bench_support.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "watch/frm_msg.h"

namespace {

using namespace vantor;

constexpr int kDossiers = 2000;
constexpr int kProfondeurMax = 6;
const QString kServer = QStringLiteral("Paris/Vantor");
const QString kFile = QStringLiteral("mail\\dossiers.nsf");
const QString kUser = QStringLiteral("Jean Dupont/Vantor");
const QString kPassword = QStringLiteral("vantor");

// 2,000 folder paths, parents before children: 12 top-level folders, then
// each new folder under a random folder less than six levels deep.
QStringList cheminsDeDossiers() {
    QRandomGenerator alea(2026);
    QStringList chemins;
    for (int i = 1; i <= 12; ++i) chemins << QStringLiteral("Classement %1").arg(i);
    while (chemins.size() < kDossiers) {
        const QString& parent = chemins[alea.bounded(chemins.size())];
        if (NombreNiveaux(parent) >= kProfondeurMax) continue;
        chemins << parent + QStringLiteral("\\Sous-dossier %1").arg(chemins.size());
    }
    return chemins;
}

struct Program {
    test::TempDir dir;
    QString dataRoot = dir.file(QStringLiteral("notesdata"));
    test::ScriptedDialogs dialogs;
    store::LocalClient client{dataRoot};
    ModLOTUS m{Env::Default(), &dialogs, &client, dir.path()};
    QStringList chemins = cheminsDeDossiers();
    std::unique_ptr<FrmMsg> popup;
    ListeDossiers listes;

    Program() {
        store::StoreAdmin admin(dataRoot);
        admin.setUser(kUser, kPassword, kServer, kFile);
        auto db = admin.createMailbox(kServer, kFile, {kUser});
        store::Batch batch(*db);  // one transaction for all the folders
        for (const QString& chemin : chemins) db->mailFile()->createFolder(chemin);
        batch.commit();
        m.ecrireParam(keys::bal(0), kFile);
        m.ecrireParam(keys::kPassword, CrypteMotDePasse(kPassword).value());
        m.ServeurBAL = kServer;
        popup = std::make_unique<FrmMsg>(m);
    }
};

Program& program() {
    static Program p;
    return p;
}

// The store's part of a collection: a session, the mailbox, every view's name and kind.
void BM_StoreWalkOfViews(benchmark::State& state) {
    Program& p = program();
    int dossiers = 0;
    for (auto _ : state) {
        notes::SessionPtr session = p.client.createBackendSession();
        session->initialize(kPassword);
        notes::DatabasePtr db = session->getDatabase(kServer, kFile);
        dossiers = 0;
        for (const notes::ViewPtr& vue : db->views()) {
            const QString nom = vue->name();
            dossiers += vue->isFolder() && !nom.startsWith(QLatin1Char('('));
        }
    }
    if (dossiers != kDossiers) state.SkipWithError("wrong folder count");
}

// The floor: the same rows read straight from the mailbox file.
void BM_BareSqliteViews(benchmark::State& state) {
    Program& p = program();
    const QByteArray chemin =
        store::StoreAdmin(p.dataRoot).root().findFile(kServer, kFile).toUtf8();
    int dossiers = 0;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(chemin.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* vues = nullptr;
        sqlite3_prepare_v2(db, "SELECT name, is_folder FROM views ORDER BY id", -1, &vues, nullptr);
        dossiers = 0;
        while (sqlite3_step(vues) == SQLITE_ROW) {
            const QString nom =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(vues, 0)),
                                  sqlite3_column_bytes(vues, 0));
            dossiers += sqlite3_column_int(vues, 1) != 0 && !nom.startsWith(QLatin1Char('('));
        }
        sqlite3_finalize(vues);
        sqlite3_close(db);
    }
    if (dossiers != kDossiers) state.SkipWithError("wrong folder count");
}

void BM_ChargeDossiers(benchmark::State& state) {
    Program& p = program();
    PendantCollecte pendant;
    pendant.relanceTimerFermeture = [&p] { p.popup->relanceTimerFermeture(); };
    for (auto _ : state) ChargeDossiers(p.m, p.listes, 0, pendant);
    if (p.listes[0].size() <= static_cast<std::size_t>(kDossiers))
        state.SkipWithError("list not collected");
    state.counters["entries"] = static_cast<double>(p.listes[0].size());
}

// The substring parent test applied to every pair, as written first.
void BM_ParentsByEveryPair(benchmark::State& state) {
    const QStringList& chemins = program().chemins;
    int parents = 0;
    for (auto _ : state) {
        parents = 0;
        for (const QString& r : chemins) {
            for (const QString& s : chemins) {
                if (s != r && s.contains(r)) {
                    ++parents;
                    break;
                }
            }
        }
    }
    benchmark::DoNotOptimize(parents);
}

void BM_ListeDeDossiers(benchmark::State& state) {
    const QStringList& chemins = program().chemins;
    for (auto _ : state) benchmark::DoNotOptimize(listeDeDossiers(chemins));
}

const ListeMenu& liste() {
    static const ListeMenu l = listeDeDossiers(program().chemins);
    return l;
}

// What the folders button costs before the user opens a submenu: the tree,
// the root menu, its release.
void BM_BuildAndReleaseFolderMenu(benchmark::State& state) {
    const ListeMenu& l = liste();
    for (auto _ : state) {
        const std::vector<EntreeMenu> arbre = ConstruitMenu(1, l, QString());
        std::unique_ptr<QMenu> menu = menuDeArbre(arbre);
        benchmark::DoNotOptimize(menu->actions().size());
    }
    state.counters["entries"] = static_cast<double>(l.size());
}

// Opens a submenu as the user does, filling it.
QMenu* ouvre(QAction* a) {
    emit a->menu()->aboutToShow();
    return a->menu();
}

int profondeur(const EntreeMenu& e) {
    int p = 0;
    for (const EntreeMenu& f : e.sousMenu) p = std::max(p, profondeur(f) + 1);
    return p;
}

// The positions, menu after menu, of the submenus leading to a deepest folder.
std::vector<int> versLePlusProfond(const std::vector<EntreeMenu>& arbre) {
    std::vector<int> positions;
    const std::vector<EntreeMenu>* entrees = &arbre;
    for (;;) {
        int meilleur = -1, pMax = 0;
        for (int i = 0; i < static_cast<int>(entrees->size()); ++i) {
            const EntreeMenu& e = (*entrees)[i];
            if (!e.sousMenu.empty() && profondeur(e) + 1 > pMax)
                pMax = profondeur(e) + 1, meilleur = i;
        }
        if (meilleur < 0) return positions;
        positions.push_back(meilleur);
        entrees = &(*entrees)[meilleur].sousMenu;
    }
}

// The same with the submenus of a deepest folder opened one after the other.
void BM_BuildOpenDeepestPathAndRelease(benchmark::State& state) {
    const ListeMenu& l = liste();
    const std::vector<int> positions = versLePlusProfond(ConstruitMenu(1, l, QString()));
    for (auto _ : state) {
        const std::vector<EntreeMenu> arbre = ConstruitMenu(1, l, QString());
        std::unique_ptr<QMenu> menu = menuDeArbre(arbre);
        QMenu* courant = menu.get();
        for (int position : positions) courant = ouvre(courant->actions()[position]);
        benchmark::DoNotOptimize(courant->actions().size());
    }
    if (positions.size() + 1 != kProfondeurMax) state.SkipWithError("deepest folder not reached");
}

void ouvreTout(QMenu& menu) {
    for (QAction* a : menu.actions())
        if (a->menu()) ouvreTout(*ouvre(a));
}

// Every submenu opened: the whole tree in widgets, as if filled at once.
void BM_BuildEverySubmenuAndRelease(benchmark::State& state) {
    const ListeMenu& l = liste();
    int entrees = 0;
    for (auto _ : state) {
        const std::vector<EntreeMenu> arbre = ConstruitMenu(1, l, QString());
        std::unique_ptr<QMenu> menu = menuDeArbre(arbre);
        ouvreTout(*menu);
        entrees = static_cast<int>(menu->findChildren<QAction*>().size());
    }
    benchmark::DoNotOptimize(entrees);
}

void BM_ConstruitMenuTreeOnly(benchmark::State& state) {
    const ListeMenu& l = liste();
    for (auto _ : state) benchmark::DoNotOptimize(ConstruitMenu(1, l, QString()));
}

// The rule of the menu applied to every entry for every submenu, as written first.
std::vector<EntreeMenu> parEveryPair(int niveau, const ListeMenu& l, const QString& prefixe) {
    std::vector<EntreeMenu> menu;
    const QString debut = prefixe + QLatin1Char('\\');
    for (const MenuItem& i : l) {
        if (i.Niveau != niveau || i.Chemin.size() <= prefixe.size()) continue;
        if (!prefixe.isEmpty() && !i.Chemin.startsWith(debut)) continue;
        EntreeMenu e{i.Caption, i.Id,
                     i.Soi ? std::vector<EntreeMenu>{} : parEveryPair(niveau + 1, l, i.Chemin)};
        if (!e.sousMenu.empty()) e.id = 0;
        menu.push_back(std::move(e));
    }
    return menu;
}

bool memeArbre(const std::vector<EntreeMenu>& a, const std::vector<EntreeMenu>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].caption != b[i].caption || a[i].id != b[i].id ||
            !memeArbre(a[i].sousMenu, b[i].sousMenu))
            return false;
    }
    return true;
}

void BM_MenuTreeByEveryPair(benchmark::State& state) {
    const ListeMenu& l = liste();
    // The index must change the speed only.
    if (!memeArbre(parEveryPair(1, l, QString()), ConstruitMenu(1, l, QString())))
        state.SkipWithError("the indexed tree differs from the rule");
    for (auto _ : state) benchmark::DoNotOptimize(parEveryPair(1, l, QString()));
}

// The floor of any menu of that size: one flat QMenu with as many entries.
void BM_FlatQMenuSameEntries(benchmark::State& state) {
    const ListeMenu& l = liste();
    for (auto _ : state) {
        QMenu menu;
        for (const MenuItem& i : l) menu.addAction(i.Caption)->setData(i.Id);
        benchmark::DoNotOptimize(menu.actions().size());
    }
}

constexpr int kRepetitions = 9;
#define VANTOR_BENCH(f)                 \
    BENCHMARK(f)                        \
        ->Unit(benchmark::kMillisecond) \
        ->Repetitions(kRepetitions)     \
        ->ReportAggregatesOnly(true)
// The references that compare every pair take long: a few runs are enough.
#define VANTOR_BENCH_LENT(f) VANTOR_BENCH(f)->Iterations(2)
VANTOR_BENCH(BM_BareSqliteViews);
VANTOR_BENCH(BM_StoreWalkOfViews);
VANTOR_BENCH(BM_ChargeDossiers);
VANTOR_BENCH(BM_ListeDeDossiers);
VANTOR_BENCH_LENT(BM_ParentsByEveryPair);
VANTOR_BENCH(BM_FlatQMenuSameEntries);
VANTOR_BENCH(BM_BuildAndReleaseFolderMenu);
VANTOR_BENCH(BM_BuildOpenDeepestPathAndRelease);
VANTOR_BENCH(BM_BuildEverySubmenuAndRelease);
VANTOR_BENCH(BM_ConstruitMenuTreeOnly);
VANTOR_BENCH_LENT(BM_MenuTreeByEveryPair);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);
    QElapsedTimer depuis;
    depuis.start();
    program();  // the mailbox is built before timing starts
    std::printf("generated %d folders in %.1f s\n", kDossiers, depuis.elapsed() / 1000.0);
    bench::RatioReporter reporter({{"BM_ChargeDossiers", "BM_StoreWalkOfViews"},
                                   {"BM_StoreWalkOfViews", "BM_BareSqliteViews"},
                                   {"BM_BuildEverySubmenuAndRelease", "BM_FlatQMenuSameEntries"},
                                   {"BM_MenuTreeByEveryPair", "BM_ConstruitMenuTreeOnly"},
                                   {"BM_ParentsByEveryPair", "BM_ListeDeDossiers"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

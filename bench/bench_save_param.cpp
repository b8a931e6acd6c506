// One save of the settings window without folder collection, over five
// reachable mailboxes, against its two floors measured alike: opening the
// five mailboxes through the mail-system interfaces, and the same settings
// reads and writes on the same param.ini.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>

#include "core/keys.h"
#include "core/modlotus.h"
#include "core/password.h"
#include "core/settings.h"
#include "app/frm_lotus.h"
#include "notes/store/local_client.h"
#include "notes/workspace/ipc_workspace.h"
#include "bench_mailboxes.h"
#include "store_bench_support.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace {

using namespace vantor;
using namespace vantor::benchdata;

// Opening a mailbox does not walk it; a few documents keep the files realistic.
constexpr int kDocumentsPerMailbox = 1000;

QString archiveOf(int slot) { return QStringLiteral("archive\\utilisateur%1.nsf").arg(slot + 1); }

// A program folder as a user leaves it after a first save: five slots on five
// servers, the password stored, no automatic watching; the window started.
struct Program {
    test::TempDir dir;
    QString dataRoot = dir.file(QStringLiteral("notesdata"));
    test::ScriptedDialogs dialogs;  // answers at once
    store::LocalClient client{dataRoot, notes::ipcWorkspaceFactory(dataRoot)};
    ModLOTUS m{Env::Default(), &dialogs, &client, dir.path()};
    std::unique_ptr<FrmLOTUS> window;

    Program() {
        benchdata::buildMailboxes(dataRoot, kDocumentsPerMailbox, QDateTime::currentDateTime().addDays(-30), 60);

        m.ecrireParam(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime()));
        m.ecrireParam(keys::kDelai, QStringLiteral("15"));
        for (int slot = 0; slot < kMailboxes; ++slot) {
            m.ecrireParam(keys::bal(slot), fileOf(slot));
            m.ecrireParam(keys::serveur(slot), serverOf(slot));
            m.ecrireParam(keys::balArchive(slot), archiveOf(slot));
            m.ecrireParam(keys::dateArchive(slot), QStringLiteral("01/01/2025"));
        }
        m.ecrireParam(keys::kPassword, CrypteMotDePasse(kPassword).value());
        for (const QString& key : {keys::kAuto, keys::kLogoff, keys::kAutoNotes})
            m.ecrireParam(key, QStringLiteral("0"));
        m.ecrireParam(keys::kCouleur, QStringLiteral("C0DDDD"));
        m.ecrireParam(keys::kHeight, QStringLiteral("2325"));
        m.ecrireParam(keys::kWidth, QStringLiteral("8470"));

        window = std::make_unique<FrmLOTUS>(m);
        window->finProgramme = [] {};
        window->Form_Load();
        dialogs.shown.clear();
    }
};

Program& program() {
    static Program p;
    return p;
}

void BM_SaveParamWithoutFolders(benchmark::State& state) {
    Program& p = program();
    const bool bParam = false;
    bool allOpened = true;
    for (auto _ : state) allOpened = p.window->SaveParam(bParam) && allOpened;
    if (!allOpened || !p.dialogs.shown.empty()) state.SkipWithError("a mailbox was not reached");
}

// The mail-system part of a save: one session, five mailboxes opened.
bool openFiveMailboxes(Program& p) {
    notes::SessionPtr session = p.client.createBackendSession();
    session->initialize(kPassword);
    bool all = true;
    for (int slot = 0; slot < kMailboxes; ++slot) {
        notes::DatabasePtr db = session->getDbDirectory(serverOf(slot))->openDatabase(fileOf(slot), false);
        all = all && db && db->isOpen();
    }
    return all;
}

// The settings part of a save: the keys it writes and reads, in its order.
void sameSettingsReadsAndWrites(ModLOTUS& m) {
    static const QString stored = CrypteMotDePasse(kPassword).value();
    m.ecrireParam(keys::kDelai, QStringLiteral("15"));
    m.ecrireParam(keys::kPassword, stored);
    benchmark::DoNotOptimize(m.lireParam(keys::kPassword, QString()));
    for (int slot = 0; slot < kMailboxes; ++slot) {
        m.ecrireParam(keys::bal(slot), fileOf(slot));
        m.ecrireParam(keys::balArchive(slot), archiveOf(slot));
        m.ecrireParam(keys::dateArchive(slot), QStringLiteral("01/01/2025"));
        m.ecrireParam(keys::serveur(slot), serverOf(slot));
        benchmark::DoNotOptimize(m.lireParam(keys::bal(slot), QString()));
        benchmark::DoNotOptimize(m.lireParam(keys::serveur(slot), QString()));
    }
    for (const QString& key : {keys::kAuto, keys::kLogoff, keys::kAutoNotes})
        m.ecrireParam(key, QStringLiteral("0"));
    m.ecrireParam(keys::kCouleur, QStringLiteral("C0DDDD"));
    m.ecrireParam(keys::kHeight, QStringLiteral("2325"));
    m.ecrireParam(keys::kWidth, QStringLiteral("8470"));
    m.ecrireParam(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime()));
}

void BM_OpenFiveMailboxes(benchmark::State& state) {
    Program& p = program();
    bool all = true;
    for (auto _ : state) all = openFiveMailboxes(p) && all;
    if (!all) state.SkipWithError("a mailbox was not reached");
}

void BM_SameSettingsReadsAndWrites(benchmark::State& state) {
    Program& p = program();
    for (auto _ : state) sameSettingsReadsAndWrites(p.m);
}

// Both floors one after the other: what a save cannot go below.
void BM_BothFloors(benchmark::State& state) {
    Program& p = program();
    bool all = true;
    for (auto _ : state) {
        all = openFiveMailboxes(p) && all;
        sameSettingsReadsAndWrites(p.m);
    }
    if (!all) state.SkipWithError("a mailbox was not reached");
}

BENCHMARK(BM_OpenFiveMailboxes)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SameSettingsReadsAndWrites)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_BothFloors)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveParamWithoutFolders)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::initialiseInterleaved(argc, argv);

    program();  // built and started before timing starts
    bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_SaveParamWithoutFolders", "BM_OpenFiveMailboxes"},
        {"BM_SaveParamWithoutFolders", "BM_SameSettingsReadsAndWrites"},
        {"BM_SaveParamWithoutFolders", "BM_BothFloors"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

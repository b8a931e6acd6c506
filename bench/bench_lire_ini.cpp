// Cost of one settings read against the bare read of the file's bytes.
#include <benchmark/benchmark.h>

#include <QString>

#include "platform/env.h"
#include "platform/profile_file.h"
#include "store_bench_support.h"
#include "support/temp_dir.h"

namespace {

// A param.ini as the program leaves it after some saves: 60 keys of [PARAM].
QByteArray paramIni() {
    QByteArray f = "[PARAM]\r\nDATE_VISU=06/12/2026 21:50:13\r\nDELAI=15\r\n";
    for (int n = 0; n < 5; ++n) {
        const QByteArray s = QByteArray::number(n);
        f += "BAL_" + s + "=mail\\utilisateur_" + s + ".nsf\r\n";
        f += "SERVEUR_LOTUS_" + s + "=SRV-NOTES-0" + s + "/Societe/FR\r\n";
        f += "BAL_ARCHIVE_" + s + "=archives\\a_utilisateur_" + s + ".nsf\r\n";
        f += "DATE_ARCHIVE_" + s + "=01/01/2025\r\n";
    }
    f += "PASSWORD=5A3F71C0924B\r\nAUTO=1\r\nLOGOFF=0\r\nAUTONOTES=1\r\n";
    for (int n = 0; n < 31; ++n) {
        f += "OPTION_" + QByteArray::number(n) + "=valeur de r\xE9glage " + QByteArray::number(n) +
             "\r\n";
    }
    f += "COULEUR=C0DDDD\r\nHEIGHT=2325\r\nWIDTH=8470\r\n";
    return f;  // 60 keys, "WIDTH" last
}

struct Fixture {
    vantor::test::TempDir dir;
    QString path = dir.file("param.ini");
    Fixture() { vantor::Env::Default()->replaceFile(path, paramIni()); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_GetStringKeyNearEnd(benchmark::State& state) {
    vantor::Env& env = *vantor::Env::Default();
    const QString section = QStringLiteral("PARAM"), key = QStringLiteral("HEIGHT");
    const QString def = QStringLiteral("2325");
    for (auto _ : state) {
        auto r = vantor::profile::getString(env, section, key, def, 1024, fixture().path);
        benchmark::DoNotOptimize(r);
    }
}

void BM_ReadFileBaseline(benchmark::State& state) {
    vantor::Env& env = *vantor::Env::Default();
    for (auto _ : state) {
        auto bytes = env.readFile(fixture().path);
        benchmark::DoNotOptimize(bytes);
    }
}

BENCHMARK(BM_ReadFileBaseline)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_GetStringKeyNearEnd)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    vantor::bench::initialiseInterleaved(argc, argv);
    vantor::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_GetStringKeyNearEnd", "BM_ReadFileBaseline"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

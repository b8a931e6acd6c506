// What the safety checks cost: Env::readFile (type checked before and after
// a non-blocking open) against the bare open, read and close of the same
// bytes; texteDateHeure (locale form checked by reading it back) against the
// locale's formatting alone.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QLocale>

#include "core/settings.h"
#include "platform/env.h"
#include "store_bench_support.h"
#include "support/temp_dir.h"

namespace {

struct Fixture {
    vantor::test::TempDir dir;
    QString path = dir.file("param.ini");
    QByteArray native = QFile::encodeName(path);
    Fixture() {
        QByteArray f = "[PARAM]\r\n";
        for (int n = 0; n < 60; ++n)
            f += "CLE_" + QByteArray::number(n) + "=valeur de r\xE9glage\r\n";
        vantor::Env::Default()->replaceFile(path, f);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BareOpenReadClose(benchmark::State& state) {
    char buf[65536];
    for (auto _ : state) {
        const int fd = ::open(fixture().native.constData(), O_RDONLY | O_CLOEXEC);
        QByteArray data;
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) data.append(buf, n);
        ::close(fd);
        benchmark::DoNotOptimize(data);
    }
}

void BM_EnvReadFile(benchmark::State& state) {
    vantor::Env& env = *vantor::Env::Default();
    for (auto _ : state) {
        auto bytes = env.readFile(fixture().path);
        benchmark::DoNotOptimize(bytes);
    }
}

const QDateTime kWhen(QDate(2026, 12, 7), QTime(15, 32, 18));

// The locale's formatting alone, what the writer did before.
void BM_LocaleFormatOnly(benchmark::State& state) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QLocale locale;
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const QString time = locale.timeFormat(QLocale::LongFormat);
    for (auto _ : state) {
        QString text =
            locale.toString(kWhen.date(), date) + ' ' + locale.toString(kWhen.time(), time);
        benchmark::DoNotOptimize(text);
    }
}

// French: the locale form kept after its read-back check.
void BM_TexteDateHeureFrench(benchmark::State& state) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    for (auto _ : state) {
        QString text = vantor::texteDateHeure(kWhen);
        benchmark::DoNotOptimize(text);
    }
}

// Japanese: the check fails and the fixed form is written.
void BM_TexteDateHeureJapanese(benchmark::State& state) {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    for (auto _ : state) {
        QString text = vantor::texteDateHeure(kWhen);
        benchmark::DoNotOptimize(text);
    }
}

BENCHMARK(BM_BareOpenReadClose)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_EnvReadFile)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_LocaleFormatOnly)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_TexteDateHeureFrench)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_TexteDateHeureJapanese)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    vantor::bench::initialiseInterleaved(argc, argv);
    vantor::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"BM_EnvReadFile", "BM_BareOpenReadClose"},
        {"BM_TexteDateHeureFrench", "BM_LocaleFormatOnly"},
        {"BM_TexteDateHeureJapanese", "BM_LocaleFormatOnly"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

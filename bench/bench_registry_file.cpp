// Reading a registry file exported from Windows, as every registry call does:
// keys side by side by the thousand (HKEY_CLASSES_ROOT\CLSID) against the
// floor, the decoding of the same bytes into text. The cost per key must stay
// flat as the keys grow in number.
#include <benchmark/benchmark.h>

#include <QString>

#include "platform/reg_text.h"
#include "support/reg_files.h"

namespace {

QByteArray exportOf(int classes) {
    return vantor::test::regeditBytes(vantor::test::classesExport(classes));
}

void BM_ParseExport(benchmark::State& state) {
    const QByteArray bytes = exportOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto top = vantor::regtext::parse(bytes, nullptr);
        benchmark::DoNotOptimize(top);
    }
    state.counters["per_key"] = benchmark::Counter(
        static_cast<double>(state.range(0)) * 2,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DecodeBaseline(benchmark::State& state) {
    const QByteArray bytes = exportOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QString text(reinterpret_cast<const QChar*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
        benchmark::DoNotOptimize(text);
    }
}

// 1,000 to 20,000 classes (2,000 to 40,000 keys, 0.4 to 9 MB).
void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)
        ->Arg(5000)
        ->Arg(20000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_DecodeBaseline)->Apply(sizes);
BENCHMARK(BM_ParseExport)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();

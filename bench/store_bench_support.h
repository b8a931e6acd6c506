#pragma once
// Shared by the store benchmarks: memory figures of this process, and a
// reporter that prints the ratio of each benchmark's median to a baseline's.
#include <benchmark/benchmark.h>
#include <vector>

#include <QFile>
#include <QString>
#include <cstdio>
#include <map>
#include <string>

namespace vantor::bench {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
inline long statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').first().toLong();
    return -1;
}

// Resets the peak resident size, so that VmHWM then shows the peak of what follows.
inline void resetPeakMemory() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// Initialises Google Benchmark with random interleaving, so that benchmarks
// taking turns share the machine's noise alike.
inline void initialiseInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Pairs of (measured, baseline) benchmark names, as Google Benchmark names them.
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.aggregate_name == "median") medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [measured, baseline] : pairs_) {
            if (!medians_.count(measured) || !medians_.count(baseline)) continue;
            std::printf("ratio %s / %s (medians) = %.2f\n", measured.c_str(), baseline.c_str(),
                        medians_[measured] / medians_[baseline]);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, double> medians_;
};

}  // namespace vantor::bench

#pragma once
// Shared by the store benchmarks: memory figures of this process, and a
// reporter that prints the ratio of each benchmark's median to a baseline's.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantor::bench {

// The number of documents or messages a benchmark works on: `normal`, or
// VANTOR_BENCH_SCALE times it (a fraction, for runs under valgrind).
inline int scaled(int normal) {
    const char* scale = std::getenv("VANTOR_BENCH_SCALE");
    if (!scale || !*scale) return normal;
    const double factor = std::atof(scale);
    return factor > 0 ? std::max(1, static_cast<int>(normal * factor)) : normal;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
inline long statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').first().toLong();
    return -1;
}

// The floor of any walk: the rows of a mail file (ID, universal ID, creation
// time) in one sequential query, straight from SQLite, the file opened and
// closed as a walk does. Returns the number of rows; adds to `checksum`.
inline int bareSequentialScan(const QString& path, qint64& checksum) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* all = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, unid, created FROM documents ORDER BY id", -1, &all,
                       nullptr);
    int n = 0;
    while (sqlite3_step(all) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_text(all, 1));
        checksum += sqlite3_column_int64(all, 2) / 1000;
        ++n;
    }
    sqlite3_finalize(all);
    sqlite3_close(db);
    return n;
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
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs)
        : pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name != "median") continue;
            medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
            cpuMedians_[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Wall time is what the user waits; CPU time is steadier on a loaded machine.
    // A baseline "A+B" is the sum of the two medians (a floor made of two steps).
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [measured, baseline] : pairs_) {
            const auto wall = sum(medians_, baseline);
            const auto cpu = sum(cpuMedians_, baseline);
            if (!medians_.count(measured) || !wall) continue;
            std::printf("ratio %s / %s (medians) = %.2f (CPU time %.2f)\n", measured.c_str(),
                        baseline.c_str(), medians_[measured] / *wall, cpuMedians_[measured] / *cpu);
        }
    }

  private:
    // The medians of the names joined by "+", summed; nullopt when one is missing.
    static std::optional<double> sum(const std::map<std::string, double>& medians,
                                     const std::string& names) {
        double total = 0;
        for (std::size_t from = 0; from <= names.size();) {
            const std::size_t plus = std::min(names.find('+', from), names.size());
            const auto found = medians.find(names.substr(from, plus - from));
            if (found == medians.end()) return std::nullopt;
            total += found->second;
            from = plus + 1;
        }
        return total;
    }

    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, double> medians_;
    std::map<std::string, double> cpuMedians_;
};

}  // namespace vantor::bench

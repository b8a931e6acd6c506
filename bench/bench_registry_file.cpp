// Reading the registry file as the program does at start-up (open the key,
// ask the value's size, read it, close the key) in a large export as the
// registry editor writes it: HKEY_CLASSES_ROOT\CLSID with keys side by side
// by the ten thousand, 10 and 50 MB. Against the floor, a bare read of the
// same bytes: the first read (the file parsed), the reads that follow while
// the file is unchanged, and the peak memory of the first read against the
// file's size, measured in a child process of its own.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <map>

#include "platform/registry_file.h"
#include "support/reg_files.h"
#include "support/temp_dir.h"

namespace {

using namespace vantor;

// About 410 bytes a class: 25,000 classes make 10 MB, 125,000 make 51 MB.
const QString& exportFile(int classes) {
    static test::TempDir dir;
    static std::map<int, QString> files;
    const auto [it, added] =
        files.try_emplace(classes, dir.file(QStringLiteral("registre-%1.reg").arg(classes)));
    if (added) {
        QFile file(it->second);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(test::regeditBytes(test::classesExport(classes))) < 0)
            std::abort();
    }
    return it->second;
}

double sizeOf(const QString& path) {
    return static_cast<double>(QFileInfo(path).size());
}

// The last class's default value, as the mail client's folder is read.
void readOneValue(Registry& registry, int classes) {
    const QString key = QStringLiteral("CLSID\\{%1-0000-0000-0000-000000000000}\\InprocServer32")
                            .arg(classes - 1, 8, 16, QChar(u'0'));
    reg::Handle h = 0;
    if (registry.openKey(reg::kClassesRoot, key, reg::kRead, &h) != reg::kSuccess) std::abort();
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    registry.queryValue(h, QString(), &type, nullptr, &size);
    QByteArray data;
    if (registry.queryValue(h, QString(), &type, &data, &size) != reg::kSuccess) std::abort();
    benchmark::DoNotOptimize(data);
    registry.closeKey(h);
}

std::unique_ptr<FileRegistry> registryOf(const QString& path) {
    return std::make_unique<FileRegistry>(*Env::Default(), path,
                                          [](const QString&) { std::abort(); });
}

void BM_BareRead(benchmark::State& state) {
    const QString& path = exportFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::optional<QByteArray> bytes = Env::Default()->readFile(path);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["MB"] = sizeOf(path) / 1e6;
}

void BM_FirstRead(benchmark::State& state) {
    const int classes = static_cast<int>(state.range(0));
    const QString& path = exportFile(classes);
    for (auto _ : state) {
        readOneValue(*registryOf(path), classes);
    }
}

void BM_LaterRead(benchmark::State& state) {
    const int classes = static_cast<int>(state.range(0));
    const auto registry = registryOf(exportFile(classes));
    readOneValue(*registry, classes);
    for (auto _ : state) readOneValue(*registry, classes);
}

qint64 statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLongLong();
    return -1;
}

// The resident memory the first read adds at its peak, in a fresh child: the
// heap given back and the high-water mark reset first (/proc/self/clear_refs).
void BM_PeakMemoryOfFirstRead(benchmark::State& state) {
    const int classes = static_cast<int>(state.range(0));
    const QString& path = exportFile(classes);
    double peakBytes = 0;
    for (auto _ : state) {
        int report[2];
        if (::pipe(report) != 0) std::abort();
        const pid_t child = ::fork();
        if (child == 0) {
            ::malloc_trim(0);
            QFile clear(QStringLiteral("/proc/self/clear_refs"));
            if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) _exit(1);
            clear.close();
            const qint64 before = statusKb("VmRSS:");
            readOneValue(*registryOf(path), classes);
            const qint64 added = (statusKb("VmHWM:") - before) * 1024;
            _exit(::write(report[1], &added, sizeof added) == sizeof added ? 0 : 1);
        }
        qint64 added = -1;
        if (::read(report[0], &added, sizeof added) != sizeof added) std::abort();
        ::waitpid(child, nullptr, 0);
        ::close(report[0]);
        ::close(report[1]);
        peakBytes = static_cast<double>(added);
    }
    state.counters["peak_MB"] = peakBytes / 1e6;
    state.counters["peak_to_size"] = peakBytes / sizeOf(path);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(25000)
        ->Arg(125000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(7)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_BareRead)->Apply(sizes);
BENCHMARK(BM_FirstRead)->Apply(sizes);
BENCHMARK(BM_LaterRead)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeakMemoryOfFirstRead)->Apply(sizes)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

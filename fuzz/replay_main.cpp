// Runs a fuzz target on inputs as libFuzzer runs a corpus: every file named,
// and every file of every folder named (sorted). Where the targets are not
// built with libFuzzer, this is their program: the tests replay the kept
// corpus with it, and a reproducer replays in any build.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool run(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    std::fprintf(stderr, "Running: %s\n", qPrintable(path));
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QFile::decodeName(argv[i]);
        if (arg.startsWith(QLatin1Char('-'))) continue;  // libFuzzer's options mean nothing here
        if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
                if (!run(dir.filePath(name))) return 1;
                ++inputs;
            }
        } else {
            if (!run(arg)) return 1;
            ++inputs;
        }
    }
    std::fprintf(stderr, "Executed %d inputs\n", inputs);
    return inputs > 0 ? 0 : 1;  // no input at all is a mistake in the corpus path
}

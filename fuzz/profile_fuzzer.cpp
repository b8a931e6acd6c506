// Any bytes as param.ini: every read answers, and a write changes only the
// key it writes, which then reads back as the profile promises (readBack),
// whatever the file holds around it. The first byte of the input chooses the
// key and the value written; the input's last bytes may be that value.
#include <algorithm>
#include <array>

#include "fuzz_support.h"
#include "platform/cp1252.h"
#include "platform/profile_file.h"

namespace {

using namespace vantor;

// Names the folding keeps apart, accents included.
const std::array<QString, 3> kSections = {QStringLiteral("PARAM"), QStringLiteral("NOTES"),
                                          QStringLiteral("Secti\u00F3n")};
const std::array<QString, 4> kKeys = {QStringLiteral("DELAI"), QStringLiteral("BAL_0"),
                                      QStringLiteral("AutoLogoffMinutes"),
                                      QStringLiteral("CL\u00C9")};

using Values = std::array<std::array<QString, kKeys.size()>, kSections.size()>;

Values readAll(Env& env, const QString& ini) {
    Values v;
    for (std::size_t s = 0; s < kSections.size(); ++s)
        for (std::size_t k = 0; k < kKeys.size(); ++k)
            v[s][k] = profile::getString(env, kSections[s], kKeys[k], QStringLiteral("<absent>"),
                                         1024, ini)
                          .text;
    return v;
}

QString valueFor(unsigned choice, const QByteArray& input) {
    static const std::array<QString, 11> kValues = {
        QString(),
        QStringLiteral("15"),
        QStringLiteral("  15 \t"),
        QStringLiteral("\"cit\u00E9\""),
        QStringLiteral("'x'"),
        QStringLiteral("a\r\nb\rc\nd"),
        QStringLiteral("mail\\ma_bal.nsf"),
        QStringLiteral("x=y ; [PARAM]"),
        QStringLiteral("\u00E9\u20AC\u00FF\u0101\u4E2D"),
        QString(10000, QLatin1Char('x')),
        QString(1, QChar(0))};
    if (choice < kValues.size()) return kValues[choice];
    return cp1252::decode(input.right(40));
}

QString shown(const Values& v) {
    QString out;
    for (std::size_t s = 0; s < kSections.size(); ++s)
        for (std::size_t k = 0; k < kKeys.size(); ++k)
            out +=
                QStringLiteral("[%1] %2 = \"%3\"\n").arg(kSections[s], kKeys[k], v[s][k].left(80));
    return out;
}

void writeAndCheck(Env& env, const QString& ini, std::size_t s, std::size_t k,
                   const QString& value) {
    Values expected = readAll(env, ini);
    expected[s][k] = profile::readBack(value);
    if (!profile::writeString(env, kSections[s], kKeys[k], value, ini))
        fuzz::fault("writeString refused a writable file");
    const Values got = readAll(env, ini);
    if (got != expected)
        fuzz::fault("a write changed another key or did not read back",
                    QStringLiteral("wrote [%1] %2\nexpected:\n%3got:\n%4")
                        .arg(kSections[s], kKeys[k], shown(expected), shown(got)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryEnv env;
    static const QString ini = QStringLiteral("param.ini");
    const QByteArray input = fuzz::bytesOf(data, size);
    env.files[ini] = QByteArray(input.constData(), input.size());  // outlives the input

    const unsigned choice = size > 0 ? data[0] : 0;
    const std::size_t s = choice % kSections.size();
    const std::size_t k = (choice / kSections.size()) % kKeys.size();

    // Short buffers cut the value, never overrun.
    for (int bufferSize : {0, 1, 2, 7}) {
        const profile::ReadResult r = profile::getString(env, kSections[s], kKeys[k],
                                                         QStringLiteral("défaut"), bufferSize, ini);
        if (r.length != r.text.size() || r.length > std::max(bufferSize - 1, 0))
            fuzz::fault("a read overran its buffer");
    }
    writeAndCheck(env, ini, s, k, valueFor(choice >> 4, input));  // creates the key, or rewrites it
    writeAndCheck(env, ini, (s + 1) % kSections.size(), k, QStringLiteral("1"));
    writeAndCheck(env, ini, s, k, QStringLiteral("relu"));  // rewrites it in place
    return 0;
}

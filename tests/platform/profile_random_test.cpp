// Random files: no input may crash the profile calls, and a write may change
// only the key it writes.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "profile_test_files.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor::test {
namespace {

const std::array<QString, 2> kSections = {"PARAM", "S2"};
const std::array<QString, 3> kKeys = {"K1", "K2", "KEY"};

// Pieces that make sections, keys, comments and broken lines likely.
QByteArray randomFile(std::mt19937& rng) {
    static const std::array<QByteArray, 24> pieces = {
        "[",     "]",     "=",    ";",    "\"",          "'",
        " ",     "\t",    "\r",   "\n",   "\r\n",        QByteArray(1, '\0'),
        "PARAM", "param", "S2",   "K1",   "k2",          "KEY",
        "x",     "\x80",  "\xE9", "\xFF", "[PARAM]\r\n", "K1=v\r\n"};
    QByteArray out;
    const int count = std::uniform_int_distribution<int>(0, 60)(rng);
    for (int i = 0; i < count; ++i) out += pieces[rng() % pieces.size()];
    return out;
}

// A value that reads back as written: no CR/LF, no blank or quote at its ends.
QString randomValue(std::mt19937& rng) {
    static const QString inner = QStringLiteral("ab Z09=;[]\"'\t\u00E9\u20AC");
    static const QString ends = QStringLiteral("abZ09=;[]\u00E9\u20AC");
    const int len = std::uniform_int_distribution<int>(0, 12)(rng);
    QString v;
    for (int i = 0; i < len; ++i) {
        const QString& from = (i == 0 || i == len - 1) ? ends : inner;
        v += from[static_cast<qsizetype>(rng() % from.size())];
    }
    return v;
}

using Values = std::array<std::array<QString, 3>, 2>;

Values readAll(Env& env, const QString& ini) {
    Values v;
    for (std::size_t s = 0; s < kSections.size(); ++s) {
        for (std::size_t k = 0; k < kKeys.size(); ++k) {
            v[s][k] = profile::getString(env, kSections[s], kKeys[k], "<absent>", 1024, ini).text;
        }
    }
    return v;
}

void writeAndCheck(Env& env, const QString& ini, std::mt19937& rng, const QByteArray& file) {
    const std::size_t s = rng() % kSections.size();
    const std::size_t k = rng() % kKeys.size();
    const QString value = randomValue(rng);
    Values expected = readAll(env, ini);
    expected[s][k] = value;
    ASSERT_TRUE(profile::writeString(env, kSections[s], kKeys[k], value, ini));
    ASSERT_EQ(readAll(env, ini), expected) << "file: " << file.toHex().toStdString();
}

TEST(ProfileRandom, WriteChangesOnlyItsKeyWhateverTheFileHolds) {
    TempDir dir;
    UnsyncedEnv env;
    const QString ini = dir.file("param.ini");
    std::mt19937 rng(20240601);
    for (int i = 0; i < 2000; ++i) {
        const QByteArray file = randomFile(rng);
        env.replaceFile(ini, file);
        writeAndCheck(env, ini, rng, file);  // creates the key or rewrites it
        writeAndCheck(env, ini, rng, file);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace vantor::test

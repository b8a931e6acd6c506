// The colour rule, the password rule, the date-time form and the log line,
// the numeric test and the failed settings write.
#include "core/settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>
#include <cerrno>

#include "core/keys.h"
#include "core/modlotus.h"
#include "core/password.h"
#include "platform/cp1252.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor {
namespace {

using test::QHasSubstr;

TEST(HexVersCouleur, ReadsPairsInReverseAndStopsAtTheFirstNonHexDigit) {
    EXPECT_EQ(HexVersCouleur("C0DDDD"), 14540224u);
    EXPECT_EQ(HexVersCouleur("FFFEEEE"), 15662847u);  // the fifth character is not used
    EXPECT_EQ(HexVersCouleur("00005Z"), 5u);
    EXPECT_EQ(HexVersCouleur("A"), 0xAAu);  // shorter than two: itself as first and last piece
    EXPECT_EQ(couleurDeValeur(HexVersCouleur("C0DDDD")), QColor(192, 221, 221));
}

TEST(Password, ShiftsByNineAndRefusesCodesThatLeaveTheByteRange) {
    EXPECT_EQ(CrypteMotDePasse("abc").value(), "jkl");
    // Accented letters are shifted on their Windows-1252 codes: é (0xE9) -> ò (0xF2).
    EXPECT_EQ(CrypteMotDePasse(QStringLiteral("é")).value(), QStringLiteral("ò"));
    EXPECT_FALSE(CrypteMotDePasse(QString(QChar(250))).has_value());
    EXPECT_FALSE(DecrypteMotDePasse(QString(QChar(8))).has_value());
    EXPECT_EQ(DecaleTexte("abc", 9, 2).value(), "");
    EXPECT_EQ(motDePasseStocke(QString(QChar(3))), "");
    QString all;
    for (int k = 0; k <= 246; ++k) all += cp1252::charOf(static_cast<unsigned char>(k));
    EXPECT_EQ(DecrypteMotDePasse(CrypteMotDePasse(all).value()).value(), all);
}

// Every locale Qt knows, through param.ini and erreur_log.txt: about a hundred
// wrote forms that could not be read back, and every scan failed on DATE_VISU.
TEST(DateForm, EveryLocaleReadsBackFromTheFilesToTheSecond) {
    test::TempDir dir;
    test::TestEnv env;
    ModLOTUS m(&env, nullptr, nullptr, dir.path());
    // Past midnight, and an afternoon on a day above twelve (no day-month swap).
    const QDateTime moments[] = {{QDate(2026, 12, 7), QTime(0, 32, 18, 250)},
                                 {QDate(2026, 1, 31), QTime(15, 5, 9)}};
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
        QLocale::setDefault(locale);
        for (const QDateTime& when : moments) {
            const QDateTime second = when.addMSecs(-when.time().msec());
            m.ecrireParam(keys::kDateVisu, texteDateHeure(when));
            const QString stored = m.lireParam(keys::kDateVisu, QString());
            EXPECT_EQ(dateHeureDeTexte(stored), second)
                << locale.name().toStdString() << ": " << stored.toStdString();

            // The log line: date, " :", the message in Windows-1252, CR LF.
            QFile::remove(m.cheminLog());
            env.clock = when;
            m.LogErreur(QStringLiteral("refusé"));
            const QString line = cp1252::decode(env.readFile(m.cheminLog()).value_or(""));
            ASSERT_TRUE(line.endsWith(QStringLiteral(" :refusé\r\n"))) << line.toStdString();
            EXPECT_EQ(dateHeureDeTexte(line.chopped(10)), second) << line.toStdString();
        }
    }
    // The French form as Windows writes it; a date alone is midnight.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(texteDateHeure(moments[1]), "31/01/2026 15:05:09");
    EXPECT_EQ(dateHeureDeTexte("15/03/2008"), QDateTime(QDate(2008, 3, 15), QTime(0, 0)));
    EXPECT_FALSE(dateHeureDeTexte("pas une date").has_value());
    QLocale::setDefault(QLocale::c());
}

TEST(NumericTest, AcceptsBlanksSignOneLocaleSeparatorAndExponent) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    for (const char* yes : {"2325", " 12 ", "-5", "+5", "1,5", ",5", "5,", "1e3", "1,5E-2"})
        EXPECT_TRUE(estNumerique(QString::fromLatin1(yes))) << yes;
    for (const char* no :
         {"", " ", "-", "+", ",", "1,2,3", "1.5", "abc", "12a", "1e", "e5", "1e400"})
        EXPECT_FALSE(estNumerique(QString::fromLatin1(no))) << no;
    EXPECT_DOUBLE_EQ(valeurNumerique(" -1,5e2 ").value(), -150.0);
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(estNumerique("1.5"));
}

// A disk that refuses param.ini's replacement (and only that).
class SettingsDisk : public test::TestEnv {
  public:
    bool full = false;
    bool replaceFile(const QString& p, const QByteArray& d) override {
        if (!full) return TestEnv::replaceFile(p, d);
        errno = ENOSPC;
        return false;
    }
};

// A read-only param.ini logged one line per key at every scan and save.
TEST(Settings, FailedWriteIsLoggedOnceWithItsCauseUntilAWriteSucceeds) {
    test::TempDir dir;
    SettingsDisk env;
    ModLOTUS m(&env, nullptr, nullptr, dir.path());
    test::putBytes(m.CheminParam, "[PARAM]\r\nWIDTH=\r\n");
    const auto before = env.readFile(m.CheminParam);
    const auto log = [&] { return cp1252::decode(env.readFile(m.cheminLog()).value_or("")); };

    QFile::setPermissions(m.CheminParam, QFileDevice::ReadOwner);
    for (int i = 0; i < 3; ++i) {
        m.ecrireParam("DELAI", "45");
        m.ecrireParam("WIDTH", "1");
    }
    EXPECT_EQ(env.readFile(m.CheminParam), before);
    EXPECT_EQ(log().count("\r\n"), 1) << log().toStdString();
    EXPECT_THAT(log(), QHasSubstr("lecture seule"));

    // A write that succeeds again ends the silence.
    QFile::setPermissions(m.CheminParam, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m.ecrireParam("DELAI", "30");
    env.full = true;
    m.ecrireParam("DELAI", "45");
    m.ecrireParam("DELAI", "45");
    EXPECT_EQ(log().count("\r\n"), 2) << log().toStdString();
    EXPECT_THAT(log(), QHasSubstr("disque plein"));

    // Each file has its own account: notes.ini in a folder that is not there.
    env.full = false;
    EcrireIni(m, kAppName, "NOTES", "AutoLogoffMinutes", "0", dir.file("absent/notes.ini"));
    EXPECT_EQ(log().count("\r\n"), 3) << log().toStdString();
    EXPECT_THAT(log(), QHasSubstr("dossier introuvable"));
}

}  // namespace
}  // namespace vantor

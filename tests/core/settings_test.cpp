// The colour rule, the password rule, the date-time form and the numeric test.
#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>

#include "core/modlotus.h"
#include "core/password.h"
#include "core/settings.h"
#include "platform/cp1252.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor {
namespace {

TEST(HexVersCouleur, ReadsPairsInReverseAndStopsAtTheFirstNonHexDigit) {
    EXPECT_EQ(HexVersCouleur("C0DDDD"), 14540224u);
    EXPECT_EQ(HexVersCouleur("FFFEEEE"), 15662847u);  // the fifth character is not used
    EXPECT_EQ(HexVersCouleur(""), 0u);
    EXPECT_EQ(HexVersCouleur("00005Z"), 5u);
    EXPECT_EQ(HexVersCouleur("c0dddd"), 14540224u);
    EXPECT_EQ(HexVersCouleur("A"), 0xAAu);  // shorter than two: itself as first and last piece
    EXPECT_EQ(HexVersCouleur("zzzzzz"), 0u);
    EXPECT_EQ(HexVersCouleur(QString(10000, QLatin1Char('F'))), 0xFFFFFFu);
    const QColor c = couleurDeValeur(HexVersCouleur("C0DDDD"));
    EXPECT_EQ(c.red(), 192);
    EXPECT_EQ(c.green(), 221);
    EXPECT_EQ(c.blue(), 221);
}

TEST(Password, ShiftsByNineAndRefusesCodesThatLeaveTheByteRange) {
    EXPECT_EQ(CrypteMotDePasse("abc").value(), "jkl");
    EXPECT_EQ(DecrypteMotDePasse("jkl").value(), "abc");
    EXPECT_EQ(CrypteMotDePasse("").value(), "");
    // Accented letters are shifted on their Windows-1252 codes: é (0xE9) -> ò (0xF2).
    EXPECT_EQ(CrypteMotDePasse(QStringLiteral("é")).value(), QStringLiteral("ò"));
    EXPECT_EQ(DecrypteMotDePasse(QStringLiteral("ò")).value(), QStringLiteral("é"));
    EXPECT_FALSE(CrypteMotDePasse(QString(QChar(250))).has_value());
    EXPECT_FALSE(DecrypteMotDePasse(QString(QChar(8))).has_value());
    EXPECT_EQ(DecaleTexte("abc", 9, 2).value(), "");
    EXPECT_EQ(motDePasseStocke(QString(QChar(3))), "");
    const QString all = [] {
        QString s;
        for (int k = 0; k <= 246; ++k) s += cp1252::charOf(static_cast<unsigned char>(k));
        return s;
    }();
    EXPECT_EQ(DecrypteMotDePasse(CrypteMotDePasse(all).value()).value(), all);
}

class DateForm : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QString::fromLatin1(GetParam()))); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_P(DateForm, WriterAndReaderAgreeToTheSecondAndGarbageIsNoDate) {
    const QDateTime when(QDate(2026, 12, 6), QTime(21, 41, 44));
    const QString text = texteDateHeure(when);
    EXPECT_EQ(dateHeureDeTexte(text), when) << text.toStdString();
    // A two-digit year pattern would read back a century off.
    EXPECT_TRUE(text.contains("2026")) << text.toStdString();
    EXPECT_FALSE(dateHeureDeTexte("pas une date").has_value());
    EXPECT_FALSE(dateHeureDeTexte("").has_value());
    EXPECT_FALSE(dateHeureDeTexte(QString(10000, QLatin1Char('9'))).has_value());
}

INSTANTIATE_TEST_SUITE_P(Locales, DateForm, ::testing::Values("fr_FR", "en_US", "de_DE", "C"));

TEST(DateForm, FrenchTextsAsWindowsWritesThem) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(texteDateHeure(QDateTime(QDate(2026, 3, 5), QTime(8, 7, 6))), "05/03/2026 08:07:06");
    EXPECT_EQ(dateHeureDeTexte("15/03/2008"), QDateTime(QDate(2008, 3, 15), QTime(0, 0)));
    QLocale::setDefault(QLocale::c());
}

TEST(NumericTest, AcceptsBlanksSignOneLocaleSeparatorAndExponent) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    for (const char* yes : {"2325", " 12 ", "-5", "+5", "1,5", ",5", "5,", "1e3", "1,5E-2"}) {
        EXPECT_TRUE(estNumerique(QString::fromLatin1(yes))) << yes;
    }
    for (const char* no : {"", " ", "-", "+", ",", "1,2,3", "1.5", "abc", "12a", "1e", "e5", "1e400"}) {
        EXPECT_FALSE(estNumerique(QString::fromLatin1(no))) << no;
    }
    EXPECT_DOUBLE_EQ(valeurNumerique(" -1,5e2 ").value(), -150.0);
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(estNumerique("1.5"));
    EXPECT_FALSE(estNumerique("1,5"));
}

TEST(Settings, AbsentKeyGivesDefaultAndAFailedWriteIsLoggedNotLost) {
    test::TempDir dir;
    test::TestEnv env;
    test::ScriptedDialogs dialogs;
    ModLOTUS m(&env, &dialogs, nullptr, dir.path());
    EXPECT_EQ(m.lireParam("WIDTH", "4470"), "4470");
    m.ecrireParam("WIDTH", "");
    EXPECT_EQ(m.lireParam("WIDTH", "4470"), "");
    m.ecrireParam("DELAI", "15");
    const auto before = env.readFile(m.CheminParam);

    env.failAfterBytes = env.bytesWritten;  // the disk is full from now on
    m.ecrireParam("DELAI", "30");
    EXPECT_EQ(env.readFile(m.CheminParam), before);
    env.failAfterBytes = -1;

    // A read-only file: unchanged, and the lost setting is in the log.
    QFile::setPermissions(m.CheminParam, QFileDevice::ReadOwner);
    m.ecrireParam("DELAI", "45");
    EXPECT_EQ(env.readFile(m.CheminParam), before);
    const QString log = QString::fromLatin1(env.readFile(m.cheminLog()).value_or(""));
    EXPECT_TRUE(log.contains("DELAI")) << log.toStdString();
}

TEST(LogErreur, WritesDateSpaceColonMessageCrLfInWindows1252) {
    test::TempDir dir;
    test::TestEnv env;
    env.clock = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 0));
    ModLOTUS m(&env, nullptr, nullptr, dir.path());
    m.LogErreur(QStringLiteral("Accès refusé"));
    m.LogErreur("x");
    const QByteArray expected = texteDateHeure(*env.clock).toLatin1() + " :Acc\xE8s refus\xE9\r\n" +
                                texteDateHeure(*env.clock).toLatin1() + " :x\r\n";
    EXPECT_EQ(*env.readFile(m.cheminLog()), expected);
}

}  // namespace
}  // namespace vantor

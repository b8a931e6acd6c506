// The registry operations of Cls_initreg on a real registry file.
#include <QFile>

#include "platform/failure.h"
#include "platform/profile_test_files.h"
#include "support/qt_printers.h"
#include "support/reg_files.h"
#include "toolkit_fixture.h"

namespace vantor::test {
namespace {

using ClsInitregRegistry = ToolkitFixture;

const QString kCle = QStringLiteral("HKEY_CURRENT_USER\\Software\\Vantor");

TEST_F(ClsInitregRegistry,
       RefusedPathsSayIncorrectFormatUnknownRootsSayNothingNeitherTouchesTheRegistry) {
    EXPECT_TRUE(cls.LireREG_STRING("hkey_current_user\\Software", "x").isEmpty());
    EXPECT_TRUE(cls.CreerREG_Cle("HKEY_CURRENT_USER\\Software\\").isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "Incorrect Format:\n\nhkey_current_user\\Software");

    EXPECT_TRUE(cls.LireREG_DWORD("HKEY_LOCAL_machine\\Software", "x").isEmpty());
    EXPECT_TRUE(cls.CreerREG_Cle("HKEY_NOWHERE\\Software").isEmpty());
    EXPECT_EQ(cls.LireREG_ClePrincipale("HKEY_Users"), 0);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_FALSE(QFile::exists(registryPath));
}

TEST_F(ClsInitregRegistry,
       ValuesRoundTripUnderCreatedKeysReadsOtherwiseAnswerErrorAndNoKeyStaysOpen) {
    const VariantReg error(QStringLiteral("Error"));
    EXPECT_EQ(cls.LireREG_STRING("HKEY_LOCAL_MACHINE\\Software\\Lotus\\Notes", "Path"), error);
    // The writes open keys that exist and never create them.
    EXPECT_TRUE(cls.EcrireREG_STRING(kCle, "Nom", "x").isEmpty());
    EXPECT_EQ(cls.LireREG_STRING(kCle, "Nom"), error);
    EXPECT_FALSE(QFile::exists(registryPath));

    cls.CreerREG_Cle(kCle + "\\Sous\\Cle");
    const QString long254 = QString(253, 'a') + QStringLiteral("é");
    cls.EcrireREG_STRING(kCle, "Nom", long254);
    cls.EcrireREG_STRING(kCle, "Trop", long254 + "b");
    cls.EcrireREG_STRING(kCle, "Blancs", "  deux  ");
    cls.EcrireREG_DWORD(kCle, "N", -2);
    EXPECT_EQ(cls.LireREG_STRING(kCle, "Nom"), VariantReg(long254));
    EXPECT_EQ(cls.LireREG_STRING(kCle, "Trop"), error);
    // Blanks go at the start only: the terminator shields those at the end.
    EXPECT_EQ(cls.LireREG_STRING(kCle, "Blancs"), VariantReg(QStringLiteral("deux  ")));
    EXPECT_EQ(cls.LireREG_DWORD(kCle, "N"), VariantReg(std::int32_t{-2}));
    EXPECT_EQ(cls.LireREG_DWORD(kCle, "Nom"), error);  // does not fit four bytes
    EXPECT_EQ(cls.LireREG_STRING(kCle + "\\Sous\\Cle", "Absent"), error);
    EXPECT_TRUE(log.isEmpty());

    EXPECT_EQ(cls.EcritureREG_Software_RepInstall("Outil", "/opt/outil/"),
              "Ecriture dans HKEY_CURRENT_USER\\Software\\Outil");
    EXPECT_EQ(cls.LireREG_STRING("HKEY_CURRENT_USER\\Software\\Outil", "RepInstall"),
              VariantReg(QStringLiteral("/opt/outil/")));
    EXPECT_EQ(registry.openKeyCount(), 0);
}

TEST_F(ClsInitregRegistry, BinaryValuesAreOneWindows1252BytePerCharacter) {
    const QString unDeuxTrois = QStringLiteral("\x01\x02\x03");
    cls.CreerREG_Cle(kCle);
    cls.EcrireREG_BINARY(kCle, "Octets", unDeuxTrois);
    EXPECT_THAT(regeditText(bytesOf(registryPath)), QHasSubstr("\"Octets\"=hex:01,02,03\r\n"));
    cls.EcrireREG_BINARY(kCle, "Euro", QStringLiteral("€ÿ"));
    EXPECT_THAT(regeditText(bytesOf(registryPath)), QHasSubstr("\"Euro\"=hex:80,ff\r\n"));
    EXPECT_EQ(cls.LireREG_BINARY(kCle, "Euro").text(), QStringLiteral("€ÿ"));

    // No byte for these: raised, the key closed, nothing written.
    const QByteArray before = bytesOf(registryPath);
    for (const QString& bad : {QString(), QStringLiteral("a\u0100")}) {
        EXPECT_THROW(cls.EcrireREG_BINARY(kCle, "Bad", bad), Failure);
        EXPECT_EQ(registry.openKeyCount(), 0);
    }
    EXPECT_EQ(bytesOf(registryPath), before);
}

TEST_F(ClsInitregRegistry, EffaceRemovesTheKeyNamedWithItsSubkeysNeverARoot) {
    cls.CreerREG_Cle(kCle + "\\A\\B\\C");
    cls.CreerREG_Cle(kCle + "\\A\\B\\" + "Software\\Vantor\\A\\B");
    cls.EcrireREG_STRING(kCle, "Garde", "oui");

    cls.EffaceREG_CLE(kCle + "\\A\\B");
    EXPECT_THAT(regeditText(bytesOf(registryPath)), ::testing::Not(QHasSubstr("Vantor\\A\\B")));
    cls.EcrireREG_STRING(kCle + "\\A", "Encore", "là");
    EXPECT_EQ(cls.LireREG_STRING(kCle + "\\A", "Encore").text(), "là");

    cls.EffaceREG_CLE("HKEY_CURRENT_USER");
    EXPECT_EQ(cls.LireREG_STRING(kCle, "Garde").text(), "oui");
    EXPECT_EQ(registry.openKeyCount(), 0);
}

TEST_F(ClsInitregRegistry, ErrorMsgTableAndUndefinedCodesWithTheSignPlace) {
    EXPECT_EQ(cls.ErrorMsg(1015), "La base de Registre est corrompu!");
    EXPECT_EQ(cls.ErrorMsg(1014), "Code d'Erreur indefini:   1014");
    EXPECT_EQ(cls.ErrorMsg(-5), "Code d'Erreur indefini:  -5");
}

}  // namespace
}  // namespace vantor::test

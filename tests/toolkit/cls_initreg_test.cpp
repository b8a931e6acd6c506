// Cls_initreg on a fresh folder and a real registry file, its message
// boxes answered by script: the registry, INI and path operations.
#include "toolkit/cls_initreg.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>
#include <stdexcept>

#include "platform/failure.h"
#include "platform/profile_test_files.h"
#include "platform/registry_file.h"
#include "support/reg_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

using namespace ::testing;

class ClsInitreg : public Test {
  protected:
    TempDir dir;
    QString windows = dir.file("windows");
    QString registryPath = dir.file("registre.reg");
    QStringList log;
    FileRegistry registry{*Env::Default(), registryPath, [this](const QString& m) { log << m; }};
    ScriptedDialogs dialogs;
    Cls_initreg cls{*Env::Default(), registry, dialogs, windows};
};

const QString kCle = QStringLiteral("HKEY_CURRENT_USER\\Software\\Vantor");

TEST_F(ClsInitreg, RefusedPathsSayIncorrectFormatUnknownRootsSayNothingNeitherTouchesTheRegistry) {
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

TEST_F(ClsInitreg, ValuesRoundTripUnderCreatedKeysReadsOtherwiseAnswerErrorAndNoKeyStaysOpen) {
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

TEST_F(ClsInitreg, BinaryValuesAreOneWindows1252BytePerCharacter) {
    cls.CreerREG_Cle(kCle);
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

TEST_F(ClsInitreg, EffaceRemovesTheKeyNamedWithItsSubkeysNeverARoot) {
    cls.CreerREG_Cle(kCle + "\\A\\B\\C");
    cls.CreerREG_Cle(kCle + "\\A\\B\\" + "Software\\Vantor\\A\\B");
    cls.EcrireREG_STRING(kCle, "Garde", "oui");

    cls.EffaceREG_CLE(kCle + "\\A\\B");
    EXPECT_THAT(regeditText(bytesOf(registryPath)), Not(QHasSubstr("Vantor\\A\\B")));
    cls.EcrireREG_STRING(kCle + "\\A", "Encore", "là");
    EXPECT_EQ(cls.LireREG_STRING(kCle + "\\A", "Encore").text(), "là");

    cls.EffaceREG_CLE("HKEY_CURRENT_USER");
    EXPECT_EQ(cls.LireREG_STRING(kCle, "Garde").text(), "oui");
    EXPECT_EQ(registry.openKeyCount(), 0);
}

TEST_F(ClsInitreg, ErrorMsgTableAndUndefinedCodesWithTheSignPlace) {
    EXPECT_EQ(cls.ErrorMsg(1015), "La base de Registre est corrompu!");
    EXPECT_EQ(cls.ErrorMsg(1014), "Code d'Erreur indefini:   1014");
    EXPECT_EQ(cls.ErrorMsg(-5), "Code d'Erreur indefini:  -5");
}

TEST_F(ClsInitreg, IniLireCutsAt254AndDefaultsOnlyForMissingKeysIniEcrireAnswersOneOrZero) {
    const QString ini = dir.file("a.ini");
    EXPECT_EQ(cls.IniLire("S", "K", "def", ini), "def");
    EXPECT_EQ(cls.IniEcrire("S", "K", QString(300, 'x'), ini), 1);
    EXPECT_EQ(cls.IniEcrire("S", "E", "", ini), 1);
    EXPECT_EQ(cls.IniLire("s", "k", "def", ini), QString(254, 'x'));
    EXPECT_EQ(cls.IniLire("S", "E", "def", ini), "");

    Env::Default()->flushPendingReplacements();  // the mark goes on the file on disk
    ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0444), 0);
    EXPECT_EQ(cls.IniEcrire("S", "K", "2", ini), 0);
}

// A device whose reads break in the middle of the call.
class BrokenReads : public EnvWrapper {
  public:
    BrokenReads() : EnvWrapper(Env::Default()) {}
    std::optional<QByteArray> readFile(const QString&) override {
        throw std::runtime_error("device gone");
    }
};

TEST_F(ClsInitreg, IniLireRaisesItsOwnErrorNumberAndSourceWithoutDescription) {
    BrokenReads broken;
    Cls_initreg cls(broken, registry, dialogs, "/nonexistent");
    EXPECT_THAT([&] { cls.IniLire("S", "K", "def", "/nonexistent/a.ini"); },
                Throws<Failure>(AllOf(Property(&Failure::code, -2147156504),
                                      Property(&Failure::source, QString("Vantor.clsInit!IniLire")),
                                      Property(&Failure::description, QString()))));
}

TEST_F(ClsInitreg, WindowsFoldersAndWinIniExistOnlyOnceTheStandInFolderDoes) {
    EXPECT_EQ(cls.RetourneCheminWindows(), "");
    EXPECT_EQ(cls.WinIniEcrire("windows", "load", "x"), 0);

    ASSERT_TRUE(QDir().mkpath(windows + "/system32"));
    EXPECT_EQ(cls.RetourneCheminSystem(), QDir::cleanPath(windows) + "/system32");
    EXPECT_EQ(cls.WinIniEcrire("windows", "load", "x"), 1);
    EXPECT_EQ(cls.WinIniLire("WINDOWS", "LOAD", "def"), "x");
    EXPECT_EQ(bytesOf(windows + "/WIN.INI"), "[windows]\r\nload=x\r\n");
}

TEST_F(ClsInitreg, ExistenceTellsFilesFromFoldersAndNamesKeepTheFormOfAnExistingPathOnly) {
    const QString file = dir.put("f.txt", "x");
    EXPECT_FALSE(cls.FichierExiste(dir.path()));
    EXPECT_FALSE(cls.DossierExiste(file));

    EXPECT_EQ(cls.GET_NomCourt(dir.path() + "/./f.txt"), dir.path() + "/./f.txt");
    EXPECT_EQ(cls.GET_NomLong(dir.path() + "/"), dir.path() + "/");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_EQ(cls.GET_NomLong("f.txt"), "f.txt");
    QDir::setCurrent(before);
    EXPECT_EQ(cls.GET_NomCourt(dir.file("none.txt")), "");

    QString deep = dir.path();
    for (int i = 0; i < 3; ++i) deep += '/' + QString(90, QChar('a' + i));
    ASSERT_TRUE(QDir().mkpath(deep));
    EXPECT_EQ(cls.GET_NomLong(deep), "");  // more than the buffer holds
}

TEST_F(ClsInitreg, RenameRefusesAnExistingDestinationAndKeepsBothFiles) {
    const QString src = dir.put("src.txt", "source"), dest = dir.put("dest.txt", "dest");
    EXPECT_FALSE(cls.RenommerFichier(src, dest));
    EXPECT_EQ(bytesOf(src) + bytesOf(dest), "sourcedest");
    QDir(dir.path()).mkdir("moved");
    EXPECT_TRUE(cls.RenommerFichier(src, dir.file("moved/new.txt")));
    EXPECT_EQ(bytesOf(src) + bytesOf(dir.file("moved/new.txt")), "<missing>source");
}

TEST_F(ClsInitreg, RenameMovesToAnotherFileSystemAndNeverLosesTheFile) {
    // /dev/shm is a memory file system of its own where there is one.
    QTemporaryDir other(QStringLiteral("/dev/shm/vantor-XXXXXX"));
    const auto device = [](const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t{};
    };
    if (!other.isValid() || device(dir.path()) == device(other.path()))
        GTEST_SKIP() << "no second file system";
    const QString src = dir.put("src.txt", "source"), dest = other.path() + "/dest.txt";
    ASSERT_EQ(::chmod(QFile::encodeName(src).constData(), 0640), 0);

    EXPECT_FALSE(cls.RenommerFichier(src, other.path() + "/missing/dest.txt"));
    EXPECT_TRUE(QDir(other.path()).isEmpty());
    EXPECT_TRUE(cls.RenommerFichier(src, dest));
    EXPECT_EQ(bytesOf(dest), "source");
    struct stat st {};
    EXPECT_TRUE(::stat(QFile::encodeName(dest).constData(), &st) == 0 &&
                (st.st_mode & 0777) == 0640);
}

}  // namespace
}  // namespace vantor::test

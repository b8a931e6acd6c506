// The INI and path operations of Cls_initreg on real files.
#include "toolkit/cls_initreg.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>

#include "platform/failure.h"
#include "platform/profile_test_files.h"
#include "toolkit_fixture.h"

namespace vantor::test {
namespace {

using ClsInitreg = ToolkitFixture;

TEST_F(ClsInitreg, IniLireCutsAt254AndDefaultsOnlyForMissingKeysIniEcrireAnswersOneOrZero) {
    const QString ini = dir.file("a.ini");
    EXPECT_EQ(cls.IniLire("S", "K", "def", ini), "def");
    EXPECT_EQ(cls.IniEcrire("S", "K", QString(300, 'x'), ini), 1);
    EXPECT_EQ(cls.IniEcrire("S", "E", "", ini), 1);
    EXPECT_EQ(cls.IniLire("s", "k", "def", ini), QString(254, 'x'));
    EXPECT_EQ(cls.IniLire("S", "E", "def", ini), "");

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
    try {
        cls.IniLire("S", "K", "def", "/nonexistent/a.ini");
        FAIL() << "no error raised";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), -2147156504);
        EXPECT_EQ(f.source(), "Vantor.clsInit!IniLire");
        EXPECT_TRUE(f.description().isEmpty());
    }
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
    const QString file = dir.file("f.txt");
    putBytes(file, "x");
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
    const QString src = dir.file("src.txt"), dest = dir.file("dest.txt");
    putBytes(src, "source");
    putBytes(dest, "dest");
    EXPECT_FALSE(cls.RenommerFichier(src, dest));
    EXPECT_EQ(bytesOf(src), "source");
    EXPECT_EQ(bytesOf(dest), "dest");

    ASSERT_TRUE(QDir(dir.path()).mkdir("moved"));
    EXPECT_TRUE(cls.RenommerFichier(src, dir.file("moved/new.txt")));
    EXPECT_FALSE(QFile::exists(src));
    EXPECT_EQ(bytesOf(dir.file("moved/new.txt")), "source");
}

TEST_F(ClsInitreg, RenameMovesToAnotherFileSystemAndNeverLosesTheFile) {
    // /dev/shm is a memory file system of its own where there is one.
    QTemporaryDir other(QStringLiteral("/dev/shm/vantor-XXXXXX"));
    struct stat here {
    }, there{};
    if (!other.isValid() || ::stat(QFile::encodeName(dir.path()).constData(), &here) != 0 ||
        ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 ||
        here.st_dev == there.st_dev) {
        GTEST_SKIP() << "no second file system";
    }
    const QString src = dir.file("src.txt"), dest = other.path() + "/dest.txt";
    putBytes(src, "source");
    ASSERT_EQ(::chmod(QFile::encodeName(src).constData(), 0640), 0);

    EXPECT_FALSE(cls.RenommerFichier(src, other.path() + "/missing/dest.txt"));
    EXPECT_EQ(bytesOf(src), "source");
    EXPECT_EQ(QDir(other.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);

    EXPECT_TRUE(cls.RenommerFichier(src, dest));
    EXPECT_EQ(bytesOf(dest), "source");
    ASSERT_EQ(::stat(QFile::encodeName(dest).constData(), &there), 0);
    EXPECT_EQ(there.st_mode & 0777, 0640u);

    putBytes(src, "again");
    EXPECT_FALSE(cls.RenommerFichier(src, dest));
    EXPECT_EQ(bytesOf(src), "again");
    EXPECT_EQ(bytesOf(dest), "source");
}

}  // namespace
}  // namespace vantor::test

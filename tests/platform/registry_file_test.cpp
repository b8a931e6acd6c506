// The registry file: what the registry editor exports is read with its types
// and written back in its format; a file that cannot be understood is kept.
#include "platform/registry_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

#include "platform/profile_test_files.h"
#include "support/reg_files.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

class RegistryFile : public ::testing::Test {
  protected:
    TempDir dir;
    QString path = dir.file("registre.reg");
    QStringList log;
    struct CountingEnv : EnvWrapper {  // how often the file is read
        CountingEnv() : EnvWrapper(Env::Default()) {}
        int reads = 0;
        std::optional<QByteArray> readFile(const QString& p) override {
            ++reads;
            return EnvWrapper::readFile(p);
        }
    } env;
    FileRegistry registry{env, path, [this](const QString& m) { log << m; }};

    struct Read {
        std::int32_t code;
        std::uint32_t type = 0;
        QByteArray data;
    };
    // One value of the key, opened for reading and closed again.
    Read read(reg::Handle root, const QString& key, const QString& name = {}) {
        reg::Handle h = 0;
        if (const auto code = registry.openKey(root, key, reg::kRead, &h); code != 0) return {code};
        Read r{0};
        std::uint32_t size = 4096;
        r.code = registry.queryValue(h, name, &r.type, &r.data, &size);
        registry.closeKey(h);
        return r;
    }
};

const QString kClsid = QStringLiteral("CLSID\\{%1-0000-0000-0000-000000000000}");
const QString kExport = QStringLiteral(
    "Windows Registry Editor Version 5.00\r\n\r\n; made by hand\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lotus\\Notes]\r\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Lotus\\\\Notes\\\\\"\r\n@=\"défaut\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n\"Count\"=dword:0000002a\r\n"
    "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18,19,1a,1b,1c,1d,1e,1f\r\n\"Expand\"=hex(2):25,00,50,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n\"Gone\"=\"x\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\lotus\\NOTES]\r\n\"gone\"=-\r\n\"Later\"=\"merged\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Old]\r\n\"x\"=\"y\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Old\\Sub]\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
    "\"ignored\"=\"after a deletion\"\r\n");

// Read in any case of the names, deletions applied.
TEST_F(RegistryFile, RegeditExportIsReadWithItsTypesAndAChangeRewritesItInTheEditorsFormat) {
    putBytes(path, regeditBytes(kExport));
    QByteArray blob;
    for (int i = 0; i < 32; ++i) blob.append(static_cast<char>(i));
    const std::tuple<QString, std::uint32_t, QByteArray> values[] = {
        {"PATH", reg::kSz, raw("C:\\Program Files\\Lotus\\Notes\\\0")},
        {"", reg::kSz, raw("d\351faut\0")},
        {"Quoted", reg::kSz, raw("say \"hi\"\0")},
        {"Count", reg::kDword, raw("\x2a\0\0\0")},
        {"Blob", reg::kBinary, blob},
        {"Expand", reg::kExpandSz, raw("%P\0")},
        {"Multi", reg::kMultiSz, raw("a\0b\0\0")},
        {"Later", reg::kSz, raw("merged\0")}};
    const QString notes = QStringLiteral("software\\LOTUS\\notes");
    for (const auto& [name, type, data] : values) {
        const Read r = read(reg::kLocalMachine, notes, name);
        EXPECT_EQ(r.type, type) << name.toStdString();
        EXPECT_EQ(r.data, data) << name.toStdString();
    }
    EXPECT_EQ(read(reg::kLocalMachine, notes, "Gone").code, reg::kFileNotFound);
    EXPECT_EQ(read(reg::kCurrentUser, "Software\\Old", "x").code, reg::kFileNotFound);

    reg::Handle h = 0;
    ASSERT_EQ(registry.openKey(reg::kLocalMachine, notes, reg::kRead, &h), 0);
    std::uint32_t size = 3;
    QByteArray small;
    EXPECT_EQ(registry.queryValue(h, "Path", nullptr, &small, &size), reg::kMoreData);
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(registry.setValue(h, "Path", reg::kSz, "x"), reg::kAccessDenied);
    EXPECT_EQ(registry.closeKey(h), 0);
    EXPECT_EQ(registry.closeKey(h), reg::kInvalidHandle);

    // Rewritten as the editor writes, lines wrapped at 80; that it reads back
    // the same is checked on the fuzz corpus.
    EXPECT_EQ(registry.setValue(reg::kLocalMachine, "Line", reg::kSz, raw("two\r\nlines\0")), 0);
    EXPECT_EQ(registry.openKeyCount(), 0);
    const QByteArray bytes = bytesOf(path);
    EXPECT_TRUE(bytes.startsWith(regeditBytes("Windows Registry Editor Version 5.00\r\n\r\n")));
    for (const QString& line : regeditText(bytes).split("\r\n"))
        EXPECT_LE(line.size(), 80) << line.toStdString();
    EXPECT_TRUE(log.isEmpty());
}

// Other damage (odd byte counts, unknown roots, garbage) is in the fuzz corpus.
TEST_F(RegistryFile, UnreadableFileFailsEveryCallIsLoggedOnceAndIsNeverOverwritten) {
    const QByteArray broken = regeditBytes(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\nbroken\r\n");
    putBytes(path, broken);
    reg::Handle h = 0;
    EXPECT_EQ(registry.openKey(reg::kCurrentUser, "Software", reg::kRead, &h),
              reg::kRegistryCorrupt);
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, "Software\\New", &h), reg::kRegistryCorrupt);
    EXPECT_EQ(registry.setValue(reg::kCurrentUser, "x", reg::kSz, "y"), reg::kRegistryCorrupt);
    EXPECT_EQ(registry.deleteTree(reg::kCurrentUser, "Software"), reg::kRegistryCorrupt);
    EXPECT_EQ(registry.openKeyCount(), 0);
    EXPECT_EQ(bytesOf(path), broken);
    ASSERT_EQ(log.size(), 1);
    EXPECT_THAT(log[0], ::testing::AllOf(QHasSubstr(path), QHasSubstr("ligne 4")));

    ASSERT_TRUE(QFile::remove(path) && QDir().mkdir(path));  // a folder
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, "Software", &h), reg::kRegistryCorrupt);
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(RegistryFile, MissingFileIsAnEmptyRegistryAndAFailedSaveChangesNothing) {
    EXPECT_EQ(read(reg::kCurrentUser, "Software").code, reg::kFileNotFound);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(registry.setValue(reg::kCurrentUser, "x", reg::kSz, "y"), 0);
    const QByteArray saved = bytesOf(path);

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    reg::Handle h = 0;
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, "Software\\Other", &h), reg::kCantWrite);
    EXPECT_EQ(registry.setValue(reg::kCurrentUser, "x", reg::kSz, "z"), reg::kCantWrite);
    EXPECT_EQ(bytesOf(path), saved);
    EXPECT_EQ(registry.openKeyCount(), 0);
    EXPECT_EQ(log.size(), 2);
}

// An export of HKEY_CLASSES_ROOT: thousands of keys side by side. Every call
// reads the file anew, so reading must not cost the square of its keys.
TEST_F(RegistryFile, ExportWithThousandsOfKeysSideBySideReadsWhole) {
    // The last key named again in another case: merged, as an import merges it.
    putBytes(path, regeditBytes(classesExport(5000) +
                                "[hkey_classes_root\\clsid\\{00000007-0000-0000-0000-000000000000}]"
                                "\r\n\"Plus\"=dword:00000001\r\n"));
    EXPECT_EQ(read(reg::kClassesRoot, kClsid.arg("00001387") + "\\InprocServer32").data,
              raw("x4999.dll\0"));
    EXPECT_EQ(read(reg::kClassesRoot, kClsid.arg("00000007"), "Plus").data, raw("\1\0\0\0"));
    EXPECT_TRUE(log.isEmpty());
}

// An editor that saved the file empty leaves a byte-order mark or blank lines:
// an empty registry, which the client's registration then writes whole.
TEST_F(RegistryFile, AByteOrderMarkOrBlankLinesAloneAreAnEmptyRegistryThatAWriteFills) {
    for (const QByteArray& empty :
         {QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE", 2), QByteArray("\r\n \r\n\t\n"),
          QByteArray("\xEF\xBB\xBF\r\n\r\n"), regeditBytes("\r\n\r\n")}) {
        SCOPED_TRACE(empty.toHex().toStdString());
        putBytes(path, empty);
        EXPECT_EQ(registry.setValue(reg::kLocalMachine, "Path", reg::kSz, raw("C:\\\0")), 0);
        EXPECT_EQ(read(reg::kLocalMachine, "", "Path").data, raw("C:\\\0"));
    }
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(RegistryFile, AnUnchangedFileIsReadOnceAndAChangeShowsAtTheNextCall) {
    putBytes(path, regeditBytes(classesExport(3)));
    for (int i = 0; i < 3; ++i) read(reg::kClassesRoot, kClsid.arg("00000002"));
    EXPECT_EQ(env.reads, 1);
    putBytes(path, regeditBytes(classesExport(4)));
    EXPECT_EQ(read(reg::kClassesRoot, kClsid.arg("00000003")).data, raw("Objet 3\0"));
    EXPECT_EQ(env.reads, 2);
}

// The system keeps keys at most 512 levels deep (deeper in a file: fuzz corpus).
TEST_F(RegistryFile, NoCallMakesAKeyDeeperThanTheSystemAllows) {
    const QString deepest = QStringList(511, QStringLiteral("n")).join(u'\\');
    reg::Handle h = 0;
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, deepest, &h), 0);
    registry.closeKey(h);
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, deepest + "\\one_more", &h),
              reg::kInvalidParameter);
    EXPECT_EQ(registry.openKey(reg::kCurrentUser, deepest, reg::kRead, &h), 0);
}

}  // namespace
}  // namespace vantor::test

// The registry file: what the registry editor exports is read with its types
// and written back in its format; a file that cannot be understood is kept.
#include "platform/registry_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

#include "platform/profile_test_files.h"
#include "support/qt_printers.h"
#include "support/reg_files.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

class RegistryFile : public ::testing::Test {
  protected:
    TempDir dir;
    QString path = dir.file("registre.reg");
    QStringList log;
    FileRegistry registry{*Env::Default(), path, [this](const QString& m) { log << m; }};

    struct Read {
        std::int32_t code;
        std::uint32_t type = 0;
        QByteArray data;
    };
    // One value of the key, opened for reading and closed again.
    static Read read(Registry& from, reg::Handle root, const QString& key, const QString& name) {
        reg::Handle h = 0;
        if (const auto code = from.openKey(root, key, reg::kRead, &h); code != 0)
            return {code, 0, {}};
        Read r{0, 0, {}};
        std::uint32_t size = 4096;
        r.code = from.queryValue(h, name, &r.type, &r.data, &size);
        from.closeKey(h);
        return r;
    }
    Read read(reg::Handle root, const QString& key, const QString& name) {
        return read(registry, root, key, name);
    }
};

const QString kExport = QStringLiteral(
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "; made by hand\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lotus\\Notes]\r\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Lotus\\\\Notes\\\\\"\r\n"
    "@=\"défaut\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18,19,1a,1b,1c,1d,1e,1f\r\n"
    "\"Expand\"=hex(2):25,00,50,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"Gone\"=\"x\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\lotus\\NOTES]\r\n"
    "\"gone\"=-\r\n"
    "\"Later\"=\"merged\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Old]\r\n"
    "\"x\"=\"y\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Old\\Sub]\r\n\r\n"
    "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
    "\"ignored\"=\"after a deletion\"\r\n");

TEST_F(RegistryFile, RegeditExportIsReadWithItsTypesDeletionsAndAnyCaseOfNames) {
    putBytes(path, regeditBytes(kExport));
    const QString notes = QStringLiteral("software\\LOTUS\\notes");

    EXPECT_EQ(read(reg::kLocalMachine, notes, "PATH").data,
              raw("C:\\Program Files\\Lotus\\Notes\\\0"));
    EXPECT_EQ(read(reg::kLocalMachine, notes, "").data, raw("d\xE9"
                                                            "faut\0"));
    EXPECT_EQ(read(reg::kLocalMachine, notes, "Quoted").data, raw("say \"hi\"\0"));
    const Read count = read(reg::kLocalMachine, notes, "Count");
    EXPECT_EQ(count.type, reg::kDword);
    EXPECT_EQ(count.data, raw("\x2a\0\0\0"));
    QByteArray blob;
    for (int i = 0; i < 32; ++i) blob.append(static_cast<char>(i));
    EXPECT_EQ(read(reg::kLocalMachine, notes, "Blob").data, blob);
    const Read expand = read(reg::kLocalMachine, notes, "Expand");
    EXPECT_EQ(expand.type, reg::kExpandSz);
    EXPECT_EQ(expand.data, raw("%P\0"));
    EXPECT_EQ(read(reg::kLocalMachine, notes, "Multi").data, raw("a\0b\0\0"));
    EXPECT_EQ(read(reg::kLocalMachine, notes, "Gone").code, reg::kFileNotFound);
    EXPECT_EQ(read(reg::kLocalMachine, notes, "Later").data, raw("merged\0"));
    EXPECT_EQ(read(reg::kCurrentUser, "Software\\Old", "x").code, reg::kFileNotFound);

    reg::Handle h = 0;
    ASSERT_EQ(registry.openKey(reg::kLocalMachine, notes, reg::kRead, &h), 0);
    std::uint32_t size = 3;
    QByteArray small;
    EXPECT_EQ(registry.queryValue(h, "Path", nullptr, &small, &size), reg::kMoreData);
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(registry.setValue(h, "Path", reg::kSz, "x"), reg::kAccessDenied);
    EXPECT_EQ(registry.openKeyCount(), 1);
    EXPECT_EQ(registry.closeKey(h), 0);
    EXPECT_EQ(registry.closeKey(h), reg::kInvalidHandle);
    EXPECT_EQ(registry.openKeyCount(), 0);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(RegistryFile, AChangeRewritesTheFileAsRegeditWritesItKeepingEveryOtherValueExactly) {
    putBytes(path, regeditBytes(kExport));
    const QString notes = QStringLiteral("SOFTWARE\\Lotus\\Notes");
    const QStringList names = {"Path", "", "Quoted", "Blob", "Expand", "Multi", "Later"};
    std::vector<Read> before;
    for (const QString& n : names) before.push_back(read(reg::kLocalMachine, notes, n));

    reg::Handle h = 0;
    ASSERT_EQ(registry.createKey(reg::kLocalMachine, notes + "\\Sub", &h), 0);
    EXPECT_EQ(registry.setValue(h, "Line", reg::kSz, raw("two\r\nlines\0")), 0);
    registry.closeKey(h);

    const QByteArray bytes = bytesOf(path);
    const QString text = regeditText(bytes);
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\r\n\r\n"));
    EXPECT_THAT(text, QHasSubstr("\"Path\"=\"C:\\\\Program Files\\\\Lotus\\\\Notes\\\\\"\r\n"));
    EXPECT_THAT(text, QHasSubstr("\"Expand\"=hex(2):25,00,50,00,00,00\r\n"));
    EXPECT_THAT(text, QHasSubstr("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lotus\\Notes\\Sub]\r\n"));
    for (const QString& line : text.split("\r\n")) EXPECT_LE(line.size(), 80) << line.toStdString();

    // What was written reads back the same, from a new registry on the file.
    FileRegistry again(*Env::Default(), path, [this](const QString& m) { log << m; });
    for (qsizetype i = 0; i < names.size(); ++i) {
        const Read r = read(again, reg::kLocalMachine, notes, names[i]);
        EXPECT_EQ(r.type, before[i].type) << i;
        EXPECT_EQ(r.data, before[i].data) << i;
    }
    EXPECT_EQ(read(reg::kLocalMachine, notes + "\\Sub", "Line").data, raw("two\r\nlines\0"));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(RegistryFile, Regedit4AnsiFileIsReadAndRewrittenInTheUnicodeFormat) {
    putBytes(path,
             "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantor]\r\n"
             "\"Nom\"=\"caf\xE9\"\r\n\"Exp\"=hex(2):25,50,00\r\n");
    EXPECT_EQ(read(reg::kCurrentUser, "Software\\Vantor", "Nom").data, raw("caf\xE9\0"));
    EXPECT_EQ(read(reg::kCurrentUser, "Software\\Vantor", "Exp").data, raw("%P\0"));

    EXPECT_EQ(registry.setValue(reg::kCurrentUser, "N", reg::kDword, raw("\1\0\0\0")), 0);
    const QString text = regeditText(bytesOf(path));
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\r\n"));
    EXPECT_THAT(text, QHasSubstr("\"Nom\"=\"café\"\r\n"));
    EXPECT_THAT(text, QHasSubstr("\"Exp\"=hex(2):25,00,50,00,00,00\r\n"));
}

TEST_F(RegistryFile, UnreadableFileFailsEveryCallIsLoggedOnceAndIsNeverOverwritten) {
    const QByteArray broken = regeditBytes(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\nbroken "
        "line\r\n");
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

    // Other damage: an odd byte count, a root that does not exist, a folder.
    const QByteArray others[] = {
        broken + "x", regeditBytes("Windows Registry Editor Version 5.00\r\n[HKEY_NONE\\A]\r\n"),
        QByteArray("\x01garbage")};
    for (const QByteArray& bad : others) {
        putBytes(path, bad);
        EXPECT_EQ(registry.createKey(reg::kCurrentUser, "Software", &h), reg::kRegistryCorrupt);
        EXPECT_EQ(bytesOf(path), bad);
    }
    ASSERT_TRUE(QFile::remove(path) && QDir().mkdir(path));
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, "Software", &h), reg::kRegistryCorrupt);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(log.size(), 5);
}

TEST_F(RegistryFile, MissingFileIsAnEmptyRegistryAndAFailedSaveChangesNothing) {
    reg::Handle h = 0;
    EXPECT_EQ(registry.openKey(reg::kCurrentUser, "Software", reg::kRead, &h), reg::kFileNotFound);
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(registry.createKey(reg::kCurrentUser, "Software\\Vantor", &h), 0);
    registry.closeKey(h);
    const QByteArray saved = bytesOf(path);

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, "Software\\Other", &h), reg::kCantWrite);
    EXPECT_EQ(registry.setValue(reg::kCurrentUser, "x", reg::kSz, "y"), reg::kCantWrite);
    EXPECT_EQ(bytesOf(path), saved);
    EXPECT_EQ(registry.openKeyCount(), 0);
    EXPECT_EQ(log.size(), 2);
}

// What a Windows export of HKEY_CLASSES_ROOT looks like: thousands of keys
// side by side under CLSID, each with a subkey. Every call reads the file
// anew, so reading it must not cost the square of its keys (minutes here).
TEST_F(RegistryFile, ExportWithThousandsOfKeysSideBySideReadsWhole) {
    constexpr int kClasses = 5000;
    QString text = classesExport(kClasses);
    // Named again in another case: merged into the first, as an import merges it.
    text += QStringLiteral(
        "[hkey_classes_root\\clsid\\{00000007-0000-0000-0000-000000000000}]\r\n"
        "\"Plus\"=dword:00000001\r\n");
    putBytes(path, regeditBytes(text));

    EXPECT_EQ(
        read(reg::kClassesRoot, "CLSID\\{00001387-0000-0000-0000-000000000000}\\InprocServer32", "")
            .data,
        raw("x4999.dll\0"));
    const QString seventh = QStringLiteral("CLSID\\{00000007-0000-0000-0000-000000000000}");
    EXPECT_EQ(read(reg::kClassesRoot, seventh, "").data, raw("Objet 7\0"));
    EXPECT_EQ(read(reg::kClassesRoot, seventh, "Plus").data, raw("\1\0\0\0"));
    EXPECT_TRUE(log.isEmpty());
}

// An editor that saved the file empty leaves a byte-order mark or blank lines:
// an empty registry, which the client's registration then writes whole.
TEST_F(RegistryFile, AByteOrderMarkOrBlankLinesAloneAreAnEmptyRegistryThatAWriteFills) {
    const QByteArray empties[] = {QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE", 2),
                                  "\r\n \r\n\t\n", QByteArray("\xEF\xBB\xBF\r\n\r\n"),
                                  regeditBytes("\r\n\r\n")};
    for (const QByteArray& empty : empties) {
        putBytes(path, empty);
        reg::Handle h = 0;
        ASSERT_EQ(registry.createKey(reg::kLocalMachine, "Software\\Lotus\\Notes", &h), 0)
            << empty.toHex().toStdString();
        EXPECT_EQ(registry.setValue(h, "Path", reg::kSz, raw("C:\\Notes\\\0")), 0);
        registry.closeKey(h);
        EXPECT_TRUE(regtext::parse(bytesOf(path), nullptr));
        EXPECT_EQ(read(reg::kLocalMachine, "Software\\Lotus\\Notes", "Path").data,
                  raw("C:\\Notes\\\0"));
    }
    EXPECT_TRUE(log.isEmpty());
}

// A large export is parsed once: while the file is unchanged on disk the
// registry answers from what it read, and a change shows at the next call.
TEST_F(RegistryFile, AnUnchangedFileIsReadOnceAndAChangeShowsAtTheNextCall) {
    struct CountingEnv : EnvWrapper {
        CountingEnv() : EnvWrapper(Env::Default()) {}
        int reads = 0;
        std::optional<QByteArray> readFile(const QString& p) override {
            ++reads;
            return EnvWrapper::readFile(p);
        }
    } env;
    FileRegistry counted(env, path, [](const QString&) {});
    const QString clsid = QStringLiteral("CLSID\\{%1-0000-0000-0000-000000000000}");
    putBytes(path, regeditBytes(classesExport(3)));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(read(counted, reg::kClassesRoot, clsid.arg("00000002"), "").data,
                  raw("Objet 2\0"));
    EXPECT_EQ(env.reads, 1);

    putBytes(path, regeditBytes(classesExport(4)));
    EXPECT_EQ(read(counted, reg::kClassesRoot, clsid.arg("00000003"), "").data, raw("Objet 3\0"));
    EXPECT_EQ(env.reads, 2);
}

// The system keeps keys at most 512 levels deep (a deeper one in a file is a
// case of the fuzz corpus): no call may make one, or the file would no
// longer be readable.
TEST_F(RegistryFile, NoCallMakesAKeyDeeperThanTheSystemAllows) {
    reg::Handle h = 0;
    QStringList levels;
    for (int i = 0; i < 511; ++i) levels << QStringLiteral("n");
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, levels.join(u'\\'), &h), 0);
    registry.closeKey(h);
    EXPECT_EQ(registry.createKey(reg::kCurrentUser, levels.join(u'\\') + "\\one_more", &h),
              reg::kInvalidParameter);
    EXPECT_EQ(registry.openKey(reg::kCurrentUser, levels.join(u'\\'), reg::kRead, &h), 0);
    registry.closeKey(h);
    EXPECT_TRUE(log.isEmpty());
}

}  // namespace
}  // namespace vantor::test

// Writing keys: the file keeps every byte it had except the key's line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "profile_test_files.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor::test {
namespace {

class ProfileWrite : public ::testing::Test {
  protected:
    TempDir dir;
    QString ini = dir.file("param.ini");
};

// A rewritten key keeps its place, spelling and line end; a new one goes after
// the last non-blank line of its section; foreign bytes and NULs stay.
TEST_F(ProfileWrite, AWriteChangesOnlyItsKeysLineAndKeepsEveryOtherByte) {
    const QByteArray head = raw("junk\n\0\xFF=\n\xEF\xBB\xBF[Z]\n");
    const QByteArray foreign = head + raw("[PARAM]\nA=1\n\n[Z]\nb=\0q");
    const std::tuple<QByteArray, QString, QString, QString, QByteArray> cases[] = {
        {"[Param]\r\n  Key = old ; x\nNext=1\r\n", "PARAM", "KEY", "new",
         "[Param]\r\nKey=new\nNext=1\r\n"},
        {"[P]\r\nK=1\r\n[P2]\r\nKey=2", "P2", "key", "3", "[P]\r\nK=1\r\n[P2]\r\nKey=3"},
        {"[PARAM]\r\nA=1\r\n; note\r\n\r\n[OTHER]\r\nB=2\r\n", "PARAM", "C", "3",
         "[PARAM]\r\nA=1\r\n; note\r\nC=3\r\n\r\n[OTHER]\r\nB=2\r\n"},
        {"[A]\r\nx=1\r\n[PARAM]", "PARAM", "K", "v", "[A]\r\nx=1\r\n[PARAM]\r\nK=v\r\n"},
        {"[A]\r\nx=1", "PARAM", "K", "v", "[A]\r\nx=1\r\n[PARAM]\r\nK=v\r\n"},
        {"", "PARAM", "K", "v", "[PARAM]\r\nK=v\r\n"},
        {"[PARAM]\r\nK=v\r\n", "PARAM", "E", "", "[PARAM]\r\nK=v\r\nE=\r\n"},
        {foreign, "PARAM", "A", "2", head + raw("[PARAM]\nA=2\n\n[Z]\nb=\0q")},
        {foreign, "PARAM", "N", "x", head + raw("[PARAM]\nA=1\nN=x\r\n\n[Z]\nb=\0q")},
        // Accents are single Windows-1252 bytes; line breaks cannot inject keys.
        {"", "PARAM", "Cl\u00E9", "\u00E9t\u00E9 \u20AC", "[PARAM]\r\nCl\xE9=\xE9t\xE9 \x80\r\n"},
        {"", "PARAM", "K", "a\r\n[EVIL]\rX=1\n", "[PARAM]\r\nK=a  [EVIL] X=1 \r\n"},
    };
    for (const auto& [before, section, key, value, after] : cases) {
        putBytes(ini, before);
        ASSERT_TRUE(writeKey(ini, section, key, value));
        EXPECT_EQ(bytesOf(ini), after) << before.toStdString();
    }
    ASSERT_TRUE(Env::Default()->removeFile(ini));
    ASSERT_TRUE(writeKey(ini, "PARAM", "K1", "v") && writeKey(ini, "PARAM", "K2", "w"));
    EXPECT_EQ(bytesOf(ini), "[PARAM]\r\nK1=v\r\nK2=w\r\n");  // a new file, in write order
}

TEST_F(ProfileWrite, FailedWriteLeavesTheFileAsItWas) {
    const QByteArray before("[PARAM]\nA=1\n");
    putBytes(ini, before);
    TestEnv full;
    full.failAfterBytes = 0;
    EXPECT_FALSE(profile::writeString(full, "PARAM", "A", "2", ini));
    EXPECT_FALSE(profile::writeString(full, "NEW", "B", "2", ini));
    EXPECT_FALSE(profile::writeString(full, "PARAM", "A", "2", dir.file("new.ini")));
    EXPECT_FALSE(QFile::exists(dir.file("new.ini")));

    ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0444), 0);
    EXPECT_FALSE(writeKey(ini, "PARAM", "A", "2"));
    EXPECT_EQ(bytesOf(ini), before);

    EXPECT_FALSE(writeKey(dir.file("no/such/folder.ini"), "PARAM", "A", "2"));
}

}  // namespace
}  // namespace vantor::test

// Writing keys: the file keeps every byte it had except the key's line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

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

TEST_F(ProfileWrite, NewFileHoldsKeysInWriteOrderWithCrlfRewritesKeepTheirPlace) {
    ASSERT_TRUE(writeKey(ini, "PARAM", "K1", "v"));
    ASSERT_TRUE(writeKey(ini, "PARAM", "K2", "w"));
    ASSERT_TRUE(writeKey(ini, "PARAM", "K3", ""));
    ASSERT_TRUE(writeKey(ini, "param", "k1", "x y"));
    EXPECT_EQ(bytesOf(ini), "[PARAM]\r\nK1=x y\r\nK2=w\r\nK3=\r\n");

    // A rewritten key keeps its place, its spelling and its line end.
    putBytes(ini, "[Param]\r\n  Key = old ; x\nNext=1\r\n[P2]\r\nKey=2");
    ASSERT_TRUE(writeKey(ini, "PARAM", "KEY", "new"));
    ASSERT_TRUE(writeKey(ini, "P2", "key", "3"));
    EXPECT_EQ(bytesOf(ini), "[Param]\r\nKey=new\nNext=1\r\n[P2]\r\nKey=3");
}

TEST_F(ProfileWrite, NewKeyGoesAfterTheLastNonBlankLineOfItsSectionNewSectionOnALineOfItsOwn) {
    putBytes(ini, "[PARAM]\r\nA=1\r\n; note\r\n\r\n[OTHER]\r\nB=2\r\n");
    ASSERT_TRUE(writeKey(ini, "PARAM", "C", "3"));
    EXPECT_EQ(bytesOf(ini), "[PARAM]\r\nA=1\r\n; note\r\nC=3\r\n\r\n[OTHER]\r\nB=2\r\n");
    putBytes(ini, "[A]\r\nx=1\r\n[PARAM]");
    ASSERT_TRUE(writeKey(ini, "PARAM", "K", "v"));
    EXPECT_EQ(bytesOf(ini), "[A]\r\nx=1\r\n[PARAM]\r\nK=v\r\n");
    putBytes(ini, "[A]\r\nx=1");
    ASSERT_TRUE(writeKey(ini, "PARAM", "K", "v"));
    EXPECT_EQ(bytesOf(ini), "[A]\r\nx=1\r\n[PARAM]\r\nK=v\r\n");
    putBytes(ini, "");
    ASSERT_TRUE(writeKey(ini, "PARAM", "K", "v"));
    EXPECT_EQ(bytesOf(ini), "[PARAM]\r\nK=v\r\n");
}

TEST_F(ProfileWrite, ForeignLineEndsGarbageAndNulBytesSurviveWrites) {
    const QByteArray head = raw("junk\n\0\xFF=\n\xEF\xBB\xBF[Z]\n");
    putBytes(ini, head + raw("[PARAM]\nA=1\n\n[Z]\nb=\0q"));
    ASSERT_TRUE(writeKey(ini, "PARAM", "A", "2"));
    ASSERT_TRUE(writeKey(ini, "PARAM", "N", "x"));
    EXPECT_EQ(bytesOf(ini), head + raw("[PARAM]\nA=2\nN=x\r\n\n[Z]\nb=\0q"));
}

TEST_F(ProfileWrite, AccentsAreSingleWindows1252BytesAndLineBreaksCannotInjectKeys) {
    ASSERT_TRUE(writeKey(ini, "PARAM", "Cl\u00E9", "\u00E9t\u00E9 \u20AC"));
    EXPECT_EQ(bytesOf(ini), "[PARAM]\r\nCl\xE9=\xE9t\xE9 \x80\r\n");
    EXPECT_EQ(readKey(ini, "PARAM", "CL\u00C9"), "\u00E9t\u00E9 \u20AC");
    putBytes(ini, "");
    ASSERT_TRUE(writeKey(ini, "PARAM", "K", "a\r\n[EVIL]\rX=1\n"));
    EXPECT_EQ(bytesOf(ini), "[PARAM]\r\nK=a  [EVIL] X=1 \r\n");
    EXPECT_EQ(readKey(ini, "EVIL", "X"), "<absent>");
}

TEST_F(ProfileWrite, FailedWriteLeavesTheFileAsItWas) {
    const QByteArray before("[PARAM]\nA=1\n");
    putBytes(ini, before);
    TestEnv full;
    full.failAfterBytes = 0;
    EXPECT_FALSE(profile::writeString(full, "PARAM", "A", "2", ini));
    EXPECT_FALSE(profile::writeString(full, "PARAM", "B", "2", ini));
    EXPECT_FALSE(profile::writeString(full, "NEW", "B", "2", ini));
    EXPECT_FALSE(profile::writeString(full, "PARAM", "A", "2", dir.file("new.ini")));
    EXPECT_EQ(bytesOf(ini), before);
    EXPECT_FALSE(QFile::exists(dir.file("new.ini")));

    ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0444), 0);
    EXPECT_FALSE(writeKey(ini, "PARAM", "A", "2"));
    EXPECT_EQ(bytesOf(ini), before);

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_FALSE(writeKey(dir.file("folder.ini"), "PARAM", "A", "2"));
    EXPECT_FALSE(writeKey(dir.file("no/such/folder.ini"), "PARAM", "A", "2"));
}

}  // namespace
}  // namespace vantor::test

// Reading keys the way the Windows profile calls read them.
#include <gtest/gtest.h>

#include "profile_test_files.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

class ProfileRead : public ::testing::Test {
  protected:
    TempDir dir;
    QString ini = dir.file("param.ini");
};

TEST_F(ProfileRead, NamesMatchRegardlessOfCaseAccentsAndBlanks) {
    putBytes(ini,
             "[ Param\t]\r\n  Cl\xC9 = x\r\n\x8A"
             "a=y\r\n");
    EXPECT_EQ(readKey(ini, "PARAM", "cl\u00E9"), "x");
    EXPECT_EQ(readKey(ini, " param ", "CL\u00C9"), "x");
    EXPECT_EQ(readKey(ini, "PARAM", "\u0161A"), "y");          // š folds to Š
    putBytes(ini, "\xEF\xBB\xBF[P]\r\nV=\xE9t\xE9 \x80\r\n");  // Windows-1252 after a BOM
    EXPECT_EQ(readKey(ini, "P", "V"), "\u00E9t\u00E9 \u20AC");
}

TEST_F(ProfileRead, ValuesLoseOuterBlanksAndOnePairOfMatchingQuotes) {
    putBytes(ini,
             "[P]\r\nA= \t\"a b\"\t \r\nB='x'\r\nC=\"x'\r\nD=\"\r\nE=\"\"\r\nF=\"\"x\"\"\r\n"
             "G=a = b ; c\r\n");
    EXPECT_EQ(readKey(ini, "P", "A"), "a b");
    EXPECT_EQ(readKey(ini, "P", "B"), "x");
    EXPECT_EQ(readKey(ini, "P", "C"), "\"x'");
    EXPECT_EQ(readKey(ini, "P", "D"), "\"");
    EXPECT_EQ(readKey(ini, "P", "E"), "");
    EXPECT_EQ(readKey(ini, "P", "F"), "\"x\"");
    EXPECT_EQ(readKey(ini, "P", "G"), "a = b ; c");
}

TEST_F(ProfileRead, FirstDuplicatesWinAnyLineEndCountsCommentsAndStrayLinesAreNoKeys) {
    putBytes(ini, "[P]\r\nK=1\r\nk=2\r\n[p]\r\nK=3\r\nL=4\r\n");
    EXPECT_EQ(readKey(ini, "P", "K"), "1");
    EXPECT_EQ(readKey(ini, "P", "L"), "<absent>");
    putBytes(ini,
             "K0=before\r\n[P]\rA=1\nB=2\r\n;C=3\r\n  ;D=4\nnot a key\r\n[Q\r\nE=5\r\n\r\n"
             "[Q]\nF=6");
    EXPECT_EQ(readKey(ini, "P", "A"), "1");
    EXPECT_EQ(readKey(ini, "P", "B"), "2");
    EXPECT_EQ(readKey(ini, "P", ";C"), "<absent>");
    EXPECT_EQ(readKey(ini, "P", "D"), "<absent>");
    EXPECT_EQ(readKey(ini, "P", "K0"), "<absent>");
    EXPECT_EQ(readKey(ini, "P", "E"), "5");  // "[Q" lacks its bracket: not a section
    EXPECT_EQ(readKey(ini, "Q", "F"), "6");
}

TEST_F(ProfileRead, ValuesAndDefaultsAreCutToBufferSizeLessOneDefaultOnlyWhenAbsent) {
    putBytes(ini,
             "[P]\r\nV=" + QByteArray(1500, 'v') + "\r\nQ=\"" + QByteArray(300, 'q') + "\"\r\n");
    const auto r = profile::getString(*Env::Default(), "P", "V", "", 1024, ini);
    EXPECT_EQ(r.text, QString(1023, 'v'));
    EXPECT_EQ(r.length, 1023);
    EXPECT_EQ(readKey(ini, "P", "V", "", 255), QString(254, 'v'));
    EXPECT_EQ(readKey(ini, "P", "Q", "", 255), QString(254, 'q'));
    EXPECT_EQ(readKey(ini, "P", "absent", QString(400, 'd'), 255), QString(254, 'd'));
    const auto none = profile::getString(*Env::Default(), "P", "V", "d", 0, ini);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.length, 0);

    // The default serves an absent key only, trimmed at its end.
    EXPECT_EQ(readKey(ini, "P", "K", "d \t"), "d");  // no file
    putBytes(ini, "[P]\r\nEMPTY=\r\nBLANK=  \r\n");
    EXPECT_EQ(readKey(ini, "OTHER", "K", " d"), " d");
    EXPECT_EQ(readKey(ini, "P", "K", "d"), "d");
    const auto empty = profile::getString(*Env::Default(), "P", "EMPTY", "d", 1024, ini);
    EXPECT_EQ(empty.text, "");
    EXPECT_EQ(empty.length, 0);
    EXPECT_EQ(readKey(ini, "P", "BLANK", "d"), "");
}

}  // namespace
}  // namespace vantor::test

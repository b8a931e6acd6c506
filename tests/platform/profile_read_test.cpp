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

TEST_F(ProfileRead, HandEditedFilesReadAsTheWindowsCallsReadThem) {
    const QByteArray names =
        "[ Param\t]\r\n  Cl\xC9 = x\r\n\x8A"
        "a=y\r\n";
    const QByteArray bom = "\xEF\xBB\xBF[P]\r\nV=\xE9t\xE9 \x80\r\n";  // Windows-1252 after it
    const QByteArray quotes =
        "[P]\r\nA= \t\"a b\"\t \r\nB='x'\r\nC=\"x'\r\nD=\"\r\nE=\"\"\r\nF=\"\"x\"\"\r\n"
        "G=a = b ; c\r\n";
    const QByteArray twice = "[P]\r\nK=1\r\nk=2\r\n[p]\r\nK=3\r\nL=4\r\n";  // the first wins
    // "[Q" lacks its bracket: not a section.
    const QByteArray lines =
        "K0=before\r\n[P]\rA=1\nB=2\r\n;C=3\r\n  ;D=4\nnot a key\r\n[Q\r\nE=5\r\n\r\n[Q]\nF=6";
    using Keys = std::vector<std::pair<QString, QString>>;  // key, value read
    const std::tuple<QByteArray, QString, Keys> cases[] = {
        {names, "PARAM", {{"cl\u00E9", "x"}, {"\u0161A", "y"}}},  // š folds to Š
        {names, " param ", {{"CL\u00C9", "x"}}},
        {bom, "P", {{"V", "\u00E9t\u00E9 \u20AC"}}},
        {quotes, "P", {{"A", "a b"}, {"B", "x"}, {"C", "\"x'"}, {"D", "\""}, {"E", ""}}},
        {quotes, "P", {{"F", "\"x\""}, {"G", "a = b ; c"}}},
        {twice, "P", {{"K", "1"}, {"L", "<absent>"}}},
        {lines, "P", {{"A", "1"}, {"B", "2"}, {";C", "<absent>"}, {"D", "<absent>"}}},
        {lines, "P", {{"K0", "<absent>"}, {"E", "5"}}},
        {lines, "Q", {{"F", "6"}}},
    };
    for (const auto& [file, section, keys] : cases) {
        putBytes(ini, file);
        for (const auto& [key, expected] : keys)
            EXPECT_EQ(readKey(ini, section, key), expected)
                << file.toStdString() << key.toStdString();
    }
}

TEST_F(ProfileRead, ValuesAndDefaultsAreCutToBufferSizeLessOneDefaultOnlyWhenAbsent) {
    putBytes(ini,
             "[P]\r\nV=" + QByteArray(1500, 'v') + "\r\nQ=\"" + QByteArray(300, 'q') + "\"\r\n");
    const auto r = profile::getString(*Env::Default(), "P", "V", "", 1024, ini);
    EXPECT_EQ(r.text, QString(1023, 'v'));
    EXPECT_EQ(r.length, 1023);
    EXPECT_EQ(readKey(ini, "P", "Q", "", 255), QString(254, 'q'));
    EXPECT_EQ(readKey(ini, "P", "absent", QString(400, 'd'), 255), QString(254, 'd'));
    EXPECT_EQ(profile::getString(*Env::Default(), "P", "V", "d", 0, ini).length, 0);

    // The default serves an absent key only, trimmed at its end.
    EXPECT_EQ(readKey(ini, "P", "K", "d \t"), "d");
    putBytes(ini, "[P]\r\nEMPTY=\r\nBLANK=  \r\n");
    EXPECT_EQ(readKey(ini, "OTHER", "K", " d"), " d");
    EXPECT_EQ(readKey(ini, "P", "EMPTY", "d"), "");
    EXPECT_EQ(readKey(ini, "P", "BLANK", "d"), "");
}

}  // namespace
}  // namespace vantor::test

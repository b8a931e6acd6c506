// What a program start runs on this system: the stand-in for a Windows
// program, and the minimised start asked by argument.
#include <gtest/gtest.h>

#include "platform/env.h"
#include "platform/profile_test_files.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

TEST(ProgramStart, AMissingExeRunsItsBareNameAndMinimisedAddsTheArgument) {
    TempDir dir;
    Env& env = *Env::Default();
    const QString exe = dir.file("notes.exe"), bare = dir.file("notes");
    const QStringList args = {"file.nsf"};

    // Neither exists: the start is attempted as asked, and fails there.
    EXPECT_EQ(launchFor(env, exe, args, WindowStyle::NormalFocus).program, exe);

    putBytes(bare, "#!/bin/sh\n");
    ProgramLaunch l = launchFor(env, exe, args, WindowStyle::MinimizedFocus);
    EXPECT_EQ(l.program, bare);
    EXPECT_EQ(l.arguments, QStringList({"--minimized", "file.nsf"}));
    EXPECT_EQ(launchFor(env, dir.file("NOTES.EXE"), {}, WindowStyle::NormalFocus).arguments,
              QStringList());

    putBytes(exe, "MZ");
    EXPECT_EQ(launchFor(env, exe, args, WindowStyle::NormalFocus).program, exe);
}

}  // namespace
}  // namespace vantor::test

#pragma once
// Cls_initreg on a fresh folder: its registry file, message boxes answered
// by script, and the registry's failures collected.
#include <gtest/gtest.h>

#include <QStringList>

#include "platform/registry_file.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "toolkit/cls_initreg.h"

namespace vantor::test {

class ToolkitFixture : public ::testing::Test {
  protected:
    TempDir dir;
    QString windows = dir.file("windows");
    QString registryPath = dir.file("registre.reg");
    QStringList log;
    FileRegistry registry{*Env::Default(), registryPath, [this](const QString& m) { log << m; }};
    ScriptedDialogs dialogs;
    Cls_initreg cls{*Env::Default(), registry, dialogs, windows};
};

}  // namespace vantor::test

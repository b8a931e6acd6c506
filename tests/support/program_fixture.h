#pragma once
// The program state on a folder of its own (settings, log, settable clock,
// scripted dialogs, French dates); the fixtures of the program's parts extend it.
#include <gtest/gtest.h>

#include <QLocale>

#include "core/modlotus.h"
#include "platform/cp1252.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor::test {

class ProgramFixture : public ::testing::Test {
  protected:
    ProgramFixture() : m(&env, &dialogs, nullptr, dir.path()) {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }
    ~ProgramFixture() override { QLocale::setDefault(QLocale::c()); }

    // The error log's text; "" when there is none.
    QString journal() { return cp1252::decode(env.readFile(m.cheminLog()).value_or(QByteArray())); }
    // The data root of the local store.
    QString racine() const { return dir.file(QStringLiteral("notesdata")); }

    TempDir dir;
    TestEnv env;
    ScriptedDialogs dialogs;
    ModLOTUS m;
};

}  // namespace vantor::test

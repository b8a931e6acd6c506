#pragma once
// A program state on a fresh folder, its settings file and error log, for
// the popup's tests.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <memory>

#include "core/modlotus.h"
#include "core/settings.h"
#include "platform/cp1252.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor::test {

class PopupFixture : public ::testing::Test {
protected:
    PopupFixture() : m(&env, &dialogs, nullptr, dir.path()) {}

    void param(const QString& key, const QString& value) {
        EcrireIni(m, QStringLiteral("VANTOR"), QStringLiteral("PARAM"), key, value, m.CheminParam);
    }
    QString journal() {
        const auto bytes = env.readFile(m.cheminLog());
        return bytes ? cp1252::decode(*bytes) : QString();
    }
    static QRect ecran() { return QGuiApplication::primaryScreen()->geometry(); }

    TempDir dir;
    TestEnv env;
    ScriptedDialogs dialogs;
    ModLOTUS m;
};

}  // namespace vantor::test

#pragma once
// The main window on a fresh program folder with a local store, dialogs
// answered by script, a fixed clock and an end of program that only records.
#include <gtest/gtest.h>

#include <QLocale>
#include <memory>

#include "app/frm_lotus.h"
#include "core/modlotus.h"
#include "core/password.h"
#include "core/settings.h"
#include "notes/store/local_client.h"
#include "notes/workspace/ipc_workspace.h"
#include "platform/cp1252.h"
#include "support/scripted_dialogs.h"
#include "support/store_tool.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor::test {

class AppFixture : public ::testing::Test {
  protected:
    AppFixture()
        : client(joinPath(dir.path(), QStringLiteral("notesdata")),
                 notes::ipcWorkspaceFactory(joinPath(dir.path(), QStringLiteral("notesdata")))),
          tool(joinPath(dir.path(), QStringLiteral("notesdata"))),
          m(&env, &dialogs, &client, dir.path()) {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        // Earlier than any real delivery, so that what the store tool delivers is new.
        env.clock = QDateTime(QDate(2026, 1, 15), QTime(9, 5, 7));
    }
    ~AppFixture() override { QLocale::setDefault(QLocale::c()); }

    // Creates the window and runs its start-up.
    FrmLOTUS& demarrer() {
        w = std::make_unique<FrmLOTUS>(m);
        w->finProgramme = [this] { ++fins; };
        w->Form_Load();
        return *w;
    }

    // Slot 0 watches a mailbox that opens, its password stored; `autres`
    // adds lines to the settings file.
    void boiteJoignable(const QByteArray& autres = {}) {
        tool.mailbox(kServeur, "mail\\jdupont.nsf");
        ecrireIni("[PARAM]\r\nSERVEUR_LOTUS_0=" + kServeur.toLatin1() +
                  "\r\nBAL_0=mail\\jdupont.nsf\r\nPASSWORD=" +
                  CrypteMotDePasse("vantor").value().toLatin1() + "\r\n" + autres);
    }

    QByteArray ini() { return env.readFile(m.CheminParam).value_or(QByteArray()); }
    void ecrireIni(const QByteArray& bytes) { ASSERT_TRUE(env.replaceFile(m.CheminParam, bytes)); }
    QString journal() { return cp1252::decode(env.readFile(m.cheminLog()).value_or(QByteArray())); }
    QByteArray dateVisu() const { return cp1252::encode(texteDateHeure(*env.clock)); }

    inline static const QString kServeur = QStringLiteral("Paris/Vantor");

    TempDir dir;
    TestEnv env;
    ScriptedDialogs dialogs;
    store::LocalClient client;
    StoreTool tool;
    ModLOTUS m;
    std::unique_ptr<FrmLOTUS> w;
    int fins = 0;
};

}  // namespace vantor::test

#pragma once
// The main window on the program fixture, with a local store its client
// reaches, a fixed clock and an end of program that only records.
#include <memory>

#include "app/frm_lotus.h"
#include "core/password.h"
#include "core/settings.h"
#include "notes/store/local_client.h"
#include "notes/workspace/ipc_workspace.h"
#include "support/mailbox.h"
#include "support/program_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {

class AppFixture : public ProgramFixture {
  protected:
    AppFixture() {
        m.notes = &client;
        // Earlier than any real delivery, so that what the store tool delivers is new.
        env.clock = QDateTime(QDate(2026, 1, 15), QTime(9, 5, 7));
    }

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
        tool.mailbox(kServer, kMailbox);
        ecrireIni("[PARAM]\r\nSERVEUR_LOTUS_0=" + kServer.toLatin1() + "\r\nBAL_0=" +
                  kMailbox.toLatin1() + "\r\nPASSWORD=" +
                  CrypteMotDePasse("vantor").value().toLatin1() + "\r\n" + autres);
    }

    QByteArray ini() { return env.readFile(m.CheminParam).value_or(QByteArray()); }
    void ecrireIni(const QByteArray& bytes) { ASSERT_TRUE(putBytes(m.CheminParam, bytes)); }
    QByteArray dateVisu() const { return cp1252::encode(texteDateHeure(*env.clock)); }

    store::LocalClient client{racine(), notes::ipcWorkspaceFactory(racine())};
    StoreTool tool{racine()};
    std::unique_ptr<FrmLOTUS> w;
    int fins = 0;
};

}  // namespace vantor::test

#pragma once
// A data root in a temporary folder with the user, her server and mailbox,
// and short ways to fill it.
#include <gtest/gtest.h>

#include <QFile>

#include "notes/store/local_client.h"
#include "notes/store/local_document.h"
#include "notes/store/store_codes.h"
#include "notes_checks.h"
#include "support/file_bytes.h"
#include "support/mailbox.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"

namespace vantor::test {

class StoreTest : public ::testing::Test {
  protected:
    StoreTest() : admin_(root_.path()), client_(root_.path()) {
        mailbox_ = createUserMailbox(admin_);
    }

    notes::SessionPtr openSession() {
        notes::SessionPtr session = client_.createBackendSession();
        session->initialize(kPassword);
        return session;
    }
    // The mailbox as the program opens it: a session, a directory, a file.
    notes::DatabasePtr openMailbox() {
        return openSession()->getDbDirectory(kServer)->openDatabase(kMailbox, false);
    }

    std::shared_ptr<store::LocalDocument> deliver(const QString& subject) {
        return test::deliver(*mailbox_, subject);
    }

    QString mailboxPath() const { return admin_.root().findFile(kServer, kMailbox); }

    TempDir root_;
    store::StoreAdmin admin_;
    store::LocalClient client_;
    std::shared_ptr<store::LocalDatabase> mailbox_;
};

}  // namespace vantor::test

#pragma once
// A Dovecot of the test's own and the network thread connections live on.
#include <gmock/gmock.h>

#include <memory>

#include "notes/imap/connection.h"
#include "notes/imap/network_thread.h"
#include "support/dovecot_server.h"
#include "support/qt_printers.h"

namespace vantor::test {

class ImapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<DovecotServer>(options_);
        if (!server_->available()) GTEST_SKIP() << server_->why().toStdString();
        if (options_.tls == QLatin1String("authority")) server_->trustAuthority();
        login_ = server_->addUser(password_);
    }

    imap::ConnectionSettings settings(bool tlsFromStart = true) const {
        imap::ConnectionSettings s;
        s.address = *imap::ServerAddress::parse(server_->address(login_, tlsFromStart));
        return s;
    }

    std::unique_ptr<imap::Connection> connect(bool tlsFromStart = true) {
        auto c = std::make_unique<imap::Connection>(network_, settings(tlsFromStart));
        c->open(password_, {});
        return c;
    }

    DovecotOptions options_;  // the server this test needs; set by a fixture's constructor
    imap::NetworkThread network_;
    std::unique_ptr<DovecotServer> server_;
    QString password_ = QStringLiteral("mot de passe é\"\\");
    QString login_;
};

}  // namespace vantor::test

// Test entry: a core application (event loops, QProcess), and no session bus
// but the one a test starts itself, so that no test ever reads or writes the
// keyring of the person running it.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

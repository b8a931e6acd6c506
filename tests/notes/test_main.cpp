// Test entry: a core application, and no session bus but one a test starts, so
// that no test ever touches the keyring of the person running it.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

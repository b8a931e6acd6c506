// Widget tests need one QApplication for the whole run. Test discovery runs
// this program at build time without the test environment, hence the
// offscreen default here too.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/private_runtime.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const vantor::test::PrivateRuntimeFolder sockets;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

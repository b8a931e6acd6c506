// Tests on a real X display (run by with-display.sh): the platform is the
// one the environment names, never forced offscreen.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/private_runtime.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const vantor::test::PrivateRuntimeFolder sockets;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

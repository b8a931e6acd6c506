// End-to-end tests, run on a desktop of their own by with-desktop.sh. They
// report themselves skipped (77) where that desktop has no accessibility bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>

#include "e2e_fixture.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("VANTOR_E2E_WORK")) {
        std::fprintf(stderr, "SKIPPED: run through tests/e2e/with-desktop.sh\n");
        return 77;
    }
    QString why;
    std::unique_ptr<vantor::e2e::AccessibilityBus> bus =
        vantor::e2e::AccessibilityBus::connect(&why);
    if (!bus) {
        std::fprintf(stderr, "SKIPPED: %s\n", qPrintable(why));
        return 77;
    }
    vantor::e2e::E2eTest::bus_ = bus.get();
    return RUN_ALL_TESTS();
}

// Widget tests need an application object before any window exists. They
// never need a real display, also when the test list is gathered at build time.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/private_runtime.h"

namespace {
QtMessageHandler relaisParDefaut = nullptr;

// The offscreen screen cannot stack windows; its warning on every raise() is noise.
void filtre(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
    if (msg.contains(QLatin1String("does not support raise()"))) return;
    relaisParDefaut(type, ctx, msg);
}
}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    relaisParDefaut = qInstallMessageHandler(filtre);
    QApplication app(argc, argv);
    const vantor::test::PrivateRuntimeFolder sockets;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

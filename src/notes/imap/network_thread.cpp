#include "notes/imap/network_thread.h"

namespace vantor::imap {

NetworkThread::NetworkThread() : anchor_(new QObject) {
    thread_.setObjectName(QStringLiteral("vantor-imap"));
    anchor_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, anchor_, &QObject::deleteLater);
    thread_.start();
}

NetworkThread::~NetworkThread() {
    thread_.quit();
    thread_.wait();
}

void NetworkThread::post(std::function<void()> work) {
    QMetaObject::invokeMethod(anchor_, std::move(work), Qt::QueuedConnection);
}

}  // namespace vantor::imap

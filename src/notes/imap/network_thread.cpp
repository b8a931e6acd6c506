#include "notes/imap/network_thread.h"

#include <dlfcn.h>

namespace vantor::imap {

namespace {

// OpenSSL keeps random generators per thread and frees them from a
// thread-exit hook that does not always run for a library Qt's TLS plugin
// loaded at run time: the thread hands them back itself before it ends.
void releaseTlsThreadState() {
    if (void* crypto = dlopen("libcrypto.so.3", RTLD_NOW | RTLD_NOLOAD)) {
        if (auto stop = reinterpret_cast<void (*)()>(dlsym(crypto, "OPENSSL_thread_stop"))) stop();
        dlclose(crypto);
    }
}

}  // namespace

NetworkThread::NetworkThread() : anchor_(new QObject) {
    thread_.setObjectName(QStringLiteral("vantor-imap"));
    anchor_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, anchor_, &QObject::deleteLater);
    // Emitted on the network thread itself, as it ends.
    QObject::connect(&thread_, &QThread::finished, &thread_, releaseTlsThreadState,
                     Qt::DirectConnection);
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

// Test entry: a core application, so that QProcess can run the tool.
//
// `notes_tests --remove ROOT SERVER FILE UNID...` removes documents through a
// client session in a process of its own, as the user's mail client does
// while the program walks the mailbox; exit code 0 when every one was there.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "notes/store/local_client.h"

namespace {

int removeDocuments(int argc, char** argv) {
    if (argc < 6) return 2;
    try {
        vantor::store::LocalClient client(QString::fromLocal8Bit(argv[2]));
        vantor::notes::DatabasePtr db = client.createClientSession()->getDatabase(
            QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
        for (int i = 5; i < argc; ++i) {
            vantor::notes::DocumentPtr doc = db->getDocumentByUNID(QString::fromLatin1(argv[i]));
            if (!doc || !doc->remove(true)) return 1;
        }
        return 0;
    } catch (const vantor::Failure& f) {
        std::fprintf(stderr, "%s\n", f.description().toLocal8Bit().constData());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--remove") == 0) return removeDocuments(argc, argv);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

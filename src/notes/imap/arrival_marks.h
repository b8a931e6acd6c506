#pragma once
// When this program first saw each message of a server's folders: from the
// folders' UIDNEXT observed over the run, never from the server's clock. A
// UID below the first UIDNEXT seen was there before; one first seen above
// observation i and below observation i+1 arrived at observation i+1's time.
#include <QByteArray>
#include <limits>
#include <map>
#include <vector>

namespace vantor::imap {

class ArrivalMarks {
  public:
    // The arrival of a message that was there before the watch began: never new.
    static constexpr qint64 kBefore = std::numeric_limits<qint64>::min() / 4;
    // A message older than this on arrival was moved in by another program.
    static constexpr qint64 kMovedInSecs = 48 * 3600;

    // Records that `folder` had this UIDNEXT at `secs`; a new UIDVALIDITY
    // starts the folder afresh (nothing in it is new).
    void observe(const QByteArray& folder, quint32 uidValidity, quint32 uidNext, qint64 secs);
    bool observed(const QByteArray& folder) const { return folders_.count(folder) != 0; }
    // When the message arrived, or kBefore (there before, moved in, or not
    // yet seen below a UIDNEXT). `internalDateSecs`: the server's date of it,
    // kBefore when unknown.
    qint64 arrival(const QByteArray& folder, quint32 uidValidity, quint32 uid,
                   qint64 internalDateSecs) const;
    // The lowest UID that may have arrived after `secs` (every smaller one
    // did not); 0 for a folder never observed under that UIDVALIDITY.
    quint32 firstUidArrivedAfter(const QByteArray& folder, quint32 uidValidity, qint64 secs) const;

  private:
    struct Observation {
        quint32 uidNext;
        qint64 secs;
    };
    struct FolderMarks {
        quint32 uidValidity = 0;
        std::vector<Observation> seen;  // UIDNEXT rising
    };
    const FolderMarks* marksOf(const QByteArray& folder, quint32 uidValidity) const;

    std::map<QByteArray, FolderMarks> folders_;
};

}  // namespace vantor::imap

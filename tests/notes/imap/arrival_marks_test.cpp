// When a message counts as arrived: from the UIDNEXT observed over the run,
// whatever the server's clock says.
#include "notes/imap/arrival_marks.h"

#include <gtest/gtest.h>

namespace vantor::imap {
namespace {

constexpr qint64 kT0 = 1'800'000'000, kT1 = kT0 + 600, kT2 = kT0 + 1200;
constexpr qint64 kUnknown = ArrivalMarks::kBefore;  // also "arrived before the watch"

// Observations: UIDNEXT 10 at T0 (the watch starts), 12 at T1, then none (an outage), 15 at T2.
TEST(ArrivalMarks, ArrivalFollowsTheObservationsNotTheServersClock) {
    ArrivalMarks marks;
    marks.observe("INBOX", 7, 10, kT0);
    marks.observe("INBOX", 7, 12, kT1);
    marks.observe("INBOX", 7, 12, kT1 + 60);  // nothing new: no observation
    marks.observe("INBOX", 7, 15, kT2);
    const struct {
        const char* fault;
        quint32 uidValidityAsked, uid;
        qint64 internalDate, arrival;
    } cases[] = {{"old mail popped up", 7, 9, kT0 - 86400, kUnknown},
                 {"new mail never popped up", 7, 10, kT1, kT1},
                 {"server clock an hour ahead hid new mail", 7, 11, kT1 + 3600, kT1},
                 {"server clock an hour behind hid new mail", 7, 11, kT1 - 3600, kT1},
                 {"mail of an outage lost", 7, 13, kUnknown, kT2},
                 {"mail moved in by another program popped up", 7, 14, kT2 - 49 * 3600, kUnknown},
                 {"mail not yet below a UIDNEXT taken as new", 7, 15, kUnknown, kUnknown},
                 {"UIDs of an older UIDVALIDITY taken as new", 8, 11, kUnknown, kUnknown}};
    for (const auto& c : cases)
        EXPECT_EQ(marks.arrival("INBOX", c.uidValidityAsked, c.uid, c.internalDate), c.arrival)
            << c.fault;

    // The restricted walk starts at the UIDNEXT seen before the last visit.
    const std::pair<qint64, quint32> starts[] = {{kT0 - 1, 10}, {kT0, 10}, {kT1, 12}, {kT2, 15}};
    for (const auto& [since, uid] : starts)
        EXPECT_EQ(marks.firstUidArrivedAfter("INBOX", 7, since), uid) << since;
    EXPECT_EQ(marks.firstUidArrivedAfter("Projets", 7, kT0), 0u);
    // A new UIDVALIDITY restarts the folder, so nothing old pops up.
    marks.observe("INBOX", 8, 40, kT2 + 600);
    EXPECT_EQ(marks.arrival("INBOX", 8, 30, kUnknown), ArrivalMarks::kBefore);
    EXPECT_EQ(marks.firstUidArrivedAfter("INBOX", 8, kT0), 40u);
}

}  // namespace
}  // namespace vantor::imap

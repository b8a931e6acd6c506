// Window lookup by title: the choice among titles, and this application's
// own windows where no native desktop is searched (offscreen).
#include "platform/gui/window_finder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "platform/gui/window_finder_p.h"

namespace vantor {
namespace {

TEST(WindowFinder, PrefersTheExactTitleOverAnEarlierPrefixMatch) {
    using window_finder::pickTitle;
    EXPECT_EQ(
        pickTitle({"Lotus Notes - Boîte 1", "Lotus Notes - Boîte 2", "Lotus Notes"}, "Lotus Notes"),
        2);
    EXPECT_EQ(
        pickTitle({"Vantor", "Lotus Notes - Boîte 1", "Lotus Notes - Boîte 2"}, "Lotus Notes"), 1);
    EXPECT_EQ(pickTitle({"Notes Lotus", "lotus notes"}, "Lotus Notes"), -1)
        << "the title must begin with it, letter case included";
}

TEST(WindowFinder, OwnWindowsOnlyWhenVisibleAndRestoredWhenMinimised) {
    QWidget hidden;
    hidden.setWindowTitle("Lotus Notes");
    EXPECT_FALSE(bringWindowToFront("Lotus Notes"));

    QWidget shown;
    shown.setWindowTitle("Lotus Notes - Recherche");
    shown.showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(bringWindowToFront("Lotus Notes"));
    EXPECT_FALSE(shown.isMinimized());
    EXPECT_TRUE(shown.isVisible());
}

}  // namespace
}  // namespace vantor

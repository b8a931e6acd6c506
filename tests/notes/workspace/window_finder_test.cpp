#include "platform/gui/window_finder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <vector>

namespace vantor {
namespace {

std::unique_ptr<QWidget> window(const QString& title, bool visible = true) {
    auto w = std::make_unique<QWidget>();
    w->setWindowTitle(title);
    if (visible) w->show();
    return w;
}

TEST(WindowFinder, PrefersExactTitleOverAnyPrefixMatch) {
    // Top-level windows come in no set order: several prefix matches make a
    // search that stops at the first match fail almost surely.
    std::vector<std::unique_ptr<QWidget>> prefixed;
    for (int i = 0; i < 8; ++i)
        prefixed.push_back(window(QString("Lotus Notes - Boîte %1").arg(i)));
    auto exact = window("Lotus Notes");
    EXPECT_EQ(findWindowByTitle("Lotus Notes"), exact.get());

    exact->hide();
    QWidget* found = findWindowByTitle("Lotus Notes");
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->windowTitle().startsWith("Lotus Notes - Boîte "));
    EXPECT_TRUE(bringWindowToFront("Lotus Notes"));
}

TEST(WindowFinder, IgnoresHiddenWindowsAndFailsWhenNoneMatches) {
    auto hidden = window("Lotus Notes", false);
    auto other = window("Notes Lotus");  // the title must begin with it
    EXPECT_EQ(findWindowByTitle("Lotus Notes"), nullptr);
    EXPECT_FALSE(bringWindowToFront("Lotus Notes"));
}

TEST(WindowFinder, RestoresMinimisedWindow) {
    auto w = window("Lotus Notes");
    w->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(bringWindowToFront("Lotus Notes"));
    EXPECT_FALSE(w->isMinimized());
    EXPECT_TRUE(w->isVisible());
}

}  // namespace
}  // namespace vantor

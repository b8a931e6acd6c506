#pragma once
// One program folder per test and the program started in it; what the
// program wrote is shown when the test fails.
#include <gtest/gtest.h>

#include <memory>

#include "e2e/harness/atspi.h"
#include "e2e/harness/desktop.h"
#include "e2e/harness/program_folder.h"
#include "e2e/harness/screen.h"
#include "support/qt_printers.h"

namespace vantor::e2e {

// Generous bounds for what a loaded machine may take; never timings checked.
inline constexpr int kShortWait = 15000;
// The first check of the mailboxes comes 65 s after watching starts.
inline constexpr int kFirstScanWait = 120000;

class E2eTest : public ::testing::Test {
  public:
    static inline AccessibilityBus* bus_ = nullptr;

  protected:
    AccessibilityBus& bus() { return *bus_; }

    // A program folder of the test's own, under the session's work folder.
    ProgramFolder& makeFolder(const QString& name) {
        folder_ = std::make_unique<ProgramFolder>(qEnvironmentVariable("VANTOR_E2E_WORK"), name);
        return *folder_;
    }
    ProgramFolder& folder() { return *folder_; }

    // Starts the program and waits until it shows on the accessibility bus.
    Screen& start() {
        program_ = std::make_unique<RunningProgram>(*folder_);
        const Node app = bus().waitForApplication(QStringLiteral("Vantor"), 60000);
        if (!app.valid())
            throw std::runtime_error("Vantor did not appear on the accessibility bus");
        screen_ = std::make_unique<Screen>(bus(), app);
        return *screen_;
    }
    RunningProgram& program() { return *program_; }
    Screen& screen() { return *screen_; }

    // The tooltip of the tray icon, hovered as the user does.
    QString trayTooltip() {
        const QRect icon = desktop::trayIcon(QStringLiteral("Vantor"));
        return screen().tooltipAt(icon.center(), icon.center() - QPoint(300, 200));
    }
    // The tray icon's menu, opened with the right button.
    std::optional<Menu> trayMenu() {
        bus().takeShown();
        if (!desktop::clickIn(desktop::trayIcon(QStringLiteral("Vantor")), 3)) return std::nullopt;
        return screen().waitForMenu(kShortWait);
    }
    // Quits with the tray menu's "Quitter": the program must end by itself,
    // cleanly (under the sanitizers: with no fault and no leak reported).
    void quitFromTray() {
        const std::optional<Menu> menu = trayMenu();
        ASSERT_TRUE(menu);
        ASSERT_TRUE(screen().choose(*menu, QStringLiteral("Quitter")));
        ASSERT_TRUE(program().waitForExit(kShortWait));
        EXPECT_FALSE(program().crashed());
        EXPECT_EQ(program().exitCode(), 0);
        EXPECT_TRUE(desktop::trayIcon(QStringLiteral("Vantor")).isEmpty());
    }

    void TearDown() override {
        if (HasFailure() && screen_) {
            std::printf("--- on screen at the failure:\n%s",
                        qPrintable(bus().describe(screen_->app())));
        }
        if (program_) program_->stop();
        if (HasFailure() && folder_) {
            std::printf("--- vantor's output:\n%s\n--- erreur_log.txt:\n%s\n",
                        program_ ? qPrintable(program_->output()) : "",
                        folder_->bytes(QStringLiteral("erreur_log.txt")).constData());
        }
    }

  private:
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<RunningProgram> program_;
    std::unique_ptr<Screen> screen_;
};

}  // namespace vantor::e2e

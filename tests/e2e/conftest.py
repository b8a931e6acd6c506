"""Fixtures of the end-to-end tests, run by with-desktop.sh: the desktop's
accessibility bus, a program folder, its local mail store, and the program
running in the folder."""
import os
from pathlib import Path

import pytest
from gi.repository import GLib

from program import Program, ProgramFolder, Store
from ui import WAIT, Desktop, describe, tray_icons, wait_for


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    # The fixtures' teardown reads whether the test failed.
    report = (yield).get_result()
    item.failed = getattr(item, "failed", False) or report.failed


def pytest_sessionfinish(session):
    # Without a desktop every test is skipped: CTest's "skipped" then.
    stats = session.config.pluginmanager.get_plugin("terminalreporter").stats
    if session.exitstatus == 0 and stats.get("skipped") and not stats.get("passed"):
        session.exitstatus = 77


@pytest.fixture(scope="session")
def desktop():
    if "VANTOR_E2E_WORK" not in os.environ:
        pytest.skip("run through tests/e2e/with-desktop.sh")
    try:
        return Desktop()
    except GLib.Error as why:
        pytest.skip(f"no accessibility bus: {why}")


@pytest.fixture
def folder(request):
    """A program folder of the test's own: vantor, notes and vantor-store."""
    return ProgramFolder(Path(os.environ["VANTOR_E2E_WORK"]) / request.node.name)


@pytest.fixture
def store(folder):
    """The folder's local mail store: the user and the user's own mailbox."""
    return Store(folder)


class Vantor:
    """The program of a folder, started when the test has set the folder up."""

    def __init__(self, desktop, folder):
        self.desktop = desktop
        self.folder = folder
        self.program = self.screen = None

    def start(self):
        """Starts it; its screen, once its window or its tray icon shows."""
        self.program = Program(self.folder)
        self.screen = self.desktop.screen("Vantor", self.program.pid)
        wait_for(lambda: self.screen.windows() or tray_icons(), "Vantor's window or tray icon")
        return self.screen

    def start_watching(self):
        """Starts it set to watch at start; returns once the start's save wrote every slot."""
        screen = self.start()
        wait_for(lambda: self.folder.param("BAL_4") is not None, "the start's save")
        return screen

    def quit(self):
        """Quits with the tray menu's "Quitter": it ends by itself, cleanly."""
        self.screen.choose(["Quitter"])
        self.program.assert_ended_cleanly(WAIT)

    def end(self, failed):
        if failed:
            print("--- on screen:\n" + describe(self.screen.app) if self.screen else "")
            print("--- vantor's output:\n" + self.program.output())
            log = self.folder.path / "erreur_log.txt"
            print("--- erreur_log.txt:\n" + (log.read_text("cp1252") if log.exists() else ""))
        elif self.program.process.poll() is None:
            self.quit()
        self.program.stop()


@pytest.fixture
def vantor(desktop, folder, request):
    """The program of the folder; quit through the tray menu at the end
    unless the test did, its sanitizer reports failing the test."""
    running = Vantor(desktop, folder)
    yield running
    if running.program:
        running.end(request.node.failed)

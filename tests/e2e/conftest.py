"""Fixtures of the end-to-end tests, run by with-desktop.sh."""
import os
import shutil
from pathlib import Path

import pytest
from gi.repository import GLib

from program import Dovecot77, Keyring, MailServer, ProgramFolder, Store, Vantor
from ui import Desktop


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
    return ProgramFolder(Path(os.environ["VANTOR_E2E_WORK"]) / request.node.name)


@pytest.fixture
def store(folder):
    return Store(folder)


@pytest.fixture
def keyring(desktop):
    """The session's keyring; None where none is installed."""
    if not shutil.which("gnome-keyring-daemon"):
        yield None
        return
    running = Keyring()
    yield running
    running.stop()


@pytest.fixture
def mail_server(keyring):
    """A Dovecot of the test's own, the session's keyring beside it."""
    try:
        server = MailServer()
    except Dovecot77 as why:
        pytest.skip(f"Dovecot cannot start here: {why}")
    yield server
    server.stop()


@pytest.fixture
def vantor(desktop, folder, request):
    """The program of the folder, quit at the end; an unclean end fails the test."""
    running = Vantor(desktop, folder)
    yield running
    if running.process:
        try:
            if request.node.failed:
                running.report()
            elif running.process.poll() is None:
                running.quit()
            else:
                running.assert_ended_cleanly()
        finally:
            running.stop()

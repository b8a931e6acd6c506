"""The push figure, run by bench/push.sh under tests/e2e/with-desktop.sh: a
message delivered (Dovecot's LDA) to the INBOX of a watched IMAP account,
timed until its popup shows, one message at a time, the scan's timer far
off; against the floor, a bare IDLE client of the same server told of the
same kind of delivery (its "* n EXISTS"), measured in the same run.

    push.py [--count N]
"""
import argparse
import os
import socket
import statistics
import sys
import time
from pathlib import Path

from program import (IMAP_LOGIN, PASSWORD, Keyring, MailServer, ProgramFolder, Store, Vantor, mail,
                     watching_settings)
from ui import Desktop


def deliver(server, subject):
    done = server.fixture("deliver", IMAP_LOGIN, message=bytes(mail(subject, "Bonjour.")))
    assert done.returncode == 0, done.stderr


def bare_idle(server, count):
    """Seconds from each delivery to the EXISTS a bare IDLE session reads."""
    with socket.create_connection(("127.0.0.1", server.port), timeout=60) as s:
        lines = s.makefile("rb")
        lines.readline()
        s.sendall(f"a LOGIN {IMAP_LOGIN} {PASSWORD}\r\nb SELECT INBOX\r\nc IDLE\r\n".encode())
        while not lines.readline().startswith(b"+"):
            pass
        took = []
        for i in range(count):
            start = time.monotonic()
            deliver(server, f"Témoin {i}")
            while not lines.readline().endswith(b"EXISTS\r\n"):
                pass
            took.append(time.monotonic() - start)
        s.sendall(b"DONE\r\nd LOGOUT\r\n")
    return took


def program(server, folder, count):
    """Seconds from each delivery to its popup on the screen."""
    Store(folder)  # the user of the local side, as installed
    folder.write_param(**watching_settings(DELAI=3, BAL_0="INBOX", SERVEUR_LOTUS_0=server.address))
    vantor = Vantor(Desktop(), folder)
    screen = vantor.start_watching()
    try:
        deliver(server, "Premier")  # the watch's first scan and IDLE under way
        screen.popup_left(screen.next_popup())
        took = []
        for i in range(count):
            start = time.monotonic()
            deliver(server, f"Nouveau {i}")
            popup = screen.next_popup()
            took.append(time.monotonic() - start)
            assert popup.subject == f"Nouveau {i}", popup.subject
            screen.popup_left(popup)
        vantor.quit()
    finally:
        vantor.stop()
    return took


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", type=int, default=20)
    count = parser.parse_args().count
    keyring = Keyring()  # unlocked, as after login: else the bus starts one that asks on screen
    server = MailServer()
    try:
        floor = bare_idle(server, count)
        took = program(server, ProgramFolder(Path(os.environ["VANTOR_E2E_WORK"]) / "push"), count)
    finally:
        server.stop()
        keyring.stop()
    for name, values in (("bare IDLE client", floor), ("Vantor, delivery to popup", took)):
        print(f"{name}: median {statistics.median(values) * 1000:.0f} ms, "
              f"max {max(values) * 1000:.0f} ms over {len(values)}")
    print(f"ratio of medians: {statistics.median(took) / statistics.median(floor):.2f}")


if __name__ == "__main__":
    sys.exit(main())

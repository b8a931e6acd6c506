"""A program folder as a user sets one up, its local store, a private mail
server and the program running in the folder."""
import configparser
import email.message
import email.policy
import email.utils
import imaplib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

from gi.repository import GLib

from ui import WAIT, click_on, click_tray, describe, find, tray_icons, wait_for

USER = "Jean Dupont/Vantor"
PASSWORD = "vantor"
MAIL_SERVER = "Paris/Vantor"
MAIL_FILE = r"mail\jdupont.nsf"
SENDER = "Marie Curie/Vantor"
TEAM_SERVER = "Lyon/Vantor"
TEAM_FILE = r"mail\equipe.nsf"
ARCHIVE_FILE = r"archive\jdupont_archive.nsf"
SANITIZER_MARKS = ("Sanitizer", "runtime error:")


def scrambled(password):
    """The password as param.ini stores it: each character shifted by 9."""
    return "".join(chr(ord(c) + 9) for c in password)


def watching_settings(**keys):
    """param.ini's keys to watch the own mailbox from the start, 3 s popups."""
    return {"DELAI": 3, "BAL_0": MAIL_FILE, "SERVEUR_LOTUS_0": MAIL_SERVER,
            "PASSWORD": scrambled(PASSWORD), "AUTO": 1, **keys}


def archive_first_mailbox(screen, limit, answer):
    """Archives BAL 1 up to `limit` from the settings window; the result's text."""
    click_tray()
    settings = screen.wait_window_with("Enregistrer")
    archiver = wait_for(lambda: screen.row_button(settings, "BAL 1", "Archiver"), "Archiver")
    screen.fill(screen.grid_field(settings, "BAL 1", "Date limite d'archivage:"), limit)
    click_on(archiver)
    screen.answer(screen.wait_box("ARCHIVAGE"), answer)
    done = screen.wait_box("ARCHIVAGE")
    text = done.text
    screen.answer(done, "OK")
    return text


def search(screen, mailbox, phrase):
    screen.choose(["Rechercher", mailbox])
    question = screen.wait_box("RECHERCHER")
    screen.fill(find(question.node, "text"), phrase)
    screen.answer(question, "OK")


class ProgramFolder:
    """A folder holding vantor, notes and vantor-store, as installed."""

    def __init__(self, path):
        self.path = Path(path)
        self.bin = self.path.with_name(self.path.name + "-bin")
        self.bin.mkdir(parents=True)
        self.path.mkdir()
        for name, variable in (("vantor", "VANTOR_EXE"), ("notes", "VANTOR_NOTES_EXE"),
                               ("vantor-store", "VANTOR_STORE_EXE")):
            shutil.copy(os.environ[variable], self.path / name)
        # The desktop's "open this folder", recorded instead of done.
        (self.bin / "xdg-open").write_text(
            f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{self.bin}/xdg-open.log'\n")
        (self.bin / "xdg-open").chmod(0o700)

    def write_param(self, **keys):
        """param.ini as the program writes it: section PARAM, CRLF, Windows-1252."""
        lines = ["[PARAM]"] + [f"{key}={value}" for key, value in keys.items()]
        (self.path / "param.ini").write_bytes("\r\n".join(lines + [""]).encode("cp1252"))

    def param(self, key):
        ini = configparser.RawConfigParser(strict=False)
        ini.optionxform = str
        ini.read(self.path / "param.ini", encoding="cp1252")
        return ini.get("PARAM", key, fallback=None)

    def register_client(self):
        """registre.reg naming this folder as the mail client's: the program starts it."""
        folder = str(self.path).replace("\\", "\\\\").replace('"', '\\"') + "/"
        text = ("Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Lotus\\Notes]\r\n"
                f'"Path"="{folder}"\r\n\r\n')
        (self.path / "registre.reg").write_bytes(("\ufeff" + text).encode("utf-16-le"))

    def xdg_open_calls(self):
        log = self.bin / "xdg-open.log"
        return log.read_text().splitlines() if log.exists() else []


class Store:

    def __init__(self, folder):
        self.folder = folder
        self.run("init-user", "--user", USER, "--password", PASSWORD,
                 "--mail-server", MAIL_SERVER, "--mail-file", MAIL_FILE)
        self.mailbox(MAIL_SERVER, MAIL_FILE)

    def run(self, *args):
        done = subprocess.run([self.folder.path / "vantor-store", "--root",
                               self.folder.path / "notesdata", *args],
                              capture_output=True, text=True, timeout=300)
        assert done.returncode == 0, f"vantor-store {' '.join(args)}: {done.stderr}"
        return done.stdout

    def mailbox(self, server, file, folders=()):
        self.run("create-mailbox", "--server", server, "--file", file, "--user", USER)
        self.create_folders(server, file, folders)

    def create_folders(self, server, file, folders):
        for name in folders:
            self.run("create-folder", "--server", server, "--file", file, "--folder", name)

    def database(self, server, file):
        self.run("create-database", "--server", server, "--file", file)

    def deliver(self, subject, body, server=MAIL_SERVER, file=MAIL_FILE, sender=SENDER,
                created=None, folders=(), attach=()):
        """Delivers a memo; its universal ID."""
        args = ["--server", server, "--file", file, "--from", sender, "--subject", subject,
                "--body", body, *(["--created", created] if created else [])]
        args += [a for name in folders for a in ("--folder", name)]
        args += [a for path in attach for a in ("--attach", str(path))]
        return self.run("deliver", *args).split()[0]

    def listed(self, view="($All)", server=MAIL_SERVER, file=MAIL_FILE):
        out = self.run("list", "--server", server, "--file", file, "--view", view)
        return {line.split("\t")[0] for line in out.splitlines() if line}

    def show(self, unid, server=MAIL_SERVER, file=MAIL_FILE):
        return self.run("show", "--server", server, "--file", file, "--unid", unid)

    def folders(self, server=MAIL_SERVER, file=MAIL_FILE):
        out = self.run("folders", "--server", server, "--file", file)
        return [line.split("\t")[1] for line in out.splitlines() if line.startswith("dossier")]


class Vantor:
    """The program of a folder, started with no argument from elsewhere."""

    def __init__(self, desktop, folder):
        self.desktop = desktop
        self.folder = folder
        self.log = folder.path / "vantor.out"
        self.process = self.screen = None

    def start(self):
        env = dict(os.environ, PATH=f"{self.folder.bin}:{os.environ['PATH']}")
        with open(self.log, "wb") as out:
            self.process = subprocess.Popen([self.folder.path / "vantor"], cwd="/tmp", env=env,
                                            stdout=out, stderr=subprocess.STDOUT,
                                            start_new_session=True)
        self.screen = self.desktop.screen("Vantor", self.process.pid)
        wait_for(lambda: self.screen.windows() or tray_icons(), "Vantor's window or tray icon")
        return self.screen

    def start_watching(self):
        """Starts it watching; returns once the start's save wrote every slot."""
        screen = self.start()
        wait_for(lambda: self.folder.param("BAL_4") is not None, "the start's save")
        return screen

    def output(self):
        return self.log.read_text(errors="replace")

    def quit(self):
        self.screen.choose(["Quitter"])
        self.assert_ended_cleanly()

    def assert_ended_cleanly(self):
        assert self.process.wait(WAIT) == 0, self.output()[-4000:]
        assert not any(mark in self.output() for mark in SANITIZER_MARKS), self.output()[-4000:]

    def stop(self):
        """Ends it and whatever runs from its folder (the mail client)."""
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        end_processes_of(self.folder.path)

    def report(self):
        try:
            print("--- on screen:\n" + describe(self.screen.app) if self.screen else "")
        except GLib.Error as why:
            print(f"--- nothing to read on screen: {why}")
        print("--- vantor's output:\n" + self.output())
        log = self.folder.path / "erreur_log.txt"
        print("--- erreur_log.txt:\n" + (log.read_text("cp1252") if log.exists() else ""))


def end_processes_of(folder):
    """Kills, by their ids, the processes whose executable lies in `folder`."""
    for exe in Path("/proc").glob("[0-9]*/exe"):
        try:
            if os.readlink(exe).startswith(f"{folder}/"):
                os.kill(int(exe.parent.name), signal.SIGKILL)
        except OSError:
            pass


DOVECOT_FIXTURE = Path(__file__).resolve().parent.parent / "support" / "dovecot_fixture.py"
IMAP_LOGIN = "jean"


class Dovecot77(Exception):
    """Dovecot cannot start here: the tests say skipped."""


class MailServer:
    """A private Dovecot (no TLS: loopback only) holding the user's account."""

    def __init__(self):
        # A folder of its own in the temporary folder: Dovecot's processes,
        # run as another user, must reach it through its parents.
        self.root = Path(tempfile.mkdtemp(prefix="vantor-imap-"))
        started = self.fixture("start", "--tls", "none", "--owner", str(os.getpid()))
        if started.returncode == 77:
            raise Dovecot77(started.stderr.decode(errors="replace"))
        assert started.returncode == 0, started.stderr
        self.port = int(dict(f.split(b"=", 1) for f in started.stdout.split())[b"imap"])
        assert self.fixture("adduser", IMAP_LOGIN, PASSWORD).returncode == 0
        self.address = f"imap://{IMAP_LOGIN}@127.0.0.1:{self.port}"

    def fixture(self, command, *args, message=b""):
        return subprocess.run([sys.executable, DOVECOT_FIXTURE, command, self.root, *args],
                              input=message, capture_output=True, timeout=120)

    def stop(self):
        self.fixture("stop")
        shutil.rmtree(self.root, ignore_errors=True)

    def append(self, folder, message, when):
        done = self.fixture("append", IMAP_LOGIN, folder, str(int(when)), message=bytes(message))
        assert done.returncode == 0, done.stderr

    def imap(self):
        """A logged-in imaplib client (a context manager that logs out)."""
        client = imaplib.IMAP4("127.0.0.1", self.port, timeout=WAIT)
        client.login(IMAP_LOGIN, PASSWORD)
        return client

    def create(self, raw):
        with self.imap() as client:
            assert client.create(f'"{raw}"')[0] == "OK"

    def messages(self, raw):
        """Subject -> flags of every message in the folder `raw`, marking nothing."""
        with self.imap() as client:
            assert client.select(f'"{raw}"', readonly=True)[0] == "OK"
            _, data = client.uid("FETCH", "1:*", "(FLAGS BODY.PEEK[HEADER.FIELDS (SUBJECT)])")
        found = {}
        for part in data:
            if isinstance(part, tuple):
                header = email.message_from_bytes(part[1], policy=email.policy.default)
                found[str(header["Subject"])] = {f.decode() for f in imaplib.ParseFlags(part[0])}
        return found


def mail(subject, body, sender="Marie Curie <marie@example.com>"):
    message = email.message.EmailMessage()
    message["From"], message["To"], message["Subject"] = sender, "jean@example.com", subject
    message["Date"] = email.utils.formatdate(localtime=True)
    message["Message-ID"] = email.utils.make_msgid(domain="example.com")
    message.set_content(body)
    return message


class Keyring:
    """The session's keyring unlocked in a home of its own (else the bus would
    start one that asks for a password on screen)."""

    def __init__(self):
        self.home = Path(tempfile.mkdtemp(prefix="vantor-keyring-"))
        env = dict(os.environ, HOME=str(self.home), XDG_DATA_HOME=str(self.home / "data"),
                   XDG_RUNTIME_DIR=str(self.home))
        self.process = subprocess.Popen(
            ["gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        self.process.stdin.write(b"trousseau-de-test")
        self.process.stdin.close()
        # Ready once it owns its name on the bus.
        subprocess.run(["gdbus", "wait", "--session", "--timeout", str(WAIT),
                        "org.freedesktop.secrets"], check=True, env=env, timeout=WAIT + 10)

    def stop(self):
        self.process.kill()
        self.process.wait()
        shutil.rmtree(self.home, ignore_errors=True)

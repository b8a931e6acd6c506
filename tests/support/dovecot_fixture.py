#!/usr/bin/env python3
"""A private Dovecot for the tests, the benchmarks and the demo, in one folder
(configuration, certificates, sockets, state, log, the users' Maildirs),
listening on two free ports of 127.0.0.1 (imaps, and imap with STARTTLS),
run whether this process is root or not.

  start DIR [--tls authority|self-signed|none] [--without CAP]...
            [--no-special-use] [--owner PID]
      prints "imaps=PORT imap=PORT ca=FILE"; exit 77 when Dovecot does not
      start here (its log on stderr); with --owner, stopped when PID ends
  stop DIR                 ends every process of the instance
  adduser DIR NAME PASSWORD
  deliver DIR USER [FOLDER] < message          (Dovecot's LDA)
  append DIR USER FOLDER EPOCH [FLAG...] < message
  freeze DIR | thaw DIR    stops / resumes the instance
  kill-imap DIR            kills the IMAP sessions (a cut)
"""
import argparse
import grp
import imaplib
import os
import pwd
import select
import signal
import socket
import ssl
import subprocess
import sys
import time

DOVECOT = "/usr/sbin/dovecot"
LDA = "/usr/lib/dovecot/dovecot-lda"
SKIPPED = 77

# Dovecot 2.3's own list after login; --without takes names out of it.
DEFAULT_CAPABILITIES = (
    "IMAP4rev1 SASL-IR LOGIN-REFERRALS ID ENABLE IDLE SORT SORT=DISPLAY "
    "THREAD=REFERENCES THREAD=REFS THREAD=ORDEREDSUBJECT MULTIAPPEND URL-PARTIAL "
    "CATENATE UNSELECT CHILDREN NAMESPACE UIDPLUS LIST-EXTENDED I18NLEVEL=1 "
    "CONDSTORE QRESYNC ESEARCH ESORT SEARCHRES WITHIN CONTEXT=SEARCH LIST-STATUS "
    "BINARY MOVE SNIPPET=FUZZY PREVIEW=FUZZY PREVIEW STATUS=SIZE SAVEDATE "
    "LITERAL+ NOTIFY").split()

SPECIAL_USE = {"Trash": "\\Trash", "Sent": "\\Sent", "Drafts": "\\Drafts", "Junk": "\\Junk"}


def path(root, *names):
    return os.path.join(root, *names)


def mail_owner():
    """uid, gid of the mail files: ours, or nobody's as Dovecot refuses root."""
    if os.getuid() != 0:
        return os.getuid(), os.getgid()
    nobody = pwd.getpwnam("nobody")
    return nobody.pw_uid, nobody.pw_gid


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def make_certificates(root, tls):
    """A CA and a server certificate it signs, or one signed by itself."""
    ca, ca_key, key, cert, csr, ext = (path(root, n) for n in (
        "ca.pem", "ca.key", "server.key", "server.pem", "server.csr", "server.ext"))
    new = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout"]
    san = "subjectAltName=DNS:localhost,IP:127.0.0.1"
    if tls == "self-signed":
        return openssl("req", "-x509", *new, key, "-out", cert, "-days", "2",
                       "-subj", "/CN=localhost", "-addext", san)
    openssl("req", "-x509", *new, ca_key, "-out", ca, "-days", "2", "-subj", "/CN=Vantor Test CA")
    openssl("req", *new, key, "-out", csr, "-subj", "/CN=localhost")
    with open(ext, "w") as f:
        f.write(san + "\n")
    openssl("x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial",
            "-out", cert, "-days", "2", "-extfile", ext)


def free_port():
    with socket.create_server(("127.0.0.1", 0)) as s:
        return s.getsockname()[1]


def write_config(root, tls, without, special_use, imaps, imap):
    uid, gid = mail_owner()
    mail = path(root, "mail")
    settings = {
        "base_dir": path(root, "run"), "state_dir": path(root, "state"),
        "log_path": path(root, "dovecot.log"), "instance_name": f"vantor-{os.path.basename(root)}",
        "protocols": "imap", "listen": "127.0.0.1", "disable_plaintext_auth": "no",
        "auth_mechanisms": "plain login", "auth_failure_delay": 0, "mail_fsync": "never",
        "mail_location": f"maildir:{mail}/%u/Maildir:LAYOUT=fs", "first_valid_uid": 1,
        "passdb": {"driver": "passwd-file", "args": f"scheme=PLAIN {path(root, 'passwd')}"},
        "userdb": {"driver": "static", "args": f"uid={uid} gid={gid} home={mail}/%u"},
        "namespace inbox": {"inbox": "yes", "separator": "/", **{
            f"mailbox {name}": {"auto": "subscribe", **({"special_use": flag} if special_use else {})}
            for name, flag in SPECIAL_USE.items()}},
        "ssl": "no" if tls == "none" else "yes",
    }
    if os.getuid() != 0:
        # Unprivileged: every process runs as us, nothing is chrooted.
        me = pwd.getpwuid(os.getuid()).pw_name
        settings.update({"default_login_user": me, "default_internal_user": me,
                         "default_internal_group": grp.getgrgid(os.getgid()).gr_name,
                         "service anvil": {"chroot": ""}})
    if without or not special_use:
        settings["imap_capability"] = " ".join(c for c in DEFAULT_CAPABILITIES if c not in without)
    login = {"inet_listener imap": {"port": imap}, "inet_listener imaps": {"port": 0}}
    if tls != "none":
        settings.update(ssl_cert=f"<{path(root, 'server.pem')}", ssl_key=f"<{path(root, 'server.key')}")
        login["inet_listener imaps"] = {"port": imaps, "ssl": "yes"}
    settings["service imap-login"] = {**login, **({"chroot": ""} if os.getuid() != 0 else {})}
    with open(path(root, "dovecot.conf"), "w") as f:
        f.write(config_text(settings))


def config_text(settings, indent=""):
    """Dovecot's configuration syntax: a dict is a block."""
    return "".join(f"{indent}{key} {{\n{config_text(value, indent + '  ')}{indent}}}\n"
                   if isinstance(value, dict) else f"{indent}{key} = {value}\n"
                   for key, value in settings.items())


def master_pid(root):
    try:
        with open(path(root, "run", "master.pid")) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def zombie(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return False


def alive(pid):
    return os.path.exists(f"/proc/{pid}") and not zombie(pid)


def instance_pids(root):
    """Every live process of the instance (the master's session), the master first."""
    sid = master_pid(root)
    pids = []
    for entry in os.listdir("/proc") if sid else []:
        try:
            if entry.isdigit() and os.getsid(int(entry)) == sid and alive(int(entry)):
                pids.append(int(entry))
        except OSError:
            pass
    return sorted(pids, key=lambda pid: pid != sid)


def signal_all(pids, sig, only=None):
    """Sends `sig` to those of `pids` still there (`only` those named so)."""
    for pid in pids:
        try:
            with open(f"/proc/{pid}/comm") as f:
                if only in (None, f.read().strip()):
                    os.kill(pid, sig)
        except OSError:
            pass


def start(args):
    if not os.access(DOVECOT, os.X_OK):
        print("dovecot is not installed", file=sys.stderr)
        return SKIPPED
    root = os.path.abspath(args.dir)
    for sub in ("run", "state", "mail"):
        os.makedirs(path(root, sub), exist_ok=True)
    uid, gid = mail_owner()
    os.chown(path(root, "mail"), uid, gid)
    os.chmod(root, 0o711)  # the mail owner reaches its Maildir, nothing more
    open(path(root, "passwd"), "a").close()
    if args.tls != "none":
        make_certificates(root, args.tls)
    for _ in range(5):  # a port taken meanwhile by someone else: new ports
        imaps, imap = free_port(), free_port()
        write_config(root, args.tls, set(args.without), not args.no_special_use, imaps, imap)
        # The daemon keeps the descriptors it was given: a file, not a pipe
        # that would never reach its end.
        with open(path(root, "start.out"), "w+") as out:
            code = subprocess.run([DOVECOT, "-c", path(root, "dovecot.conf")],
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=out).returncode
            out.seek(0)
            said = out.read()
        if code == 0:
            # The master binds its listeners before it detaches.
            with socket.create_connection(("127.0.0.1", imap), timeout=10):
                pass
            if args.owner:
                watch_owner(root, args.owner)
            ca = path(root, "ca.pem" if args.tls == "authority" else "server.pem")
            line = f"imaps={imaps if args.tls != 'none' else 0} imap={imap} ca={ca}"
            with open(path(root, "ports"), "w") as f:
                f.write(line + "\n")
            print(line)
            return 0
        if "in use" not in said:
            break
    log = path(root, "dovecot.log")
    print(said + (open(log).read() if os.path.exists(log) else ""), file=sys.stderr)
    return SKIPPED


def watch_owner(root, owner):
    """A detached process that stops the instance when `owner` ends, even killed."""
    ready_r, ready_w = os.pipe()
    if os.fork() != 0:
        os.read(ready_r, 1)  # the watcher's pid is written: stop can end it
        os.wait()
        return
    os.setsid()
    if os.fork() != 0:
        os._exit(0)
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    with open(path(root, "watcher.pid"), "w") as f:
        f.write(str(os.getpid()))
    os.write(ready_w, b"x")
    try:
        select.select([os.pidfd_open(owner)], [], [])  # readable once the owner has ended
    except OSError:
        while alive(owner):
            time.sleep(0.5)
    if os.path.exists(path(root, "dovecot.conf")):
        kill_instance(root)
    os._exit(0)


def kill_instance(root):
    """Kills the instance, the master first so that nothing new starts; the
    processes left after five tries."""
    left = []
    for _ in range(5):
        left = instance_pids(root)
        signal_all(left, signal.SIGKILL)
        deadline = time.monotonic() + 10
        while (left := [p for p in left if alive(p)]) and time.monotonic() < deadline:
            time.sleep(0.02)
        if not left and not instance_pids(root):
            return []
    return left


def stop(args):
    root = os.path.abspath(args.dir)
    try:
        with open(path(root, "watcher.pid")) as f:
            os.kill(int(f.read()), signal.SIGKILL)
    except (OSError, ValueError):
        pass
    if left := kill_instance(root):
        print(f"processes left: {left}", file=sys.stderr)
    return 1 if left else 0


def adduser(args):
    with open(path(args.dir, "passwd"), "a") as f:
        f.write(f"{args.name}:{{PLAIN}}{args.password}\n")
    return 0


def password_of(root, user):
    with open(path(root, "passwd")) as f:
        return dict(line.rstrip("\n").split(":", 1) for line in f)[user].removeprefix("{PLAIN}")


def deliver(args):
    cmd = [LDA, "-c", path(args.dir, "dovecot.conf"), "-d", args.user]
    return subprocess.run(cmd + (["-m", args.folder] if args.folder else []),
                          stdin=sys.stdin.buffer).returncode


def login(root, user):
    """An IMAP session of `user` on the instance, as a mail program opens one."""
    with open(path(root, "ports")) as f:
        fields = dict(field.split("=", 1) for field in f.read().split())
    client = imaplib.IMAP4("127.0.0.1", int(fields["imap"]), timeout=30)
    if "STARTTLS" in client.capabilities:
        client.starttls(ssl_context=ssl.create_default_context(cafile=fields["ca"]))
    client.login(user, password_of(root, user))
    return client


def append(args):
    """APPEND with the internal date the caller chose, as a mail program would."""
    flags = "(" + " ".join(args.flags) + ")" if args.flags else None
    with login(args.dir, args.user) as client:
        status, _ = client.append(args.folder, flags, imaplib.Time2Internaldate(float(args.epoch)),
                                  sys.stdin.buffer.read())
    return 0 if status == "OK" else 1


def signal_instance(sig, only=None):
    """The command sending `sig` to the instance's processes (`only` those named so)."""
    return lambda args: signal_all(instance_pids(os.path.abspath(args.dir)), sig, only) or 0


COMMANDS = {
    "start": (start, ["dir"]), "stop": (stop, ["dir"]), "adduser": (adduser, ["dir", "name", "password"]),
    "deliver": (deliver, ["dir", "user", "folder?"]),
    "append": (append, ["dir", "user", "folder", "epoch", "flags*"]),
    "freeze": (signal_instance(signal.SIGSTOP), ["dir"]),
    "thaw": (signal_instance(signal.SIGCONT), ["dir"]),
    "kill-imap": (signal_instance(signal.SIGKILL, "imap"), ["dir"]),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    for name, (run, positional) in COMMANDS.items():
        p = sub.add_parser(name)
        for arg in positional:
            p.add_argument(arg.rstrip("?*"), nargs={"?": "?", "*": "*"}.get(arg[-1]))
        p.set_defaults(run=run)
        if name == "start":
            p.add_argument("--tls", choices=("authority", "self-signed", "none"), default="authority")
            p.add_argument("--without", action="append", default=[])
            p.add_argument("--no-special-use", action="store_true")
            p.add_argument("--owner", type=int)
    args = parser.parse_args()
    sys.exit(args.run(args))


if __name__ == "__main__":
    main()

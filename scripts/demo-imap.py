#!/usr/bin/env python3
"""Puts the demo's second mailbox on the demo's Dovecot: its folders and the
mail already there, as written by `vantor-store demo-eml DIR`.

  demo-imap.py INSTANCE USER DIR
"""
import imaplib
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import dovecot_fixture  # noqa: E402


def server_name(instance, folder):
    """The folder's name as the server spells it (modified UTF-7), quoted."""
    conf = os.path.join(instance, "dovecot.conf")
    name = subprocess.run(["doveadm", "-c", conf, "mailbox", "mutf7", folder],
                          capture_output=True, text=True, check=True).stdout.strip()
    return '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    instance, user, mail = sys.argv[1:4]
    client = dovecot_fixture.login(instance, user)
    with open(os.path.join(mail, "folders.txt"), encoding="utf-8") as f:
        for folder in filter(None, f.read().splitlines()):
            client.create(server_name(instance, folder))
    with open(os.path.join(mail, "seed.tsv"), encoding="utf-8") as f:
        for line in filter(None, f.read().splitlines()):
            name, epoch, folder = line.split("\t")
            with open(os.path.join(mail, name), "rb") as message:
                status, why = client.append(server_name(instance, folder), None,
                                            imaplib.Time2Internaldate(int(epoch)), message.read())
            if status != "OK":
                sys.exit(f"{name} -> {folder}: {why}")
    client.logout()


if __name__ == "__main__":
    main()

"""The soak, run by bench/soak.sh under tests/e2e/with-desktop.sh: the real
program watching two mailboxes for a long time, a feeder delivering a
message every few seconds to each mailbox in turn, and a user acting on the
popups at random, on the end-to-end tests' program folder, store and
screen. At the end it reports the program's memory over time, whether it
stayed up, and what became of every message delivered.

    soak.py [--minutes N] [--every S] [--seed N] [--report FILE]
"""
import argparse
import os
import random
import shutil
import sys
import time
from pathlib import Path

from program import (ARCHIVE_FILE, MAIL_FILE, MAIL_SERVER, TEAM_FILE, TEAM_SERVER, ProgramFolder,
                     Store, Vantor, watching_settings)
from ui import Desktop, click_on, extents, find, find_all, hover, wait_for

BUTTONS = {"delete": "Supprimer le message", "attachments": "Extraire les pièces jointes",
           "reply": "Répondre au message", "close": "Fermer le message"}
FLAGS = ["Priorité haute", "Priorité moyenne", "Priorité faible"]
WEIGHTS = {"delete": 15, "flag": 15, "move": 15, "attachments": 10, "reply": 5, "close": 20,
           "leave": 20}
CHECK = 120  # s: mail delivered two checks before the end must have shown


def rss_kb(pid):
    try:
        status = Path(f"/proc/{pid}/status").read_text()
    except OSError:
        return 0
    return next((int(line.split()[1]) for line in status.splitlines()
                 if line.startswith("VmRSS:")), 0)


def slope(samples):
    """Least-squares slope of (minute, kB) samples, in kB per minute."""
    if len(samples) < 2:
        return 0.0
    mx = sum(m for m, _ in samples) / len(samples)
    my = sum(k for _, k in samples) / len(samples)
    den = sum((m - mx) ** 2 for m, _ in samples)
    return sum((m - mx) * (k - my) for m, k in samples) / den if den else 0.0


class Soak:
    def __init__(self, options):
        self.o = options
        self.random = random.Random(options.seed)
        self.delivered = {}  # subject -> what became of it
        self.samples, self.problems, self.actions = [], [], {}
        self.folder = ProgramFolder(Path(os.environ["VANTOR_E2E_WORK"]) / "soak")
        self.store = Store(self.folder)
        self.store.create_folders(MAIL_SERVER, MAIL_FILE, ["Projets", r"Projets\2004", "Clients"])
        self.store.mailbox(TEAM_SERVER, TEAM_FILE, ["Projets", "Archives"])
        self.store.database("local", ARCHIVE_FILE)
        self.folder.register_client()
        self.folder.write_param(**watching_settings(
            BAL_ARCHIVE_0=ARCHIVE_FILE, BAL_1=TEAM_FILE, SERVEUR_LOTUS_1=TEAM_SERVER, WIDTH=5400))
        self.attachment = self.folder.bin / "compte rendu.txt"
        self.attachment.write_bytes(b"x" * 20000)

    def minutes(self):
        return (time.monotonic() - self.start) / 60

    def deliver(self):
        n = len(self.delivered) + 1
        server, file = (TEAM_SERVER, TEAM_FILE) if n % 2 == 0 else (MAIL_SERVER, MAIL_FILE)
        subject = f"Soak {n:05}"
        unid = self.store.deliver(subject, f"Message {subject} du soak.\r\nDeuxième ligne.",
                                  server=server, file=file,
                                  attach=[self.attachment] if n % 4 == 3 else [])
        self.delivered[subject] = dict(server=server, file=file, unid=unid, at=self.minutes(),
                                       presented=0, folder=None, deleted=False)

    def handle(self, popup):
        d = self.delivered.get(popup.subject, {"presented": 0})
        if "unid" not in d:
            self.problems.append(f"a popup not from the feeder: {popup}")
        d["presented"] += 1
        if d["presented"] > 1:
            self.problems.append(f"{popup.subject} presented twice")
        action = self.random.choices(list(WEIGHTS), weights=WEIGHTS.values())[0]
        if action == "attachments" and not find(popup.node, "push button", BUTTONS[action]):
            action = "close"
        try:
            # The hand over the body starts the countdown again; what is
            # acted on is what the popup still shows.
            labels = find_all(popup.node, "label")
            if labels:
                x, y, w, h = extents(max(labels, key=lambda n: extents(n)[1]))
                hover(x + w // 2, y + h // 2)
                hover(x + w // 2 + 2, y + h // 2 + 1)
            # No labels: it closed between being found and being read.
            if not labels or self.screen.popup() != popup:
                action = "leave"
            self.actions[action] = self.actions.get(action, 0) + 1
            if action == "move":
                menu = self.screen.menu_after(lambda: click_on(
                    find(popup.node, "push button", "Déplacer dans un dossier")))
                caption = self.random.choice(list(menu))
                path, entry = caption, menu[caption]
                # An entry with children opens a submenu: "-" stands for itself.
                if entry.get_child_count():
                    submenu = self.screen.submenu(menu, caption)
                    inner = self.random.choice(list(submenu))
                    path, entry = (caption if inner == "-" else f"{caption}\\{inner}"), submenu[inner]
                click_on(entry)
                d["folder"] = path
            elif action != "leave":
                button = self.random.choice(FLAGS) if action == "flag" else BUTTONS[action]
                click_on(find(popup.node, "push button", button))
                d["deleted"] = action == "delete"
            self.screen.popup_left(popup)
        except (AssertionError, AttributeError, KeyError) as failure:
            self.problems.append(f"{popup.subject}: {action} could not be done: {failure}")

    def account(self):
        views = {}

        def listed(server, file, view="($All)"):
            if (server, file, view) not in views:
                views[server, file, view] = self.store.listed(view, server=server, file=file)
            return views[server, file, view]
        fates = dict.fromkeys(("in mailbox", "moved", "archived", "deleted on purpose", "lost"), 0)
        missed = 0
        for subject, d in self.delivered.items():
            present = d["unid"] in listed(d["server"], d["file"])
            if present and d["folder"] and d["unid"] in listed(d["server"], d["file"], d["folder"]):
                fate = "moved"
            elif present:
                fate = "in mailbox"
            elif d["unid"] in listed("local", ARCHIVE_FILE):
                fate = "archived"
            else:
                fate = "deleted on purpose" if d["deleted"] else "lost"
            if fate == "lost":
                self.problems.append(f"lost: {subject} {d['unid']} in {d['file']}")
            fates[fate] += 1
            missed += not d["presented"] and self.minutes() - d["at"] > 2 * CHECK / 60
        return fates, missed

    def run(self):
        self.vantor = Vantor(Desktop(), self.folder)
        self.screen = self.vantor.start_watching()
        pid = self.vantor.process.pid
        print(f"soak: {self.o.minutes} min, a message every {self.o.every} s, seed {self.o.seed}, "
              f"folder {self.folder.path}", flush=True)
        self.start = time.monotonic()
        total = self.o.minutes
        # The last stretch only shows what is still coming; no new mail then.
        feed_end = total - min(total / 4, 100 / 60)
        sample_every = 0.5 if total >= 30 else 1 / 6
        next_delivery = self.o.every / 60
        next_sample = 0
        crashed = False
        while self.minutes() < total:
            if self.vantor.process.poll() is not None:
                crashed = True
                break
            if self.minutes() >= next_sample:
                self.samples.append((self.minutes(), rss_kb(pid)))
                next_sample = self.minutes() + sample_every
            if next_delivery <= self.minutes() < feed_end:
                self.deliver()
                next_delivery += self.o.every / 60
            until = max(0.1, (min(next_delivery, next_sample, total) - self.minutes()) * 60)
            try:
                self.handle(wait_for(self.screen.popup, "a popup", until))
            except AssertionError:
                pass  # none before the next delivery or sample
        quit_cleanly = False
        if not crashed:
            self.samples.append((self.minutes(), rss_kb(pid)))
            try:
                self.vantor.quit()
                quit_cleanly = True
            except Exception as failure:
                self.problems.append(f"quitting from the tray menu: {failure}")
        self.vantor.stop()
        fates, missed = self.account()
        self.report(crashed, quit_cleanly, fates, missed)
        return 1 if crashed or fates["lost"] else 0

    def report(self, crashed, quit_cleanly, fates, missed):
        lines = [f"duration_minutes {self.minutes():.1f}"]
        if self.samples:
            kb = [k for _, k in self.samples]
            settled = [s for s in self.samples if s[0] >= min(10, self.o.minutes / 3)]
            lines += [f"rss_kb_start {kb[0]}", f"rss_kb_end {kb[-1]}", f"rss_kb_peak {max(kb)}",
                      f"rss_slope_kb_per_min_all {slope(self.samples):.1f}",
                      f"rss_slope_kb_per_min_settled {slope(settled):.1f}",
                      "rss_samples " + " ".join(f"{m:.1f}:{k}" for m, k in self.samples)]
        lines += [f"crashed {int(crashed)}", f"quit_cleanly {int(quit_cleanly)}",
                  f"delivered {len(self.delivered)}",
                  f"presented {sum(1 for d in self.delivered.values() if d['presented'])}",
                  f"missed_presentations {missed}",
                  f"accounted {sum(fates.values()) - fates['lost']} ("
                  + ", ".join(f"{k} {v}" for k, v in fates.items() if k != "lost") + ")",
                  f"lost {fates['lost']}",
                  "actions " + " ".join(f"{k}={v}" for k, v in sorted(self.actions.items()))]
        lines += [f"problem {p}" for p in self.problems[:50]]
        output = self.vantor.output()[-4000:]
        if crashed or any(mark in output for mark in ("Sanitizer", "runtime error")):
            lines.append("program_output\n" + output)
        text = "\n".join(lines) + "\n"
        print(text, end="")
        if self.o.report:
            Path(self.o.report).write_text(text)
            log = self.folder.path / "erreur_log.txt"
            if log.exists():
                shutil.copy(log, self.o.report + ".erreur_log.txt")
            if fates["lost"]:
                shutil.copytree(self.folder.path / "notesdata", self.o.report + ".notesdata",
                                dirs_exist_ok=True)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--every", type=int, default=5)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--report")
    sys.exit(Soak(parser.parse_args()).run())

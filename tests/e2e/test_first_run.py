"""A user's first day before any mail: first start, mailboxes typed in and
saved, watching, the tray icon's clicks and menu, and quitting from it."""
from program import (ARCHIVE_FILE, MAIL_FILE, MAIL_SERVER, PASSWORD, TEAM_FILE, TEAM_SERVER,
                     scrambled)
from ui import click_on, click_tray, find, tray_icons, wait_for

SERVER = "Serveur LOTUS"
MAILBOX = "Boite aux lettres (nom de fichier.nsf)"
ARCHIVE = "Archive (nom de fichier.nsf en local)"
SAVE = "Enregistrer"
GO = "Lancer la vérif des mails"


def test_first_start_then_own_mailboxes_saved_watched_and_quit_from_the_tray(vantor, folder, store):
    store.mailbox(TEAM_SERVER, TEAM_FILE)
    store.database("local", ARCHIVE_FILE)
    screen = vantor.start()
    # The first start writes default settings, then says why a folder "Recherche" is needed.
    screen.answer(screen.wait_box("INFORMATION"), "OK")
    wait_for(lambda: folder.param("BAL_0") == r"mail\orv_balide.nsf", "the default settings on disk")

    settings = screen.wait_window_with(SAVE)
    for row, column, value in (("BAL 1", SERVER, MAIL_SERVER), ("BAL 1", MAILBOX, MAIL_FILE),
                               ("BAL 1", ARCHIVE, ARCHIVE_FILE), ("BAL 2", SERVER, TEAM_SERVER),
                               ("BAL 2", MAILBOX, TEAM_FILE)):
        screen.fill(screen.grid_field(settings, row, column), value)
    screen.fill(find(settings, "password text", "Mot de passe LOTUS:"), PASSWORD)
    screen.press(settings, SAVE)
    screen.answer(screen.wait_box("SAUVEGARDE"), "OK")
    saved = {"SERVEUR_LOTUS_0": MAIL_SERVER, "BAL_0": MAIL_FILE, "BAL_ARCHIVE_0": ARCHIVE_FILE,
             "SERVEUR_LOTUS_1": TEAM_SERVER, "BAL_1": TEAM_FILE, "PASSWORD": scrambled(PASSWORD)}
    wait_for(lambda: {key: folder.param(key) for key in saved} == saved, "the settings saved on disk")

    # Watching sends the window to the tray; the icon's left click brings it back.
    screen.press(settings, GO)
    wait_for(lambda: not screen.window_with(SAVE) and tray_icons(), "the window gone to the tray")
    click_tray()
    screen.press(screen.wait_window_with(SAVE), GO)
    wait_for(lambda: not screen.window_with(SAVE), "the window gone to the tray")

    # The right click: the menu, its submenus captioned by the mailboxes saved.
    menu = screen.tray_menu()
    assert list(menu) == ["Archivage", "Rechercher", "Paramètres", "Quitter"]
    assert list(screen.submenu(menu, "Rechercher")) == [MAIL_FILE, TEAM_FILE]
    assert list(screen.submenu(menu, "Archivage")) == [MAIL_FILE]
    click_on(menu["Paramètres"])
    screen.wait_window_with(SAVE)
    vantor.quit()
    assert not tray_icons()

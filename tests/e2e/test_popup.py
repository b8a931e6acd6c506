"""New mail in two watched mailboxes and the user working through each popup
of the first check with every command, then quitting while one shows."""
import time

from program import MAIL_FILE, MAIL_SERVER, SENDER, TEAM_FILE, TEAM_SERVER, watching_settings
from ui import click_on, find, text, wait_for

ATTACHMENTS = {"rapport.txt": b"contenu du rapport\n", "plan de salle.pdf": b"%PDF plan\n"}


def test_each_popup_of_a_check_shows_its_message_and_the_users_choice_reaches_the_store(
        vantor, folder, store):
    store.create_folders(MAIL_SERVER, MAIL_FILE, [r"Projets\2004"])
    store.mailbox(TEAM_SERVER, TEAM_FILE)
    folder.register_client()
    # Popups shown for the longest delay: a loaded machine's slow hand still
    # clicks the message it read.
    folder.write_param(**watching_settings(DELAI=65, BAL_1=TEAM_FILE, SERVEUR_LOTUS_1=TEAM_SERVER))
    for name, data in ATTACHMENTS.items():
        (folder.bin / name).write_bytes(data)
    # Dated after the visit time the start will write: new to the first
    # check, however slow the machine, and never presented twice.
    new = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(time.time() + 3600))
    unid = {subject: store.deliver(subject, body, created=new, **more) for subject, body, more in (
        ("Réunion de lundi", "Bonjour Jean,\r\nla réunion est déplacée. [IMAGE] ", {}),
        ("Publicité", "À supprimer", {}),
        ("Urgent", "priorité haute", {}),
        ("Pièces jointes", "Voici les fichiers.",
         {"attach": [folder.bin / name for name in ATTACHMENTS]}),
        ("Projet 2004", "à classer", {}),
        ("Pour info", "à fermer", {}),
        ("Dernier", "à l'écran quand on quitte", {"server": TEAM_SERVER, "file": TEAM_FILE}))}
    screen = vantor.start()
    client = vantor.desktop.screen("notes")
    shown = []

    def act(button):
        """The next popup; `button` clicked and the popup gone."""
        popup = screen.next_popup()
        shown.append(popup.subject)
        click_on(find(popup.node, "push button", button))
        screen.popup_left(popup)
        return popup

    popup = act("Répondre au message")
    assert (popup.mailbox, popup.sender, popup.body) == (
        MAIL_FILE, SENDER, "Bonjour Jean,\nla réunion est déplacée.")
    memo = client.wait_window_with("Envoyer")
    assert text(find(memo, "text", "A :")) == SENDER
    assert text(find(memo, "text", "Objet :")) == "Réunion de lundi"

    act("Supprimer le message")
    wait_for(lambda: unid["Publicité"] not in store.listed(), "the message deleted")

    act("Priorité haute")
    assert "FollowUpStatus [1280] : 1\n" in store.show(unid["Urgent"])

    act("Extraire les pièces jointes")
    for name, data in ATTACHMENTS.items():
        assert (folder.path / "pj" / name).read_bytes() == data
    wait_for(lambda: folder.xdg_open_calls() == [str(folder.path / "pj")], "pj opened")

    popup = screen.next_popup()
    shown.append(popup.subject)
    menu = screen.menu_after(lambda: click_on(find(popup.node, "push button",
                                                   "Déplacer dans un dossier")))
    submenu = screen.submenu(menu, "Projets")
    assert list(submenu) == ["-", "2004"]
    click_on(submenu["2004"])
    screen.popup_left(popup)
    wait_for(lambda: unid["Projet 2004"] in store.listed(r"Projets\2004"), "the message moved")
    assert unid["Projet 2004"] not in store.listed("($Inbox)")

    act("Fermer le message")
    assert unid["Pour info"] in store.listed("($Inbox)")

    popup = screen.next_popup()
    shown.append(popup.subject)
    assert popup.mailbox == TEAM_FILE
    vantor.quit()
    assert shown == list(unid)

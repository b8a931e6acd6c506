"""A mailbox on a real IMAP server while the program watches: popups and their
commands, archiving and the search, each result read on the server."""
import time

from program import ARCHIVE_FILE, archive_first_mailbox, mail, search, watching_settings
from ui import click_on, find, wait_for

FOLDER, FOLDER_RAW = "Comptabilité", "Comptabilit&AOk-"  # its name on the server: modified UTF-7
SENDER = "Marie Curie <marie@example.com>"
NEW = {"Urgent": "Bonjour Jean,\nle budget est à valider.",
       "Facture budget 2027": "Ci-joint le détail.",
       "Publicité": "À supprimer"}


def test_imap_mailbox_pops_up_new_mail_and_each_action_reaches_the_server(
        mail_server, vantor, folder, store):
    store.database("local", ARCHIVE_FILE)
    for raw in (FOLDER_RAW, "Recherche"):
        mail_server.create(raw)
    old = time.mktime((2024, 1, 15, 9, 0, 0, 0, 0, -1))
    mail_server.append("INBOX", mail("Vieux projet", "janvier"), old)
    folder.write_param(**watching_settings(DELAI=65, BAL_0="INBOX",
                                           SERVEUR_LOTUS_0=mail_server.address,
                                           BAL_ARCHIVE_0=ARCHIVE_FILE))
    screen = vantor.start_watching()
    for subject, body in NEW.items():
        mail_server.append("INBOX", mail(subject, body, SENDER), time.time())

    done = {}
    while len(done) < len(NEW):
        popup = screen.next_popup()
        assert popup.subject in NEW.keys() - done.keys()
        done[popup.subject] = popup
        if popup.subject == "Urgent":
            # The text part's own last line end shows as it is.
            assert (popup.mailbox, popup.sender, popup.body) == ("INBOX", SENDER,
                                                                 NEW["Urgent"] + "\n")
            click_on(find(popup.node, "push button", "Priorité haute"))
        elif popup.subject == "Publicité":
            click_on(find(popup.node, "push button", "Supprimer le message"))
        else:
            menu = screen.menu_after(lambda: click_on(find(popup.node, "push button",
                                                           "Déplacer dans un dossier")))
            click_on(menu[FOLDER])
        screen.popup_left(popup)

    wait_for(lambda: {"\\Flagged", "$VantorPriorite1"}
             <= mail_server.messages("INBOX").get("Urgent", set()), "the message flagged")
    wait_for(lambda: "Facture budget 2027" in mail_server.messages(FOLDER_RAW), "the message moved")
    wait_for(lambda: "Publicité" in mail_server.messages("Trash"), "the message in Trash")
    assert mail_server.messages("INBOX").keys() == {"Vieux projet", "Urgent"}

    assert archive_first_mailbox(screen, "15/06/2024", "Oui") == \
        "1 document(s) archivé(s).\nA présent, vider la corbeille."
    assert mail_server.messages("INBOX").keys() == {"Urgent"}
    [copy] = store.listed(server="local", file=ARCHIVE_FILE)
    assert "Vieux projet" in store.show(copy, server="local", file=ARCHIVE_FILE)

    search(screen, "INBOX", "BUDGET")
    hits = wait_for(lambda: len(found := mail_server.messages("Recherche")) == 2 and found,
                    "the hits in Recherche")
    assert hits.keys() == {"Urgent", "Facture budget 2027"}
    assert all("$VantorCopie" in flags for flags in hits.values())
    wait_for(lambda: any(call.startswith("imap://") for call in folder.xdg_open_calls()),
             "Recherche opened on the desktop")

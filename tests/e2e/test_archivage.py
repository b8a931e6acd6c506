"""Archiving while the program watches, from the settings window answering Non,
then from the tray menu answering Oui."""
from program import ARCHIVE_FILE, MAIL_FILE, archive_first_mailbox, watching_settings

DONE = "2 document(s) archivé(s).\nA présent, vider la corbeille."


def test_archiving_copies_old_mail_on_non_and_takes_it_out_of_the_mailbox_on_oui(
        vantor, folder, store):
    store.database("local", ARCHIVE_FILE)
    folder.write_param(**watching_settings(BAL_ARCHIVE_0=ARCHIVE_FILE))
    old = store.deliver("Vieux projet", "janvier", created="2024-01-15 09:00:00",
                        folders=[r"Projets\2004"])
    eve = store.deliver("Veille de la limite", "juin", created="2024-06-14 23:59:00")
    recent = store.deliver("Récent", "reste")
    archived = {"server": "local", "file": ARCHIVE_FILE}
    screen = vantor.start_watching()

    assert archive_first_mailbox(screen, "15/06/2024", "Non") == DONE
    assert store.listed(**archived) == {old, eve}
    assert r"Projets\2004" in store.folders(**archived)
    assert store.listed() == {old, eve, recent}

    screen.choose(["Archivage", MAIL_FILE])
    screen.answer(screen.wait_box("ARCHIVAGE"), "Oui")
    done = screen.wait_box("ARCHIVAGE")
    assert done.text == DONE
    screen.answer(done, "OK")
    assert store.listed(**archived) == {old, eve}
    assert "Vieux projet" in store.show(old, **archived)
    assert store.listed() == {recent}

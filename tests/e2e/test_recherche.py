"""The phrase search from the tray menu while the program watches, with hits
and without."""
from program import MAIL_FILE, MAIL_SERVER, search, watching_settings
from ui import find, wait_for


def test_search_files_the_hits_in_recherche_shown_in_the_client_or_says_none_found(
        vantor, folder, store):
    folder.register_client()
    folder.write_param(**watching_settings())
    by_subject = store.deliver("Budget 2025", "chiffres")
    by_body = store.deliver("Compte rendu", "Le budget est voté.")
    other = store.deliver("Déjeuner", "à midi")
    # A hit of an earlier search, which the new one takes out of the folder.
    earlier = store.deliver("Ancien résultat", "congés", folders=["Recherche"])
    screen = vantor.start_watching()
    client = vantor.desktop.screen("notes")

    search(screen, MAIL_FILE, "BUDGET")
    wait_for(lambda: store.listed("Recherche") == {by_subject, by_body}, "the hits in Recherche")
    assert store.listed() == {by_subject, by_body, other, earlier}
    title = f"Dossier « Recherche » — base {MAIL_FILE} sur {MAIL_SERVER}"
    wait_for(lambda: all(any(find(w, name=n) for w in client.windows())
                         for n in (title, "Budget 2025", "Compte rendu")), "the hits in the client")

    search(screen, MAIL_FILE, "introuvable")
    none = screen.wait_box("RECHERCHE TERMINEE")
    assert none.text == "Aucun document trouvé"
    screen.answer(none, "OK")
    assert store.listed("Recherche") == set()
    assert store.listed() == {by_subject, by_body, other, earlier}

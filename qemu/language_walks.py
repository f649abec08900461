"""Walks on the language OVMF's front page offers: a language chosen there is drawn at
once, as OVMF's own browser draws it, without leaving the browser.

OVMF's front page names its languages in "en" and "fr" and keeps its texts in "en-US"
and "fr-FR"; its question's callback stores "PlatformLang" itself. Through OVMF's own
browser, "Standard Francais" turns the front page's own texts French at once ("Choisir
la Langue", the value, its help and "Continuer"); Device Manager and the other links
have no French text and stay English.
"""
import parity_walks

LANGUAGE_PROMPT = "Select Language"
FRENCH_CHOICE = "Standard Fran"          # the terminal shows the cedilla as another character
# The front page's own texts in French, as OVMF's own browser draws them.
FRENCH_FRONT_PAGE = ["Choisir la Langue", "Continuer"]
FRENCH_HELP = "Ceci est l'option"
# The engine's own strings in French: the title line and the key help's last line.
FRENCH_ENGINE = ["Utilitaire de configuration", "CHAP : Quitter"]
ENGLISH_GONE = ["Select Language", "Setup Utility", "ESC: Exit", "This is the option"]


def language_now(walks):
    """Select Language -> "Standard Francais": before any further key every text of the
    front page, its own and the engine's, is French, and the browser is not left."""
    run, session, t = walks.run, walks.session, walks.t
    run.focus_on(LANGUAGE_PROMPT)
    mark = len(session.output())
    run.press("enter")
    if not session.wait_until(lambda s: FRENCH_CHOICE in s.text(), t.KEY_LIMIT_S, settle=0.3):
        walks.fail("Enter on the language question opened no list with the French choice")
    # The list opens on the current choice, "Standard English"; the French one follows it.
    run.press("down")
    run.press("enter")

    def french(s):
        text = s.text()
        return all(word in text for word in FRENCH_FRONT_PAGE + FRENCH_ENGINE)
    if not session.wait_until(french, t.KEY_LIMIT_S, settle=0.5):
        walks.fail("after choosing French the page is not drawn in French")
    text = session.text()
    still = [word for word in ENGLISH_GONE if word in text]
    if still:
        walks.fail(f"after choosing French still in English: {still}")
    rows = t.body_rows(session.lines())
    value = next((t.prompt_value(row) for row in rows if t.prompt_part(row) == FRENCH_FRONT_PAGE[0]), "")
    if FRENCH_CHOICE not in value:
        walks.fail(f"'{FRENCH_FRONT_PAGE[0]}' shows {value!r}, not the French choice")
    if FRENCH_HELP not in text:
        walks.fail(f"the question's help is not the front page's French help ('{FRENCH_HELP}...')")
    if parity_walks.RESTARTED in session.output()[mark:]:
        walks.fail("choosing a language left the browser and the loader started again")
    run.note(f"French chosen: {FRENCH_FRONT_PAGE + FRENCH_ENGINE} drawn before the next key, value {value!r}")
    run.screendump("front-page-french.png")
    # Links without French texts stay as OVMF's own browser shows them.
    for link in ["Device Manager", "Boot Manager"]:
        if link not in text:
            walks.fail(f"'{link}' is gone from the French front page")


parity_walks.WALKS["parity_language_now"] = language_now

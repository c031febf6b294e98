#!/usr/bin/env python3
"""The built program as a screen reader sees it: on a private X display under openbox and a private
D-Bus session with its accessibility bus, Tab and Shift+Tab are typed with xdotool and the control
that has the focus is read over AT-SPI, its name and role, in the main window, the Options window, the
tool windows and the nickname window (brought up by a contact on loopback calling while no nickname
is set). Disabled buttons must say so; Escape closes the windows, Enter answers the nickname window.

usage: tst_atspi.py PROGRAM_FOLDER   (exit 77: a tool is missing)"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
DEBIAN_PYTHON = "/usr/bin/python3"


def sauter(raison):
    print("SKIP: " + raison)
    sys.exit(SKIP)


def preparer():
    """Checks the tools, then runs this script again inside a private D-Bus session."""
    try:
        import pyatspi  # noqa: F401 (only whether it is there)
    except ImportError:
        # Another interpreter first on the PATH (a virtual environment): the system's has the bindings.
        if sys.executable != DEBIAN_PYTHON and os.path.exists(DEBIAN_PYTHON):
            os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON] + sys.argv)
        sauter("python3-pyatspi is missing")
    for outil in ("dbus-run-session", "Xvfb", "xdotool", "openbox"):
        if shutil.which(outil) is None:
            sauter(outil + " is missing")
    if not any(os.path.exists(d + "/at-spi-bus-launcher") for d in ("/usr/libexec", "/usr/lib/at-spi2-core")):
        sauter("at-spi2-core is missing")
    env = dict(os.environ, OVAN_ATSPI_SESSION="1")
    os.execvpe("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv, env)


def attendre(condition, delai, quoi):
    limite = time.monotonic() + delai
    while True:
        valeur = condition()
        if valeur:
            return valeur
        if time.monotonic() > limite:
            raise AssertionError("timed out waiting for " + quoi)
        time.sleep(0.02)


class Echec(AssertionError):
    pass


def verifier(condition, message):
    if not condition:
        raise Echec(message)


class Session:
    def __init__(self, dossier_programme):
        self.travail = tempfile.mkdtemp(prefix="ovan-atspi-")
        os.chmod(self.travail, 0o700)
        self.processus = []
        self.dossier_programme = dossier_programme

    def demarrer_x(self):
        lecture, ecriture = os.pipe()
        # As tests/x11/sous_x11.sh: a free display number, the abstract socket only, no reset.
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(ecriture), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-nolisten", "unix", "-noreset"],
            pass_fds=(ecriture,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processus.append(xvfb)
        os.close(ecriture)
        numero = b""
        with os.fdopen(lecture, "rb") as f:
            numero = f.readline().strip()
        if not numero:
            sauter("Xvfb could not start")
        os.environ["DISPLAY"] = ":" + numero.decode()
        self.processus.append(subprocess.Popen(
            ["openbox", "--sm-disable"], env=dict(os.environ, HOME=self.travail),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def lancer_programme(self):
        copie = os.path.join(self.travail, "programme")
        shutil.copytree(self.dossier_programme, copie)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   XDG_RUNTIME_DIR=self.travail, HOME=self.travail, QT_LOGGING_RULES="qt.qpa.*=false")
        self.programme = subprocess.Popen(["./OVAN_Messenger"], cwd=copie, env=env)
        self.processus.append(self.programme)

    def arreter(self):
        for p in reversed(self.processus):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        for p in self.processus:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(self.travail, ignore_errors=True)


def touche(*touches):
    subprocess.run(["xdotool", "key", "--clearmodifiers"] + list(touches), check=True)


class Lecteur:
    """What the program shows over AT-SPI."""

    def __init__(self, pid):
        import pyatspi
        from gi.repository import Atspi

        self.at = pyatspi
        bureau = pyatspi.Registry.getDesktop(0)
        # Every state is read afresh: a cached focus would lag behind the keys.
        bureau.set_cache_mask(Atspi.Cache.NONE)

        def trouver():
            for i in range(bureau.childCount):
                app = bureau.getChildAtIndex(i)
                if app is not None and app.get_process_id() == pid:
                    return app
            return None

        self.app = attendre(trouver, 30, "the program on the accessibility bus")
        self.app.set_cache_mask(Atspi.Cache.NONE)

    def fenetres(self):
        return [f for f in (self.app.getChildAtIndex(i) for i in range(self.app.childCount)) if f is not None]

    def fenetre(self, titre):
        for f in self.fenetres():
            if f.name == titre:
                return f
        return None

    def etats(self, objet):
        return objet.getState()

    def montree(self, titre):
        f = self.fenetre(titre)
        return f is not None and self.etats(f).contains(self.at.STATE_SHOWING)

    def descendants(self, objet):
        pile = [objet]
        while pile:
            o = pile.pop()
            yield o
            pile.extend(c for c in (o.getChildAtIndex(i) for i in range(o.childCount)) if c is not None)

    def focus(self):
        for f in self.fenetres():
            if not self.etats(f).contains(self.at.STATE_SHOWING):
                continue
            for o in self.descendants(f):
                if self.etats(o).contains(self.at.STATE_FOCUSED) and o.getRole() != self.at.ROLE_FRAME:
                    return o
        return None

    def nom(self, objet):
        # Qt names a drop-down list on Linux by its current item; its label is told by a relation.
        if objet.getRole() == self.at.ROLE_COMBO_BOX:
            for r in objet.getRelationSet():
                if r.getRelationType() == self.at.RELATION_LABELLED_BY and r.getNTargets() > 0:
                    return r.getTarget(0).name
            return ""
        return objet.name

    def decrire(self, objet):
        extents = objet.queryComponent().getExtents(self.at.DESKTOP_COORDS)
        return (self.nom(objet), objet.getRoleName(), extents.x, extents.y, extents.width, extents.height)

    def controle_focus(self):
        o = self.focus()
        return self.decrire(o) if o is not None else None

    def par_nom(self, fenetre, nom, roles):
        for o in self.descendants(self.fenetre(fenetre)):
            if o.name == nom and o.getRole() in roles:
                return o
        return None

    def texte(self, objet):
        t = objet.queryText()
        return t.getText(0, t.characterCount)


def parcourir(lecteur, n, inverse=False):
    """Names reached by n presses of Tab (or Shift+Tab), after the one that has the focus now."""
    actuel = attendre(lecteur.controle_focus, 10, "a control with the focus")
    noms = [actuel[0]]
    for _ in range(n):
        touche("shift+Tab" if inverse else "Tab")
        precedent = actuel
        actuel = attendre(lambda: (lambda c: c if c and c != precedent else None)(lecteur.controle_focus()),
                          10, "the focus to move from %r" % (precedent[0],))
        verifier(actuel[0], "a control without a name has the focus: %r" % (actuel,))
        noms.append(actuel[0])
    return noms


def verifier_cycle(lecteur, attendu, quoi):
    """Tab goes through the expected names in order and back to the first; Shift+Tab the other way."""
    debut = attendre(lecteur.controle_focus, 10, "the focus in " + quoi)[0]
    verifier(debut in attendu, "%s: the focus starts on %r, not one of %r" % (quoi, debut, attendu))
    k = attendu.index(debut)
    tourne = attendu[k:] + attendu[:k]
    avant = parcourir(lecteur, len(attendu))
    verifier(avant == tourne + [debut], "%s, Tab:\n  got      %r\n  expected %r" % (quoi, avant, tourne + [debut]))
    arriere = parcourir(lecteur, len(attendu), inverse=True)
    attendu_arriere = [debut] + list(reversed(tourne))
    verifier(arriere == attendu_arriere,
             "%s, Shift+Tab:\n  got      %r\n  expected %r" % (quoi, arriere, attendu_arriere))
    print("%s: %d controls in order both ways" % (quoi, len(attendu)))


PRINCIPALE = [
    "Pseudo", "Adresse du contact", "Se connecter...", "Se déconnecter...", "Mettre votre statut en : Absent",
    "Mettre votre statut en : Présent", "Son statut", "Infos sur le réseau", "À propos d'OVAN Messenger...",
    "Quitter OVAN Messenger", "Conversation", "Régler la police", "Insérer un smiley dans votre message",
    "Envoyer un fichier", "Ouvrir le répertoire des fichiers reçus", "Envoyer une capture d'écran",
    "Effacer la conversation", "Message", "Cliquez ici pour envoyer le message",
]
OPTIONS_BOUTONS = ["Valider les changements", "Annuler les changements", "Appliquer les changements"]
OPTIONS_PAGE1 = ["Pseudo", "Dossier des fichiers reçus", "Parcourir..."] + OPTIONS_BOUTONS
OPTIONS_PAGE2 = ["Gras", "Italique", "Souligné", "Police", "Couleur"] + OPTIONS_BOUTONS
CHOIX_PSEUDO = ["Pseudo", "OK"]
# The windows of the Outils menu: shortcut, title, Tab order.
OUTILS = [
    ("ctrl+h", "Historique", ["Rechercher dans l'historique", "Contacts et jours", "Messages du jour",
                              "Enregistrer l'historique", "Effacer l'historique..."]),
    ("ctrl+f", "Compression de fichier", [
        "Fichier à compresser", "Parcourir...", "Archive .bz2 à créer", "Parcourir...", "Compresser",
        "Archive .bz2 à décompresser", "Parcourir...", "Fichier à créer", "Parcourir...", "Décompresser"]),
    ("ctrl+i", "Conversion d'images", ["Image à convertir", "Parcourir...", "Format", "Qualité",
                                       "Lancer la conversion", "Ouvrir le dossier"]),
]


def boutons_actifs(lecteur, fenetre):
    """For each push button of the window: reported enabled and sensitive."""
    at = lecteur.at
    vus = {}
    for o in lecteur.descendants(lecteur.fenetre(fenetre)):
        if o.getRole() == at.ROLE_PUSH_BUTTON and lecteur.etats(o).contains(at.STATE_SHOWING):
            e = lecteur.etats(o)
            vus[o.name] = e.contains(at.STATE_ENABLED) and e.contains(at.STATE_SENSITIVE)
    return vus


def noms_principale(lecteur):
    at = lecteur.at
    roles = {at.ROLE_PUSH_BUTTON, at.ROLE_TEXT, at.ROLE_ENTRY, at.ROLE_COMBO_BOX, at.ROLE_SPIN_BUTTON,
             at.ROLE_PASSWORD_TEXT, at.ROLE_PARAGRAPH}
    vus = [(o.getRoleName(), lecteur.nom(o)) for o in lecteur.descendants(lecteur.fenetre("OVAN Messenger"))
           if o.getRole() in roles]
    sans_nom = [v for v in vus if not v[1]]
    verifier(len(vus) >= 19, "the main window shows %d buttons and boxes: %r" % (len(vus), vus))
    verifier(not sans_nom, "controls without a name: %r" % (sans_nom,))
    print("main window: %d buttons and boxes, all named" % len(vus))


def appeler_sans_pseudo():
    """A contact on loopback calls the program, which calls back on port 60000: on this address that
    port is taken by the program's own listener, so the call back is led to 60009 by a rule of this
    private network. Returns the two sockets, or None where the rule cannot be made."""
    contact = "127.0.0.231"
    if os.environ.get("OVAN_RESEAU_PRIVE") != "1":
        return None  # the machine's own network (scripts/reseau-prive.sh made none): no rule there
    regle = ("table ip ovan_atspi {\n chain sortie {\n  type nat hook output priority -100;\n"
             "  ip daddr %s tcp dport 60000 dnat to %s:60009\n }\n}\n" % (contact, contact))
    if subprocess.run(["nft", "-f", "-"], input=regle.encode(), capture_output=True).returncode != 0:
        return None
    ecoute = socket.socket()
    ecoute.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    ecoute.bind((contact, 60009))
    ecoute.listen(1)
    appel = socket.socket()
    appel.bind((contact, 0))
    appel.settimeout(10)
    appel.connect(("127.0.0.230", 60000))
    ecoute.settimeout(10)
    retour, _ = ecoute.accept()
    ecoute.close()
    return appel, retour


def scenario(session):
    lecteur = Lecteur(session.programme.pid)
    at = lecteur.at

    # No notification area on this display: the program says so in a box first.
    def premiere_fenetre():
        if lecteur.montree("Erreur"):
            return "Erreur"
        f = lecteur.fenetre("OVAN Messenger")
        return "principale" if f is not None and lecteur.etats(f).contains(at.STATE_ACTIVE) else None

    if attendre(premiere_fenetre, 30, "the main window or the start-up box") == "Erreur":
        attendre(lambda: lecteur.fenetre("Erreur") and lecteur.etats(lecteur.fenetre("Erreur")).contains(
            at.STATE_ACTIVE), 10, "the box to be active")
        touche("Return")
        attendre(lambda: not lecteur.montree("Erreur"), 10, "the start-up box to close")
    attendre(lambda: (lambda c: c and c[0] == "Adresse du contact")(lecteur.controle_focus()), 20,
             "the focus in the contact's address")

    noms_principale(lecteur)
    verifier_cycle(lecteur, PRINCIPALE, "main window")

    touche("ctrl+o")
    attendre(lambda: lecteur.montree("Options"), 10, "the Options window")
    attendre(lambda: (lambda c: c and c[0] == "Pseudo")(lecteur.controle_focus()), 10, "the focus in Options")
    verifier_cycle(lecteur, OPTIONS_PAGE1, "Options, first page")
    # The main window is disabled meanwhile, and its buttons say so.
    principaux = attendre(lambda: (lambda b: b if b and not any(b.values()) else None)(
        boutons_actifs(lecteur, "OVAN Messenger")), 10, "the main window's buttons reported disabled")
    verifier("Se connecter..." in principaux, "the main window's buttons: %r" % (principaux,))
    touche("ctrl+Tab")
    attendre(lambda: (lambda c: c and c[0] in OPTIONS_PAGE2)(lecteur.controle_focus()), 10,
             "the focus on the second page")
    verifier_cycle(lecteur, OPTIONS_PAGE2, "Options, second page")
    touche("Escape")
    attendre(lambda: not lecteur.montree("Options"), 10, "Escape to close Options")
    # Back, with the buttons whose face is greyed (not connected, no message) said unavailable.
    etats = attendre(lambda: (lambda b: b if b.get("Se connecter...") else None)(
        boutons_actifs(lecteur, "OVAN Messenger")), 10, "the main window's buttons enabled again")
    inactifs = sorted(n for n, actif in etats.items() if not actif)
    verifier(inactifs == ["Cliquez ici pour envoyer le message", "Mettre votre statut en : Présent", "Se déconnecter..."],
             "buttons said unavailable: %r" % (inactifs,))
    print("Options: Escape closes it, the main window comes back enabled but for its greyed buttons")

    for raccourci, titre, ordre in OUTILS:
        touche(raccourci)
        attendre(lambda: lecteur.montree(titre), 10, "the window " + titre)
        attendre(lambda: (lambda c: c and c[0] == ordre[0])(lecteur.controle_focus()), 10, "the focus in " + titre)
        verifier_cycle(lecteur, ordre, titre)
        touche("Escape")
        attendre(lambda: not lecteur.montree(titre), 10, "Escape to close " + titre)

    # The smiley picker, opened by the button's press action, takes the keyboard; Escape is its Quitter.
    smiley = lecteur.par_nom("OVAN Messenger", "Insérer un smiley dans votre message", {at.ROLE_PUSH_BUTTON})
    action = smiley.queryAction()
    action.doAction([action.getName(i).lower() for i in range(action.nActions)].index("press"))
    # The first smiley has the focus, after the button above the grid.
    attendre(lambda: (lambda c: c and c[0] == "(:-))")(lecteur.controle_focus()), 10, "the focus in the picker")
    ordre = parcourir(lecteur, 1, inverse=True) + parcourir(lecteur, 2)
    verifier(ordre == ["(:-))", "Quitter", "Quitter", "(:-))", "(:-D)"], "the picker's order: %r" % (ordre,))
    touche("Escape")
    attendre(lambda: not lecteur.montree("Smileys"), 10, "Escape to close the smiley picker")
    print("smiley picker: takes the keyboard, Escape closes it")

    # A first start takes the computer's name as nickname: it is wiped, so that a call asks for one.
    attendre(lambda: (lambda c: c and c[0] == "Adresse du contact")(lecteur.controle_focus()), 10,
             "the focus back in the contact's address")
    touche("shift+Tab")
    attendre(lambda: (lambda c: c and c[0] == "Pseudo")(lecteur.controle_focus()), 10, "the nickname box")
    touche("ctrl+a", "BackSpace")
    pseudo = lecteur.par_nom("OVAN Messenger", "Pseudo", {at.ROLE_TEXT, at.ROLE_ENTRY})
    attendre(lambda: lecteur.texte(pseudo) == "", 10, "the nickname wiped")
    sockets = appeler_sans_pseudo()
    if sockets is None:
        print("nickname window: not reached (no private network with nft here)")
        return
    try:
        attendre(lambda: lecteur.montree("Choisissez un pseudo"), 15, "the nickname window")
        attendre(lambda: (lambda c: c and c[0] == "Pseudo" and c[1] in ("text", "entry"))(
            lecteur.controle_focus()), 10, "the focus in the nickname box")
        verifier_cycle(lecteur, CHOIX_PSEUDO, "nickname window")
        attendre(lambda: (lambda c: c and c[0] == "Pseudo")(lecteur.controle_focus()), 10, "the box")
        subprocess.run(["xdotool", "type", "--delay", "20", "Bob"], check=True)
        zone = lecteur.par_nom("Choisissez un pseudo", "Pseudo", {at.ROLE_TEXT, at.ROLE_ENTRY})
        attendre(lambda: lecteur.texte(zone) == "Bob", 10, "the nickname typed")
        touche("Return")
        attendre(lambda: not lecteur.montree("Choisissez un pseudo"), 10, "Enter to answer the nickname window")
        verifier(lecteur.texte(pseudo) == "Bob", "the main window's nickname: %r" % lecteur.texte(pseudo))
        print("nickname window: Enter validates it")
    finally:
        for s in sockets:
            s.close()


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if os.environ.get("OVAN_ATSPI_SESSION") != "1":
        preparer()
    session = Session(os.path.abspath(sys.argv[1]))
    debut = time.monotonic()
    try:
        session.demarrer_x()
        session.lancer_programme()
        scenario(session)
    except AssertionError as e:
        print("FAIL: %s" % e)
        return 1
    finally:
        session.arreter()
    print("PASS in %.1f s" % (time.monotonic() - debut))
    return 0


if __name__ == "__main__":
    sys.exit(main())

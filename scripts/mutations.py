#!/usr/bin/env python3
"""Mutation testing of source files: how many small faults do the tests catch?

Each mutant makes one small change to one line of a file: a comparison flipped (== to !=, < to >=)
or shifted by one (< to <=), + and - swapped, && and || swapped, a ! removed, 0 and 1 swapped,
true and false swapped, ++ and -- swapped, a simple statement deleted, a "return x;" replaced by
"return {};". Comments and string or character literals are never changed. For each mutant only
the given test programs are rebuilt and run, one after the other, until one fails: the mutant is
then killed; if all pass it survived (a fault the tests would not see). A test that runs far longer
than usual (--facteur times its time on the unchanged file, plus --marge seconds) is stopped and
the mutant counted as killed. Mutants that do not compile are not counted. The file is restored
whatever happens, Ctrl-C included.

    scripts/mutations.py src/core/transfer/CanalFichier.cpp --tests tst_transfer_canal
    scripts/mutations.py FILE1 FILE2 --tests-for FILE1=tst_a,tst_b --tests-for FILE2=tst_c
    scripts/mutations.py --cibles scripts/mutations-cibles.txt [FILE ...]
        [--build build] [--jobs N] [--max 40] [--seed 1] [--depuis COMMIT] [--json OUT] [--lister]

Test names are CTest names (the programs' targets are found from them); --cibles reads lines
"FILE: tst_a tst_b" ('#' starts a comment), and with no FILE given runs every file it lists.
The mutants drawn depend only on the file's content, --seed and --max (and --depuis).
--depuis keeps the lines changed since that commit: what a change added, and whether its tests see it.
--lister prints the mutants drawn and builds nothing.
"""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

# (name, pattern, replacement) applied to the code with comments and literals blanked out.
# "<" and ">" need spaces on both sides so that template brackets are left alone.
OPERATEURS = [
    ("relation", r"==", "!="),
    ("relation", r"!=", "=="),
    ("relation", r"(?<=\s)<(?=\s)", ">="),
    ("relation", r"(?<![<>=!])>=(?!=)", "<"),
    ("relation", r"(?<=\s)>(?=\s)", "<="),
    ("relation", r"(?<![<>=!])<=(?![=>])", ">"),
    ("un-de-plus", r"(?<=\s)<(?=\s)", "<="),
    ("un-de-plus", r"(?<=\s)>(?=\s)", ">="),
    ("un-de-plus", r"(?<![<>=!])<=(?![=>])", "<"),
    ("un-de-plus", r"(?<![<>=!])>=(?!=)", ">"),
    ("plus-moins", r"(?<=\s)\+(?=\s)", "-"),
    ("plus-moins", r"(?<=\s)-(?=\s)", "+"),
    ("plus-moins", r"(?<=\s)\+=(?=\s)", "-="),
    ("plus-moins", r"(?<=\s)-=(?=\s)", "+="),
    ("plus-moins", r"\+\+", "--"),
    ("plus-moins", r"(?<!-)--(?![-=>])", "++"),
    ("et-ou", r"(?<=\s)&&(?=\s)", "||"),
    ("et-ou", r"(?<=\s)\|\|(?=\s)", "&&"),
    ("non", r"!(?!=)", ""),
    ("zero-un", r"(?<![\w.'])0(?![\w.'])", "1"),
    ("zero-un", r"(?<![\w.'])1(?![\w.'])", "0"),
    ("vrai-faux", r"\btrue\b", "false"),
    ("vrai-faux", r"\bfalse\b", "true"),
]

# A statement worth deleting: a call, an assignment, ++/--, emit, break or continue. A declaration
# has a space between its type and its name, which none of these allow before "(" or "=".
CHAINE = r"(?:::)?~?[A-Za-z_]\w*(?:(?:::|\.|->)~?[A-Za-z_]\w*|\[[^\]]*\]|\([^()]*\))*"
INSTRUCTION = re.compile(
    r"^(?:"
    rf"(?:emit\s+)?{CHAINE}\s*\(.*\)\s*;"
    rf"|\*?\s*{CHAINE}\s*(?:[-+*/%&|^]|<<|>>)?=(?!=).*;"
    rf"|(?:\+\+|--){CHAINE}\s*;|{CHAINE}(?:\+\+|--)\s*;"
    r"|delete\s.*;|break\s*;|continue\s*;"
    r")$")
NON_INSTRUCTION = re.compile(r"^(?:return|case|default|if|for|while|switch|else|do|using|typedef|goto|throw)\b")
# After these the next line starts a statement of its own.
ETIQUETTES = re.compile(r"^(?:(?:case\s+(?:[^:]|::)+|default|public|protected|private)\s*:(?!:)\s*)+$")
ENTETE_CONTROLE = re.compile(r"^(?:else\s+)?(?:if|for|while)\s*\(.*\)$|^(?:else|do)$", re.S)
PORTEE_NON_FONCTION = re.compile(r"^(?:template\s*<.*>\s*)?(?:namespace|class|struct|union|enum|extern)\b", re.S)


def masquer(texte):
    """The text with comments and the inside of literals replaced by spaces, line breaks kept."""
    sortie = list(texte)
    n = len(texte)

    def blanchir(debut, fin):
        for k in range(debut, min(fin, n)):
            if sortie[k] != "\n":
                sortie[k] = " "

    def fin_litteral(ouverture, guillemet):
        """Blanks a quoted literal opened at ouverture; returns the index after its closing quote."""
        j = ouverture + 1
        while j < n and texte[j] not in guillemet + "\n":
            j += 2 if texte[j] == "\\" else 1
        blanchir(ouverture + 1, j)
        return j + 1

    i = 0
    while i < n:
        c = texte[i]
        if texte.startswith("//", i):
            fin = texte.find("\n", i)
            fin = n if fin < 0 else fin
            blanchir(i, fin)
            i = fin
        elif texte.startswith("/*", i):
            fin = texte.find("*/", i + 2)
            fin = n if fin < 0 else fin + 2
            blanchir(i, fin)
            i = fin
        elif c == '"':
            brut = re.search(r"(?:^|[^\w])(?:u8|u|U|L)?R$", texte[max(0, i - 4):i])
            if brut:
                ouverture = texte.find("(", i)
                delimiteur = texte[i + 1:ouverture]
                fin = texte.find(")" + delimiteur + '"', ouverture)
                fin = n if fin < 0 else fin + len(delimiteur) + 1
                blanchir(i + 1, fin)
                i = fin + 1
                continue
            i = fin_litteral(i, '"')
        elif c == "'":
            # A digit separator (1'000) sits inside a number.
            debut = i
            while debut > 0 and (texte[debut - 1].isalnum() or texte[debut - 1] in "_'"):
                debut -= 1
            if debut < i and texte[debut].isdigit():
                i += 1
                continue
            i = fin_litteral(i, "'")
        else:
            i += 1
    return "".join(sortie)


def fin_retour(code, debut):
    """Where the ';' ending the return expression starting at debut is, or -1."""
    profondeur = 0
    for k in range(debut, len(code)):
        c = code[k]
        if c in "([{":
            profondeur += 1
        elif c in ")]}":
            profondeur -= 1
            if profondeur < 0:
                return -1
        elif c == ";" and profondeur == 0:
            return k
    return -1


def equilibree(code):
    profondeur = 0
    for c in code:
        if c in "([{":
            profondeur += 1
        elif c in ")]}":
            profondeur -= 1
            if profondeur < 0:
                return False
    return profondeur == 0


def lignes_changees(chemin, commit):
    diff = subprocess.run(["git", "diff", "-U0", commit, "--", str(chemin)], capture_output=True, text=True).stdout
    garde = set()
    for m in re.finditer(r"^@@ -\S+ \+(\d+)(?:,(\d+))? @@", diff, re.M):
        debut, nombre = int(m.group(1)), int(m.group(2) or 1)
        garde.update(range(debut - 1, debut - 1 + nombre))
    return garde


def candidats(texte, garde=None):
    """Every mutant of the file: (line index, start, end, replacement, operator), in file order."""
    lignes = texte.splitlines(keepends=True)
    masquees = masquer(texte).splitlines(keepends=True)
    pile = []  # open brackets; "{" carries whether it holds statements
    courant = ""  # what the statement being read holds so far
    suite_directive = False
    for n, (ligne, code) in enumerate(zip(lignes, masquees)):
        code = code.rstrip("\n")
        net = code.strip()
        directive = suite_directive or net.startswith("#")
        suite_directive = directive and code.rstrip().endswith("\\")
        if directive or not net:
            continue
        retenue = garde is None or n in garde

        if retenue:
            for nom, motif, remplacement in OPERATEURS:
                for m in re.finditer(motif, code + " "):
                    if m.end() <= len(code):
                        yield n, m.start(), m.end(), remplacement, nom
            for m in re.finditer(r"\breturn\s+", code):
                fin = fin_retour(code, m.end())
                expression = code[m.end():fin].strip() if fin > 0 else ""
                if expression and expression not in ("{}", "true", "false"):
                    yield n, m.start(), fin + 1, "return {};", "retour"
            en_fonction = bool(pile) and pile[-1] == "{f"
            debut_instruction = (not courant.strip() or ETIQUETTES.match(courant.strip())
                                 or ENTETE_CONTROLE.match(courant.strip()))
            if (en_fonction and debut_instruction and net.endswith(";") and equilibree(net)
                    and not NON_INSTRUCTION.match(net) and INSTRUCTION.match(net)):
                fin = len(ligne.rstrip("\n"))
                retrait = len(ligne) - len(ligne.lstrip())
                yield n, retrait, fin, "{}", "suppression"

        for c in code:
            if c in "([":
                pile.append(c)
            elif c == "{":
                pile.append("{n" if PORTEE_NON_FONCTION.match(courant.strip()) else "{f")
            elif c in ")]}" and pile:
                pile.pop()
            if c in ";{}":
                courant = ""
            else:
                courant += c
        courant += " "


def tirer(texte, nombre, graine, garde=None):
    tous = list(candidats(texte, garde))
    choisis = random.Random(graine).sample(tous, min(nombre, len(tous)))
    return sorted(choisis, key=lambda m: (m[0], m[1], m[4], m[3])), len(tous)


def appliquer(lignes, mutant):
    n, debut, fin, remplacement, _ = mutant
    mutee = lignes[:]
    mutee[n] = lignes[n][:debut] + remplacement + lignes[n][fin:]
    return mutee


def decrire(chemin, lignes, mutant):
    n, _, _, _, nom = mutant
    avant = lignes[n].strip()
    apres = "(deleted)" if nom == "suppression" else appliquer(lignes, mutant)[n].strip()
    return f"{chemin}:{n + 1}: {avant} -> {apres}"


def executer(commande, delai):
    """Return code, or None when the delay ran out; the whole process group goes with it."""
    processus = subprocess.Popen(commande, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                 start_new_session=True)
    try:
        return processus.wait(timeout=delai)
    except BaseException as e:
        try:
            os.killpg(processus.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        processus.wait()
        if isinstance(e, subprocess.TimeoutExpired):
            return None
        raise


def tests_ctest(build):
    sortie = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], capture_output=True,
                            text=True, check=True).stdout
    cibles = {}
    for test in json.loads(sortie).get("tests", []):
        cible = test["name"]
        # The built program is the command's first argument inside the build folder.
        for argument in test.get("command", []):
            p = Path(argument)
            if p.is_absolute() and Path(build).resolve() in p.parents:
                cible = p.name
                break
        cibles[test["name"]] = cible
    return cibles


def lire_cibles(fichier):
    correspondance = {}
    for ligne in Path(fichier).read_text().splitlines():
        ligne = ligne.split("#", 1)[0].strip()
        if not ligne:
            continue
        source, _, tests = ligne.partition(":")
        correspondance[source.strip()] = tests.replace(",", " ").split()
    return correspondance


class Execution:
    def __init__(self, o, cibles_ctest):
        self.o = o
        self.cibles = cibles_ctest
        self.durees = {}

    def construire(self, tests):
        commande = ["cmake", "--build", self.o.build, "--target", *sorted({self.cibles[t] for t in tests})]
        if self.o.jobs:
            commande[3:3] = ["-j", str(self.o.jobs)]
        return executer(commande, 3600) == 0

    def lancer(self, test, delai):
        """(passed, seconds); passed is None when the test was stopped for taking too long."""
        commande = ["ctest", "--test-dir", self.o.build, "-R", "^" + re.escape(test) + "$", "--no-tests=error"]
        debut = time.monotonic()
        code = executer(commande, delai)
        return (None if code is None else code == 0), time.monotonic() - debut

    def delai(self, test):
        if self.o.delai:
            return self.o.delai
        return self.o.facteur * self.durees[test] + self.o.marge

    def mesurer(self, tests):
        """Each test's time on the unchanged sources; a test that fails there makes every mutant look killed."""
        for test in tests:
            if test in self.durees:
                continue
            passe, duree = self.lancer(test, 1800)
            if not passe:
                sys.exit(f"{test} fails on the unchanged sources: fix that first")
            self.durees[test] = duree
            print(f"  {test}: {duree:.1f} s unchanged, stopped after {self.delai(test):.0f} s", flush=True)

    def juger(self, tests):
        """('killed'|'survived', the test that failed, whether it was stopped for its time)."""
        for test in tests:
            passe, _ = self.lancer(test, self.delai(test))
            if passe is None:
                return "killed", test, True
            if not passe:
                return "killed", test, False
        return "survived", None, False


def bilan(resultats):
    tues = sum(r["result"] == "killed" for r in resultats)
    survivants = sum(r["result"] == "survived" for r in resultats)
    invalides = sum(r["result"] == "not compiled" for r in resultats)
    comptes = tues + survivants
    return {"mutants": len(resultats), "killed": tues, "survived": survivants, "not_compiled": invalides,
            "killed_share": round(100.0 * tues / comptes, 1) if comptes else None}


def ecrire_json(o, fichiers, sortie):
    tous = [r for f in fichiers for r in f["resultats"]]
    donnees = {"seed": o.seed, "max": o.max, "depuis": o.depuis,
               "files": [{"file": f["fichier"], "tests": f["tests"], "candidates": f["candidats"],
                          **bilan(f["resultats"]), "mutants_list": f["resultats"]} for f in fichiers],
               "total": bilan(tous)}
    temporaire = Path(str(sortie) + ".tmp")
    temporaire.write_text(json.dumps(donnees, indent=1, ensure_ascii=False) + "\n")
    temporaire.replace(sortie)


def part(b):
    return "-" if b["killed_share"] is None else f"{b['killed_share']:.0f} %"


def imprimer_bilan(fichiers):
    print("\nfile                                            mutants  killed  survived  not compiled  killed share")
    tous = []
    for f in fichiers:
        b = bilan(f["resultats"])
        tous += f["resultats"]
        print(f"{f['fichier']:<48}{b['mutants']:>7}{b['killed']:>8}{b['survived']:>10}{b['not_compiled']:>14}"
              f"{part(b):>14}")
    b = bilan(tous)
    print(f"{'total':<48}{b['mutants']:>7}{b['killed']:>8}{b['survived']:>10}{b['not_compiled']:>14}{part(b):>14}")
    survivants = [r["description"] for r in tous if r["result"] == "survived"]
    if survivants:
        print("\nsurvived:")
        for s in survivants:
            print("  " + s)


def muter(t, execution, sauvegardes, o, travaux):
    chemin, original, tests = t["chemin"], t["original"], t["tests"]
    lignes = original.splitlines(keepends=True)
    print(f"\n{t['fichier']}: {len(t['choisis'])} of {t['candidats']} mutants, tests {' '.join(tests)}",
          flush=True)
    sauvegardes.mkdir(parents=True, exist_ok=True)
    copie = sauvegardes / t["fichier"].replace("/", "__")
    copie.write_text(original)
    try:
        for i, mutant in enumerate(t["choisis"], 1):
            description = decrire(t["fichier"], lignes, mutant)
            debut = time.monotonic()
            chemin.write_text("".join(appliquer(lignes, mutant)))
            if not execution.construire(tests):
                resultat, test, temps = "not compiled", None, False
            else:
                resultat, test, temps = execution.juger(tests)
            n, col, fin, remplacement, nom = mutant
            t["resultats"].append({"line": n + 1, "column": col + 1, "operator": nom,
                                   "original": lignes[n][col:fin], "mutated": remplacement,
                                   "result": resultat, "test": test, "timeout": temps,
                                   "description": description})
            etiquette = resultat + (f" by {test}" if test else "") + (" (too long)" if temps else "")
            print(f"[{i}/{len(t['choisis'])}] {etiquette:<40} {time.monotonic() - debut:5.0f} s  {description}",
                  flush=True)
            if o.json:
                ecrire_json(o, travaux, o.json)
    finally:
        # A second Ctrl-C must not stop the restoring halfway.
        masque = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM, signal.SIGHUP})
        chemin.write_text(original)
        copie.unlink()
        signal.pthread_sigmask(signal.SIG_SETMASK, masque)
    b = bilan(t["resultats"])
    print(f"{t['fichier']}: {b['mutants']} mutants, {b['killed']} killed, {b['survived']} survived, "
          f"{b['not_compiled']} not compiled: {part(b)} killed", flush=True)


def arreter(*_):
    raise KeyboardInterrupt


def main():
    args = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    args.add_argument("fichiers", nargs="*", metavar="FILE")
    args.add_argument("--tests", help="test programs for every FILE without its own, comma-separated")
    args.add_argument("--tests-for", action="append", default=[], metavar="FILE=T1,T2",
                      help="test programs of one file (repeatable)")
    args.add_argument("--cibles", metavar="MAPPING", help='a file of lines "FILE: tst_a tst_b"')
    args.add_argument("--build", default="build")
    args.add_argument("--jobs", "-j", type=int, help="parallel build jobs")
    args.add_argument("--max", type=int, default=40, help="mutants drawn per file")
    args.add_argument("--seed", type=int, default=1)
    args.add_argument("--delai", type=float, help="seconds per test run, instead of the measured time")
    args.add_argument("--facteur", type=float, default=3.0, help="a test stops after this times its time")
    args.add_argument("--marge", type=float, default=20.0, help="plus these seconds")
    args.add_argument("--depuis", help="only the lines changed since this commit")
    args.add_argument("--json", metavar="OUT", help="the results, for later comparison")
    args.add_argument("--lister", action="store_true", help="print the mutants drawn, build nothing")
    o = args.parse_args()

    correspondance = lire_cibles(o.cibles) if o.cibles else {}
    for paire in o.tests_for:
        source, _, tests = paire.partition("=")
        correspondance[source] = tests.split(",")
    fichiers = o.fichiers or list(correspondance)
    if not fichiers:
        args.error("no FILE given")
    travaux = []
    for fichier in fichiers:
        tests = correspondance.get(fichier) or (o.tests.split(",") if o.tests else None)
        if not tests and not o.lister:
            args.error(f"no test programs for {fichier}: --tests, --tests-for or --cibles")
        chemin = Path(fichier)
        original = chemin.read_text()
        garde = lignes_changees(chemin, o.depuis) if o.depuis else None
        choisis, nombre = tirer(original, o.max, o.seed, garde)
        travaux.append({"fichier": fichier, "chemin": chemin, "original": original, "tests": tests or [],
                        "choisis": choisis, "candidats": nombre, "resultats": []})

    if o.lister:
        for t in travaux:
            lignes = t["original"].splitlines(keepends=True)
            print(f"{t['fichier']}: {len(t['choisis'])} of {t['candidats']} mutants")
            for m in t["choisis"]:
                print(f"  [{m[4]}] " + decrire(t["fichier"], lignes, m))
        return 0

    cibles = tests_ctest(o.build)
    inconnus = sorted({x for t in travaux for x in t["tests"]} - set(cibles))
    if inconnus:
        sys.exit("no such test in " + o.build + ": " + ", ".join(inconnus))
    # A copy of each file beside the build while it is changed: a run killed outright leaves it there.
    sauvegardes = Path(o.build) / "mutations-originaux"
    restes = list(sauvegardes.glob("*")) if sauvegardes.is_dir() else []
    if restes:
        sys.exit(f"a previous run did not restore its file: compare {', '.join(map(str, restes))} with the "
                 "source, restore it, then delete the copy")

    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, arreter)
    if signal.getsignal(signal.SIGHUP) != signal.SIG_IGN:
        signal.signal(signal.SIGHUP, arreter)
    execution = Execution(o, cibles)
    tous_tests = [x for t in travaux for x in t["tests"]]
    print(f"building and timing the tests on the unchanged sources ({o.build})", flush=True)
    if not execution.construire(tous_tests):
        sys.exit("the unchanged sources do not build")
    execution.mesurer(list(dict.fromkeys(tous_tests)))

    interrompu = False
    try:
        for t in travaux:
            muter(t, execution, sauvegardes, o, travaux)
    except KeyboardInterrupt:
        interrompu = True
        print("\ninterrupted: the file is restored; the figures below are those of the mutants run", flush=True)
    finally:
        imprimer_bilan(travaux)
        if o.json:
            ecrire_json(o, travaux, o.json)
        print("\nrebuilding the unchanged sources", flush=True)
        execution.construire(tous_tests)
    return 130 if interrompu else 0


if __name__ == "__main__":
    sys.exit(main())

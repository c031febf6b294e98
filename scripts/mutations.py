#!/usr/bin/env python3
"""Mutation testing of one source file: how many small faults do the tests catch?

Each mutant changes one operator or constant on one line of the file (== to !=, < to <=, && to ||,
true to false, a "return x;" of a bool...), rebuilds the given test programs and runs them. A mutant
the tests fail on is killed; one they pass on survived (a fault the tests would not see). Mutants
that do not compile are not counted. The file is restored whatever happens.

    scripts/mutations.py src/core/transfer/CanalFichier.cpp --tests tst_transfer_canal [--build build]
                         [--max 40] [--seed 1] [--depuis COMMIT]

--depuis keeps the lines changed since that commit: what a change added, and whether its tests see it.
"""
import argparse
import random
import re
import subprocess
import sys
from pathlib import Path

MUTATIONS = [
    (r"==", "!="),
    (r"!=", "=="),
    (r"(?<![<>=!-])<=(?!=)", "<"),
    (r"(?<![<>=!-])>=(?!=)", ">"),
    (r"(?<![<>=!-])<(?![<=])(?=\s)", "<="),
    (r"(?<![<>=!-])>(?![>=])(?=\s)", ">="),
    (r"&&", "||"),
    (r"\|\|", "&&"),
    (r"\btrue\b", "false"),
    (r"\bfalse\b", "true"),
    (r"\+\+", "--"),
    (r"(?<=\s)\+(?=\s)", "-"),
    (r"(?<=\s)-(?=\s)", "+"),
    (r"\breturn (?!;)(.+);", r"return {};"),
    (r"if \(!", "if ("),
]


def lignes_changees(chemin, commit):
    diff = subprocess.run(["git", "diff", "-U0", commit, "--", str(chemin)], capture_output=True, text=True).stdout
    garde = set()
    for m in re.finditer(r"^@@ -\S+ \+(\d+)(?:,(\d+))? @@", diff, re.M):
        debut, nombre = int(m.group(1)), int(m.group(2) or 1)
        garde.update(range(debut - 1, debut - 1 + nombre))
    return garde


def candidats(lignes, garde=None):
    for n, ligne in enumerate(lignes):
        if garde is not None and n not in garde:
            continue
        code = ligne.split("//", 1)[0]
        if not code.strip() or code.lstrip().startswith(("#", "*", "/*")):
            continue
        for motif, remplacement in MUTATIONS:
            for m in re.finditer(motif, code):
                yield n, m.start(), m.end(), m.expand(remplacement) if "\\" in remplacement else remplacement


def executer(commande, delai):
    try:
        return subprocess.run(commande, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=delai).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    args = argparse.ArgumentParser()
    args.add_argument("fichier")
    args.add_argument("--tests", required=True, help="test programs, comma-separated")
    args.add_argument("--build", default="build")
    args.add_argument("--max", type=int, default=40)
    args.add_argument("--seed", type=int, default=1)
    args.add_argument("--delai", type=int, default=300, help="seconds per test run")
    args.add_argument("--depuis", help="only the lines changed since this commit")
    o = args.parse_args()

    chemin = Path(o.fichier)
    original = chemin.read_text()
    lignes = original.splitlines(keepends=True)
    tous = list(candidats(lignes, lignes_changees(chemin, o.depuis) if o.depuis else None))
    random.Random(o.seed).shuffle(tous)
    choisis = tous[: o.max]
    tests = o.tests.split(",")
    regex = "^(" + "|".join(tests) + ")$"
    tues, survivants, invalides = 0, [], 0
    try:
        for i, (n, debut, fin, remplacement) in enumerate(choisis, 1):
            mutee = lignes[:]
            mutee[n] = lignes[n][:debut] + remplacement + lignes[n][fin:]
            chemin.write_text("".join(mutee))
            description = f"{chemin}:{n + 1}: {lignes[n][debut:fin]!r} -> {remplacement!r}"
            if executer(["cmake", "--build", o.build, "--target", *tests], 900) != 0:
                invalides += 1
                print(f"[{i}/{len(choisis)}] does not build  {description}", flush=True)
                continue
            code = executer(["ctest", "--test-dir", o.build, "-R", regex, "--timeout", str(o.delai)], o.delai * 2)
            if code == 0:
                survivants.append(description)
                print(f"[{i}/{len(choisis)}] SURVIVED        {description}", flush=True)
            else:
                tues += 1
                print(f"[{i}/{len(choisis)}] killed          {description}", flush=True)
    finally:
        chemin.write_text(original)
        executer(["cmake", "--build", o.build, "--target", *tests], 900)
    comptes = tues + len(survivants)
    score = 100.0 * tues / comptes if comptes else 0.0
    print(f"\n{chemin}: {tues} killed, {len(survivants)} survived, {invalides} not built: score {score:.0f} %")
    for s in survivants:
        print("  survived: " + s)
    return 0


if __name__ == "__main__":
    sys.exit(main())

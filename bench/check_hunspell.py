"""Checks our Hunspell affix expander against the `hunspell` tool itself.

For a seeded random sample of roots per dictionary, every form the expander generates must be
accepted by `hunspell -l` (which prints the words it rejects), and the root it came from must be
among the stems `hunspell -s` gives for that form.

Usage: python bench/check_hunspell.py [--dict en_US pl_PL ...] [--roots 2000] [--seed 13]
                                      [--prefixes] [--examples 15] [--coverage TOP] [--json OUT]
Needs Debian `hunspell` and the dictionaries' packages (hunspell-en-us, hunspell-pl, ...).
"""
from __future__ import annotations

import argparse
import json
import pathlib
import random
import shutil
import subprocess
import sys
import time

REPO = pathlib.Path(__file__).resolve().parents[1]

from velmora.lexicon.hunspell import HunspellDictionary, default_skip_root, find_dictionary  # noqa: E402


def run_hunspell(dic: pathlib.Path, option: str, words: list[str]) -> str:
    # -i utf-8: we feed UTF-8 whatever the dictionary's own SET is; hunspell converts.
    result = subprocess.run(
        ["hunspell", "-d", str(dic.with_suffix("")), "-i", "utf-8", option],
        input="\n".join(words) + "\n", capture_output=True, text=True, encoding="utf-8",
        check=True)
    return result.stdout


def stems_by_token(output: str) -> dict[str, set[str]]:
    """`hunspell -s` prints "token stem" per stem (just "token" when it has none), with a blank
    line after each token."""
    stems: dict[str, set[str]] = {}
    for line in output.splitlines():
        if not line.strip():
            continue
        token, _, stem = line.partition(" ")
        entry = stems.setdefault(token, set())
        if stem:
            entry.add(stem)
    return stems


def analyses_by_token(output: str) -> dict[str, set[str]]:
    """The st: fields of `hunspell -m` output ("token  st:lemma po:... " per analysis)."""
    lemmas: dict[str, set[str]] = {}
    for line in output.splitlines():
        token, _, rest = line.partition(" ")
        if token:
            lemmas.setdefault(token, set()).update(_declared_stems(rest))
    return lemmas


def convert(word: str, pairs: list[tuple[str, str]]) -> str:
    for old, new in pairs:
        word = word.replace(old, new)
    return word


def check(name: str, roots: int, seed: int, prefixes: bool, examples: int) -> dict:
    dic, aff = find_dictionary(name)
    started = time.perf_counter()
    dictionary = HunspellDictionary.load(dic, aff)
    entries: dict[str, list[frozenset]] = {}
    for root in dictionary.roots:
        entries.setdefault(root.word, []).append(root.flags)
    usable = [w for w in entries if not default_skip_root(w)]
    sample = random.Random(seed).sample(usable, min(roots, len(usable)))
    pairs: list[tuple[str, str]] = []
    for word in sample:
        forms = {f for flags in entries[word] for f in dictionary.forms_of(word, flags, prefixes=prefixes)}
        pairs += [(form, word) for form in sorted(forms)]
    forms = sorted({f for f, _ in pairs})
    rejected = set(run_hunspell(dic, "-l", forms).split("\n"))
    stems = stems_by_token(run_hunspell(dic, "-s", forms))
    oconv = dictionary.affixes.oconv

    declared = {r.word: _declared_stems(r.morph) for r in dictionary.roots if "st:" in r.morph}
    accepted = stem_ok = split = declared_ok = 0
    split_forms: list[tuple[str, str]] = []
    bad_accept: list[tuple[str, str]] = []
    bad_stem: list[tuple[str, str, list[str]]] = []
    for form, root in pairs:
        # Tokens come back as typed; stems may come back OCONV-converted.
        shown = form if form in stems else convert(form, oconv)
        if shown not in stems:
            # hunspell's tokenizer cut the form into pieces (apostrophes, dots, hyphens):
            # it cannot be checked as one word.
            split += 1
            split_forms.append((form, root))
            continue
        if shown in rejected:
            bad_accept.append((form, root))
            continue
        accepted += 1
        if root in stems[shown] or convert(root, oconv) in stems[shown]:
            stem_ok += 1
        elif declared.get(root, set()) & stems[shown]:
            # The entry names its lemma in an st: field and hunspell -s prints that instead.
            declared_ok += 1
        else:
            bad_stem.append((form, root, sorted(stems[shown])))
    # Where hunspell -s printed something else, its morphological analysis may still name the
    # root as st: (-s folds derivational suffixes, ds:, into the stem: "allez-y").
    analysed = analyses_by_token(run_hunspell(dic, "-m", sorted({f for f, _, _ in bad_stem})))
    still_bad = [(f, r, found) for f, r, found in bad_stem if r not in analysed.get(f, set())]
    analysis_ok = len(bad_stem) - len(still_bad)
    bad_stem = still_bad
    checked = len(pairs) - split
    report = {
        "dictionary": name,
        "prefixes": prefixes,
        "roots_sampled": len(sample),
        "pairs": len(pairs),
        "checked": checked,
        "split_by_tokenizer": split,
        "accepted": accepted,
        "acceptance_rate": accepted / checked if checked else None,
        "root_among_stems": stem_ok,
        "stem_rate": stem_ok / checked if checked else None,
        "declared_stem_instead": declared_ok,
        "stem_or_declared_rate": (stem_ok + declared_ok) / checked if checked else None,
        "root_in_analysis_instead": analysis_ok,
        "stem_or_analysis_rate": (stem_ok + declared_ok + analysis_ok) / checked if checked else None,
        "split_examples": split_forms[:examples],
        "rejected_examples": bad_accept[:examples],
        "stem_mismatch_examples": bad_stem[:examples],
        "seconds": round(time.perf_counter() - started, 1),
    }
    return report


def coverage(name: str, top: int, prefixes: bool, examples: int) -> dict:
    """The other direction: of the `top` most frequent words (wordfreq) that hunspell accepts
    with a stem, the share our expansion also produces from one of those stems (compared in
    lower case, as the model pipeline uses the pairs)."""
    from wordfreq import top_n_list

    dic, aff = find_dictionary(name)
    words = [w for w in top_n_list(name.split("_")[0], top) if w.isalpha()]
    hunspell_stems = {w: {s.lower() for s in found}
                      for w, found in stems_by_token(run_hunspell(dic, "-s", words)).items()
                      if found}
    wanted = set(hunspell_stems)
    ours: dict[str, set[str]] = {}
    for form, root in HunspellDictionary.load(dic, aff).expand(prefixes=prefixes):
        low = form.lower()
        if low in wanted:
            ours.setdefault(low, set()).add(root.lower())
    covered = [w for w in hunspell_stems if ours.get(w, set()) & hunspell_stems[w]]
    missed = [w for w in hunspell_stems if not ours.get(w, set()) & hunspell_stems[w]]
    # Single letters and abbreviations are left out on purpose ("is" -> "i").
    by_design = [w for w in missed if all(default_skip_root(s) for s in hunspell_stems[w])]
    other = [w for w in missed if w not in set(by_design)]
    return {"dictionary": name, "top": top, "known_to_hunspell": len(hunspell_stems),
            "covered": len(covered), "coverage": len(covered) / max(1, len(hunspell_stems)),
            "missed_skipped_roots": len(by_design), "missed_other": len(other),
            "missed_examples": [(w, sorted(hunspell_stems[w])) for w in other[:examples]]}


def _declared_stems(morph: str) -> set[str]:
    return {field[3:] for field in morph.split() if field.startswith("st:")}


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dict", nargs="+", default=["en_US", "pl_PL"])
    parser.add_argument("--roots", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=13)
    parser.add_argument("--prefixes", action="store_true")
    parser.add_argument("--examples", type=int, default=15)
    parser.add_argument("--coverage", type=int, metavar="TOP",
                        help="also measure the share of the TOP most frequent words (wordfreq)"
                             " that hunspell stems and our expansion produces")
    parser.add_argument("--json", type=pathlib.Path)
    args = parser.parse_args()
    if shutil.which("hunspell") is None:
        sys.exit("needs the `hunspell` program (Debian package hunspell)")
    reports = []
    for name in args.dict:
        report = check(name, args.roots, args.seed, args.prefixes, args.examples)
        reports.append(report)
        print(f"{name} (prefixes={'on' if args.prefixes else 'off'}): {report['roots_sampled']} roots, "
              f"{report['pairs']} pairs, {report['checked']} checked "
              f"({report['split_by_tokenizer']} split by hunspell's tokenizer); "
              f"accepted {report['acceptance_rate']:.4%}, root among stems {report['stem_rate']:.4%}"
              f" (or the entry's st: lemma: {report['stem_or_declared_rate']:.4%};"
              f" or in hunspell -m st: {report['stem_or_analysis_rate']:.4%}) "
              f"[{report['seconds']} s]")
        for form, root in report["split_examples"]:
            print(f"    split by the tokenizer: {form!r} (root {root!r})")
        for form, root in report["rejected_examples"]:
            print(f"    rejected: {form!r} (root {root!r})")
        for form, root, found in report["stem_mismatch_examples"]:
            print(f"    stems of {form!r}: {found} (root {root!r})")
        if args.coverage:
            cover = coverage(name, args.coverage, args.prefixes, args.examples)
            report["coverage"] = cover
            print(f"    coverage of the top {cover['top']} words hunspell stems "
                  f"({cover['known_to_hunspell']}): {cover['coverage']:.2%}; missed "
                  f"{cover['missed_skipped_roots']} whose stems are all skipped roots, "
                  f"{cover['missed_other']} others")
            for word, found in cover["missed_examples"]:
                print(f"    not produced: {word!r} (hunspell stems {found})")
    if args.json:
        args.json.write_text(json.dumps(reports, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()

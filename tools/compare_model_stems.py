#!/usr/bin/env python3
"""Stems of every bundled model on its language's frequent words, to compare two builds.

    python tools/compare_model_stems.py snapshot DIR      # with one build importable
    python tools/compare_model_stems.py compare OLD NEW   # lists every word whose stem changed

A snapshot holds, per model, the stem of each of the language's top 50,000 words (wordfreq) in
three spellings: as listed, uppercased and capitalized, so lowercasing (final sigma, dotted I)
and diacritic removal are exercised as well as the lookup. A language that wordfreq lacks takes
the words of its spaCy lemma lookup instead. A change between two snapshots is listed with the
code points beyond ASCII of the word, so its Unicode reason can be read off.
"""

from __future__ import annotations

import gzip
import json
import pathlib
import sys
import unicodedata

TOP = 50_000
# Languages wordfreq lists under another code.
WORDFREQ_CODE = {"hr": "sh", "sr": "sh"}


def _lookup_words(code: str) -> list:
    import spacy_lookups_data

    data = pathlib.Path(spacy_lookups_data.__file__).parent / "data"
    words: dict = {}
    for path in sorted(data.glob(f"{code}_lemma_lookup*.json.gz")):
        table = json.loads(gzip.decompress(path.read_bytes()))
        for word, lemma in table.items():
            words.setdefault(word, None)
            if isinstance(lemma, str):
                words.setdefault(lemma, None)
    return sorted(words)[:TOP]


def words_of(code: str) -> tuple:
    import wordfreq

    wf = WORDFREQ_CODE.get(code, code)
    if wf in wordfreq.available_languages():
        return "wordfreq", wordfreq.top_n_list(wf, TOP)
    return "spaCy lemma lookup", _lookup_words(code)


def spellings(words: list) -> list:
    out = []
    for w in words:
        out.extend((w, w.upper(), w.capitalize()))
    return out


def snapshot(outdir: pathlib.Path) -> None:
    import velmora

    outdir.mkdir(parents=True, exist_ok=True)
    for info in velmora.available_models():
        source, words = words_of(info.code)
        inputs = spellings(words)
        stems = velmora.Stemmer(info.code, cache_size=0).stem_batch(inputs)
        lines = [f"{w}\t{'-' if s is None else s}" for w, s in zip(inputs, stems)]
        (outdir / f"{info.code}.tsv").write_text("\n".join(lines) + "\n", encoding="utf-8")
        print(f"{info.code}: {len(inputs)} spellings of {len(words)} words from {source}")


def _reason(word: str) -> str:
    return ", ".join(f"U+{ord(c):04X} {unicodedata.name(c, '?')}" for c in dict.fromkeys(word) if ord(c) > 0x7F)


def compare(old: pathlib.Path, new: pathlib.Path) -> int:
    changed = 0
    total = 0
    for old_file in sorted(old.glob("*.tsv")):
        new_file = new / old_file.name
        a = old_file.read_text(encoding="utf-8").splitlines()
        b = new_file.read_text(encoding="utf-8").splitlines()
        if len(a) != len(b):
            print(f"{old_file.stem}: {len(a)} lines before, {len(b)} after")
            changed += 1
            continue
        total += len(a)
        for x, y in zip(a, b):
            if x != y:
                changed += 1
                word, before = x.split("\t")
                after = y.split("\t")[1]
                print(f"{old_file.stem}: {word!r}: {before!r} -> {after!r} ({_reason(word)})")
    print(f"{total} stems compared, {changed} changed")
    return 1 if changed else 0


def main(argv: list) -> int:
    if len(argv) == 2 and argv[0] == "snapshot":
        snapshot(pathlib.Path(argv[1]))
        return 0
    if len(argv) == 3 and argv[0] == "compare":
        return compare(pathlib.Path(argv[1]), pathlib.Path(argv[2]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

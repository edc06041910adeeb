"""Gold lemmas for the quality benchmark: independent analysers, and the frequency-weighted word list they score.

Each analyser maps a word to its set of lemmas (lowercased) or to an empty set when it does not know the word;
unknown words are left out of the list. Analyses are cached per language, analyser version and word-list
version under build/quality-cache/, since morphological analysis of 50,000 words is the slow part of a rerun.
"""
from __future__ import annotations

import gzip
import json
import pathlib
from dataclasses import dataclass
from importlib import metadata
from typing import Callable, Dict, List, Set, Tuple

REPO = pathlib.Path(__file__).resolve().parents[1]
CACHE = REPO / "build" / "quality-cache"
TOP_N = 50_000


def package_version(name: str) -> str:
    try:
        return metadata.version(name)
    except metadata.PackageNotFoundError:
        return "absent"


@dataclass(frozen=True)
class GoldAnalyser:
    name: str  # short label used in tables and cache names
    package: str  # the PyPI distribution whose version identifies the analyses
    describe: str  # what it is, for the README
    make: Callable[[], Callable[[str], Set[str]]]  # loads the analyser; returns word -> lemmas
    markers: Tuple[str, ...]  # words in a model's recorded sources that mean it was built from this data

    def version(self) -> str:
        version = package_version(self.package)
        if self.name == "morfeusz2":
            # The SGJP dictionary inside the wheel changes more often than the binding's version.
            import morfeusz2

            version += "+" + morfeusz2.Morfeusz().dict_id()
        return version


def _lemminflect() -> Callable[[str], Set[str]]:
    import lemminflect

    def analyse(word: str) -> Set[str]:
        # Union over parts of speech; getAllLemmas knows only dictionary words (no out-of-vocabulary guess).
        return {lemma.lower() for lemmas in lemminflect.getAllLemmas(word).values() for lemma in lemmas}

    return analyse


def _morfeusz2() -> Callable[[str], Set[str]]:
    import morfeusz2

    morfeusz = morfeusz2.Morfeusz()

    def analyse(word: str) -> Set[str]:
        interpretations = morfeusz.analyse(word)
        if any(tag == "ign" for _, _, (_, _, tag, _, _) in interpretations):
            return set()
        # A lemma may carry a homonym marker after ':' ("zamek:s1"); the part before it is the word.
        return {lemma.split(":", 1)[0].lower() for _, _, (_, lemma, _, _, _) in interpretations}

    return analyse


GOLD: Dict[str, GoldAnalyser] = {
    g.name: g
    for g in (
        GoldAnalyser("lemminflect", "lemminflect", "lemminflect dictionary lemmas, union over parts of speech",
                     _lemminflect, ("lemminflect",)),
        GoldAnalyser("morfeusz2", "morfeusz2", "Morfeusz 2 with the SGJP dictionary, lemmas of every interpretation",
                     _morfeusz2, ("morfeusz", "sgjp", "polimorf")),
    )
}


@dataclass
class ScoredList:
    words: List[str]
    weights: List[float]
    gold: List[Set[str]]
    top_n: int  # words in the frequency list before unknown words were left out


def frequency_list(wordfreq_code: str, top_n: int = TOP_N) -> List[str]:
    import wordfreq

    seen: Dict[str, None] = {}
    for word in wordfreq.top_n_list(wordfreq_code, top_n):
        seen.setdefault(word.lower(), None)
    return list(seen)


def scored_list(wordfreq_code: str, gold_name: str, top_n: int = TOP_N) -> ScoredList:
    """The alphabetic words among the language's top_n that the gold analyser knows, with frequency weights and
    gold lemmas. Numbers, emoji, abbreviations with dots and clitics ("n't") are not words a lemmatizer is asked
    about, though analysers know some of them."""
    gold = GOLD[gold_name]
    key = f"{wordfreq_code}-{gold.name}-{gold.version()}-wordfreq{package_version('wordfreq')}-top{top_n}-alpha"
    path = CACHE / f"gold-{key}.json.gz"
    if path.exists():
        with gzip.open(path, "rt", encoding="utf-8") as f:
            data = json.load(f)
        return ScoredList(data["words"], data["weights"], [set(g) for g in data["gold"]], data["top_n"])

    import wordfreq

    analyse = gold.make()
    words, weights, lemmas = [], [], []
    listed = frequency_list(wordfreq_code, top_n)
    for word in listed:
        if not word.isalpha():
            continue
        found = analyse(word)
        if found:
            words.append(word)
            weights.append(wordfreq.word_frequency(word, wordfreq_code))
            lemmas.append(found)
    CACHE.mkdir(parents=True, exist_ok=True)
    tmp = path.with_suffix(".tmp")
    with gzip.open(tmp, "wt", encoding="utf-8") as f:
        json.dump({"words": words, "weights": weights, "gold": [sorted(g) for g in lemmas], "top_n": len(listed)}, f)
    tmp.replace(path)
    return ScoredList(words, weights, lemmas, len(listed))

"""Gold lemmas for the quality benchmark: independent analysers, and the frequency-weighted word list they score.

Each analyser maps a word to its set of lemmas (lowercased) or to an empty set when it does not know the word;
unknown words are left out of the list. Analyses are cached per language, analyser version and word-list
version under build/quality-cache/, since morphological analysis of 50,000 words is the slow part of a rerun.
"""
from __future__ import annotations

import gzip
import json
import pathlib
import shutil
import subprocess
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


Analyse = Callable[[List[str]], List[Set[str]]]  # words -> each word's lemmas (empty: unknown)


@dataclass(frozen=True)
class GoldAnalyser:
    name: str  # short label used in tables and cache names
    describe: str  # what it is, for the README
    make: Callable[[], Analyse]  # loads the analyser
    version: Callable[[], str]  # identifies the analyses, for the cache
    markers: Tuple[str, ...]  # words in a model's recorded sources that mean it was built from this data
    available: Callable[[], bool]
    # Spelling the gold does not tell apart, folded in its lemmas and in every output scored against it.
    fold: Callable[[str], str] = str


def _per_word(analyse: Callable[[str], Set[str]]) -> Analyse:
    return lambda words: [analyse(w) for w in words]


def _lemminflect() -> Analyse:
    import lemminflect

    def analyse(word: str) -> Set[str]:
        # Union over parts of speech; getAllLemmas knows only dictionary words (no out-of-vocabulary guess).
        return {lemma.lower() for lemmas in lemminflect.getAllLemmas(word).values() for lemma in lemmas}

    return _per_word(analyse)


def _morfeusz2() -> Analyse:
    import morfeusz2

    morfeusz = morfeusz2.Morfeusz()

    def analyse(word: str) -> Set[str]:
        interpretations = morfeusz.analyse(word)
        if any(tag == "ign" for _, _, (_, _, tag, _, _) in interpretations):
            return set()
        # A lemma may carry a homonym marker after ':' ("zamek:s1"); the part before it is the word.
        return {lemma.split(":", 1)[0].lower() for _, _, (_, lemma, _, _, _) in interpretations}

    return _per_word(analyse)


def _morfeusz2_version() -> str:
    import morfeusz2

    # The SGJP dictionary inside the wheel changes more often than the binding's version.
    return package_version("morfeusz2") + "+" + morfeusz2.Morfeusz().dict_id()


HUNSPELL_FOLDERS = (pathlib.Path("/usr/share/hunspell"), pathlib.Path("/usr/share/myspell/dicts"))


def _hunspell_dictionary(name: str) -> pathlib.Path:
    """The dictionary by its name, else another regional dictionary of the same language (packages name their
    files differently: ca.dic, nb_NO.dic)."""
    for folder in HUNSPELL_FOLDERS:
        if (folder / f"{name}.dic").exists():
            return folder / name
    language = name.split("_", 1)[0]
    for folder in HUNSPELL_FOLDERS:
        home = folder / f"{language}_{language.upper()}.dic"  # de_DE before de_AT
        for dic in [home, folder / f"{language}.dic", *sorted(folder.glob(f"{language}_*.dic"))]:
            if dic.exists() and dic.with_suffix(".aff").exists():
                return dic.with_suffix("")
    raise FileNotFoundError(f"no Hunspell dictionary {name} in {', '.join(map(str, HUNSPELL_FOLDERS))}")


def _hunspell_available(name: str) -> bool:
    try:
        _hunspell_dictionary(name)
    except FileNotFoundError:
        return False
    return shutil.which("hunspell") is not None


def _hunspell(name: str) -> Analyse:
    def analyse(words: List[str]) -> List[Set[str]]:
        # `hunspell -s` prints "word stem" for each stem of an accepted word and the bare word for a rejected
        # one; the stems are the dictionary roots the word was derived from. The frequency list is case-folded,
        # so each word is also asked capitalised (German nouns: "häuser" stands for "Häuser").
        asked = [variant for w in words for variant in (w, w[:1].upper() + w[1:])]
        done = subprocess.run(["hunspell", "-i", "utf-8", "-s", "-d", str(_hunspell_dictionary(name))],
                              input="\n".join(asked) + "\n", capture_output=True, text=True, encoding="utf-8",
                              check=True)
        stems: Dict[str, Set[str]] = {}
        for line in done.stdout.splitlines():
            parts = line.split()
            if len(parts) == 2:
                stems.setdefault(parts[0].lower(), set()).add(parts[1].lower())
        return [stems.get(w, set()) for w in words]

    return analyse


def _hunspell_package(name: str) -> str:
    """The Debian package that installed a dictionary ("" for one installed by hand)."""
    dic = _hunspell_dictionary(name).with_suffix(".dic")
    found = subprocess.run(["dpkg", "-S", str(dic.resolve())], capture_output=True, text=True)
    return found.stdout.split(":", 1)[0].strip() if found.returncode == 0 else ""


def _hunspell_markers(name: str) -> Tuple[str, ...]:
    """A model built from the dictionary records its file name or its package."""
    if not _hunspell_available(name):
        return ()
    package = _hunspell_package(name)
    return (f"hunspell {_hunspell_dictionary(name).name.lower()}",) + ((package,) if package else ())


def _hunspell_version(name: str) -> str:
    dic = _hunspell_dictionary(name).with_suffix(".dic")
    package = _hunspell_package(name)
    version = ""
    if package:
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True,
                                 text=True).stdout.strip()
    stat = dic.stat()
    return f"{package or 'local'}{version}-{stat.st_size}-capitalised"


def _as_listed_and_capitalised(lemmatize: Callable[[str], str]) -> Callable[[str], Set[str]]:
    """A one-lemma lemmatizer asked the word as listed and capitalised (the frequency list is case-folded, and
    German nouns are learned capitalised), both answers kept."""
    return lambda word: {lemmatize(word).lower(), lemmatize(word[:1].upper() + word[1:]).lower()} - {""}


# Languages whose nouns lemmagen3 learned capitalised; elsewhere a capitalised word only draws guesses ("Der" -> "d").
LEMMAGEN3_CAPITALISED = frozenset({"de"})


# Letters lemmagen3's lemmas spell one way where the words scored spell them either way, counted as one against
# it: Russian ё as е (`ещё` -> `еще`, `детей` -> `ребенок`); German ß as ss, since wordfreq's case-folded list
# asks `heisst`, `grosse` (lemmagen3 answers `heissen`, a model `heißen`).
LEMMAGEN3_FOLDS: Dict[str, Tuple[str, Callable[[str], str]]] = {
    "ru": ("ё read as е", lambda word: word.replace("ё", "е")),
    "de": ("ß read as ss", lambda word: word.replace("ß", "ss")),
}


def _lemmagen3_fold(code: str) -> Callable[[str], str]:
    return LEMMAGEN3_FOLDS[code][1] if code in LEMMAGEN3_FOLDS else str


def _lemmagen3(code: str) -> Analyse:
    import lemmagen3

    lemmatize = lemmagen3.Lemmatizer(code).lemmatize
    fold = _lemmagen3_fold(code)
    if code in LEMMAGEN3_CAPITALISED:
        return _per_word(lambda word: {fold(lemma) for lemma in _as_listed_and_capitalised(lemmatize)(word)})
    return _per_word(lambda word: {fold(lemmatize(word).lower())} - {""})


def _lemmagen3_available(code: str) -> bool:
    if package_version("lemmagen3") == "absent":
        return False
    import lemmagen3

    return code in lemmagen3.Lemmatizer.list_supported_languages()


def _lemmy() -> Analyse:
    import lemmy

    lemmatizer = lemmy.load("da")

    def analyse(word: str) -> Set[str]:
        # An empty word class asks for the lemmas of every class the rules know.
        return {lemma.lower() for lemma in lemmatizer.lemmatize("", word) if lemma}

    return _per_word(analyse)


SPACY_BATCH = 1000


def _spacy_pipeline(package: str) -> Analyse:
    import spacy

    # Only the lemmatizer and what feeds it: each word is lemmatized alone, without a sentence around it.
    nlp = spacy.load(package, exclude=["parser", "ner"])

    def analyse(words: List[str]) -> List[Set[str]]:
        return [{doc[0].lemma_.lower()} if len(doc) and doc[0].lemma_ else set()
                for doc in nlp.pipe(words, batch_size=SPACY_BATCH)]

    return analyse


def _spacy_pipeline_version(package: str) -> str:
    return package_version(package) + "+spacy" + package_version("spacy")


# Debian's python3-libvoikko installs one module into the system Python's folder, outside the virtualenv.
VOIKKO_MODULE_DIR = "/usr/lib/python3/dist-packages"


def _libvoikko():
    import importlib
    import sys

    if VOIKKO_MODULE_DIR not in sys.path:
        sys.path.append(VOIKKO_MODULE_DIR)
    return importlib.import_module("libvoikko")


def _voikko(code: str) -> Analyse:
    voikko = _libvoikko().Voikko(code)

    def analyse(word: str) -> Set[str]:
        # Every analysis's base form: Voikko's morphology (voikko-fi) lists each reading of a homograph.
        return {a["BASEFORM"].lower() for a in voikko.analyze(word) if a.get("BASEFORM")}

    return _per_word(analyse)


def _voikko_version(code: str) -> str:
    out = subprocess.run(["dpkg-query", "-W", "-f=${Version}", f"voikko-{code}"], capture_output=True, text=True,
                         check=False)
    return f"voikko-{code}-{out.stdout.strip() or 'unknown'}"


def _voikko_available(code: str) -> bool:
    try:
        _libvoikko().Voikko(code).terminate()
    except Exception:  # no module, no libvoikko, or no dictionary for the language
        return False
    return True


GOLD: Dict[str, GoldAnalyser] = {
    g.name: g
    for g in (
        GoldAnalyser("lemminflect", "lemminflect dictionary lemmas, union over parts of speech", _lemminflect,
                     lambda: package_version("lemminflect"), ("lemminflect",),
                     lambda: package_version("lemminflect") != "absent"),
        GoldAnalyser("morfeusz2", "Morfeusz 2 with the SGJP dictionary, lemmas of every interpretation", _morfeusz2,
                     _morfeusz2_version, ("morfeusz", "sgjp", "polimorf"),
                     lambda: package_version("morfeusz2") != "absent"),
        GoldAnalyser("lemmy", "lemmy (Danish), a lemmatizer learned from a lexicon and a treebank, lemmas of every "
                     "word class (a weak, learned gold: it guesses unknown words)", _lemmy,
                     lambda: package_version("lemmy"), ("lemmy",), lambda: package_version("lemmy") != "absent"),
        GoldAnalyser("cs_core_news_sm", "spaCy's Czech pipeline cs_core_news_sm, its trained lemmatizer on each word "
                     "alone (a weak, learned gold: it guesses unknown words and has no sentence context)",
                     lambda: _spacy_pipeline("cs_core_news_sm"), lambda: _spacy_pipeline_version("cs-core-news-sm"),
                     ("cs_core_news", "cs-core-news"), lambda: package_version("cs-core-news-sm") != "absent"),
    )
}


def gold_analyser(name: str) -> GoldAnalyser:
    """A named analyser, "hunspell:DICT" for the roots `hunspell -s` gives with an installed dictionary, or
    "lemmagen3:CODE" for lemmagen3's model of a language."""
    if name.startswith("hunspell:"):
        dictionary = name.split(":", 1)[1]
        return GoldAnalyser(name, f"roots from `hunspell -s` with the {dictionary} dictionary, the word asked as "
                            "listed and capitalised (a weak gold: irregular forms are often their own root)",
                            lambda: _hunspell(dictionary), lambda: _hunspell_version(dictionary),
                            _hunspell_markers(dictionary), lambda: _hunspell_available(dictionary))
    if name.startswith("voikko:"):
        code = name.split(":", 1)[1]
        return GoldAnalyser(name, f"Voikko's {code} morphology (Debian voikko-{code}), the base form of every analysis",
                            lambda: _voikko(code), lambda: _voikko_version(code), ("voikko",),
                            lambda: _voikko_available(code))
    if name.startswith("lemmagen3:"):
        code = name.split(":", 1)[1]
        asked = "as listed and capitalised" if code in LEMMAGEN3_CAPITALISED else "as listed"
        folded = f", {LEMMAGEN3_FOLDS[code][0]}" if code in LEMMAGEN3_FOLDS else ""
        return GoldAnalyser(name, f"lemmagen3's {code} model, a lemmatizer learned from a lexicon, the word asked "
                            f"{asked}{folded} (a weak, learned gold: one lemma a word, homographs and unknown words "
                            "guessed)", lambda: _lemmagen3(code),
                            lambda: f"{package_version('lemmagen3')}-{asked.replace(' ', '-')}{'-folded' if folded else ''}",
                            ("lemmagen",), lambda: _lemmagen3_available(code), _lemmagen3_fold(code))
    return GOLD[name]


@dataclass
class ScoredList:
    words: List[str]
    weights: List[float]
    gold: List[Set[str]]
    top_n: int  # words in the frequency list before unknown words were left out
    fold: Callable[[str], str] = str  # the gold's folding, for the outputs scored against it


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
    gold = gold_analyser(gold_name)
    key = f"{wordfreq_code}-{gold.name.replace(':', '_')}-{gold.version()}-wordfreq{package_version('wordfreq')}-top{top_n}-alpha"
    path = CACHE / f"gold-{key}.json.gz"
    if path.exists():
        with gzip.open(path, "rt", encoding="utf-8") as f:
            data = json.load(f)
        return ScoredList(data["words"], data["weights"], [set(g) for g in data["gold"]], data["top_n"], gold.fold)

    import wordfreq

    listed = frequency_list(wordfreq_code, top_n)
    candidates = [w for w in listed if w.isalpha()]
    words, weights, lemmas = [], [], []
    for word, found in zip(candidates, gold.make()(candidates)):
        if found:
            words.append(word)
            weights.append(wordfreq.word_frequency(word, wordfreq_code))
            lemmas.append(found)
    CACHE.mkdir(parents=True, exist_ok=True)
    tmp = path.with_suffix(".tmp")
    with gzip.open(tmp, "wt", encoding="utf-8") as f:
        json.dump({"words": words, "weights": weights, "gold": [sorted(g) for g in lemmas], "top_n": len(listed)}, f)
    tmp.replace(path)
    return ScoredList(words, weights, lemmas, len(listed), gold.fold)

"""Which sources each bundled language is built from, with their priorities and provenance.

A recipe is data, not code: adding a language means adding a table row. Priorities only matter relative to
each other within one recipe (see `ranking`).
"""
from __future__ import annotations

import functools
import subprocess
from dataclasses import dataclass, field
from typing import Callable, Dict, FrozenSet, Iterable, Optional, Tuple

from velmora.build import readers
from velmora.build.closed_class import CLOSED_CLASS

Pair = Tuple[str, str]


@dataclass(frozen=True)
class Source:
    """One lexical source: how to read it, how much to trust it, and where it comes from."""

    name: str
    read: Callable[[], Iterable[Pair]]
    priority: int
    package: str  # the Debian or PyPI package that installs it
    package_kind: str  # "debian", "pypi", or "velmora" (data kept in this package)
    licence: str
    notes: str = ""
    # Priority of the words the source lists as their own lemma (dictionary roots, lemma lists); None: `priority`.
    lemma_priority: Optional[int] = None
    # Written by hand from grammar knowledge: never questioned by the cross-source checks (see `checks`).
    trusted: bool = False

    def package_version(self) -> str:
        return package_version(self.package, self.package_kind)


@dataclass(frozen=True)
class Recipe:
    lang: str
    sources: Tuple[Source, ...]
    frequency_lang: Optional[str] = None  # wordfreq language ranking lemmas of equal priority
    identity_margin: float = 1.0  # see ranking.CandidateTable.ranked
    lemmas_keep_own_frequency: bool = False  # see ranking.CandidateTable.ranked
    short_lemmas: FrozenSet[str] = frozenset()  # single letters that are lemmas of other forms (see cleaning)
    # How many of the language's most frequent words (wordfreq) become their own lemma at priority 0 when no
    # source lists them; with it the sources' pairs are cross-checked before ranking (see `checks`). 0: neither.
    frequent_words: int = 0
    notes: str = ""
    extra: Dict[str, str] = field(default_factory=dict)


def package_version(package: str, kind: str) -> str:
    if kind == "pypi":
        from importlib import metadata

        try:
            return metadata.version(package)
        except metadata.PackageNotFoundError:
            return "not installed"
    if kind == "debian":
        try:
            out = subprocess.run(
                ["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True, check=False
            )
        except OSError:
            return "unknown"
        return out.stdout.strip() or "not installed"
    if kind == "velmora":
        return "this release"
    return "unknown"


def spacy_source(
    lang: str,
    priority: int,
    licence: str,
    notes: str = "",
    parts: Optional[Tuple[str, ...]] = None,
    skip: Optional[readers.SpacySkip] = None,
) -> Source:
    return Source(
        name=f"spacy-lookups-data {lang} lemma lookup" + (f" ({', '.join(parts)})" if parts else ""),
        read=functools.partial(readers.read_spacy_lookup, lang, parts=parts, skip=skip),
        priority=priority,
        package="spacy-lookups-data",
        package_kind="pypi",
        licence=licence,
        notes=notes,
    )


def hunspell_source(
    dictionary: str,
    package: str,
    priority: int,
    licence: str,
    drop_flags: str = "",
    notes: str = "",
    lemma_priority: Optional[int] = None,
    roots: str = "all",
    weak_flags: str = "",
    prefixes: bool = False,
) -> Source:
    kind = {"all": "", "inflecting": ", inflecting roots", "plain": ", other roots"}[roots]
    rules = "suffix and prefix rules" if prefixes else "suffix rules"
    return Source(
        name=f"Hunspell {dictionary} ({rules}{kind})",
        read=functools.partial(
            readers.read_hunspell, dictionary, prefixes=prefixes, drop_flags=tuple(drop_flags), roots=roots,
            weak_flags=tuple(weak_flags),
        ),
        priority=priority,
        package=package,
        package_kind="debian",
        licence=licence,
        notes=notes,
        lemma_priority=lemma_priority,
    )


WORDNET_EXCEPTIONS = Source(
    name="WordNet 3.0 exception lists",
    read=readers.read_wordnet_exceptions,
    priority=4,
    package="wordnet-base",
    package_kind="debian",
    licence="WordNet 3.0 licence (permissive)",
    notes="irregular forms of nouns, verbs, adjectives and adverbs",
)

WORDNET_LEMMAS = Source(
    name="WordNet 3.0 lemmas (index files)",
    read=readers.read_wordnet_lemmas,
    priority=1,
    package="wordnet-base",
    package_kind="debian",
    licence="WordNet 3.0 licence (permissive)",
    notes="single-word nouns, verbs, adjectives and adverbs, each its own lemma",
)


def closed_class_source(lang: str, priority: int) -> Source:
    return Source(
        name=f"closed-class words ({lang})",
        read=functools.partial(tuple, CLOSED_CLASS[lang]),
        priority=priority,
        package="velmora.build.closed_class",
        package_kind="velmora",
        licence="same as velmora",
        notes="velmora.build.closed_class: pronouns, articles, determiners, auxiliaries, contractions and "
              "function words with their lemmas, written from grammar knowledge",
        trusted=True,
    )

# en_US suffix flags that derive other words (-ive, -ion(s), -th, -ly, -ings, -ers, -ness, -able, -ment)
EN_US_DERIVATIONAL = "VNXHYJZPBL"
SCOWL_LICENCE = "SCOWL licence (permissive; /usr/share/doc/hunspell-en-us/copyright)"

def polimorf_non_inflection(part: str, form: str, lemma: str) -> bool:
    """PoliMorf entries that are not inflected forms of their lemma: adjective-table forms in -o other than the
    genitive -ego (adverbs such as `dużo` and compound prefixes such as `polsko-`, words of their own to SGJP and
    to users), and the
    auxiliary table's agglutinates (`-em`, `-śmy`), which are never written as words."""
    if part == "adj":
        return form.endswith("o") and not form.endswith("ego") and not lemma.endswith("o")
    if part == "aux":
        return not form.startswith("będ")
    return False


# Every bundled recipe: this many of the language's most frequent words are their own lemma where no source
# lists them, and the sources are cross-checked (see `checks`).
FREQUENT_WORDS = 100_000

SJP_LICENCE = "sjp.pl, used under its Apache-2.0 option (GPL/LGPL/MPL/Apache-2.0/CC-SA-1.0)"

RECIPES: Dict[str, Recipe] = {
    "en": Recipe(
        lang="en",
        sources=(
            WORDNET_EXCEPTIONS,
            closed_class_source("en", 5),
            WORDNET_LEMMAS,
            spacy_source("en", 2, "WordNet 3.0 licence (data/en_license.txt); package MIT"),
            hunspell_source(
                "en_US", "hunspell-en-us", 1, lemma_priority=3, roots="inflecting", drop_flags=EN_US_DERIVATIONAL,
                weak_flags="M",
                licence=SCOWL_LICENCE, notes="inflectional suffix rules only (plural, possessive, -ed, -ing, -er, -est)",
            ),
            hunspell_source(
                "en_US", "hunspell-en-us", 1, roots="plain", drop_flags=EN_US_DERIVATIONAL, weak_flags="M", licence=SCOWL_LICENCE,
                notes="names and roots without forms of their own (geese, called): a weak claim to be a lemma",
            ),
        ),
        frequency_lang="en",
        frequent_words=FREQUENT_WORDS,
    ),
    "pl": Recipe(
        lang="pl",
        sources=(
            closed_class_source("pl", 5),
            spacy_source(
                "pl", 2, "BSD-2-Clause (PoliMorf, data/pl_license.txt); package MIT",
                notes="PoliMorf, which shares the SGJP data with morfeusz2",
                parts=("adj", "adp", "adv", "aux", "noun", "num", "pron", "verb"),
                skip=polimorf_non_inflection,
            ),
            hunspell_source(
                "pl_PL", "hunspell-pl", 2, roots="plain", licence=SJP_LICENCE,
                notes="only the roots without forms of their own: uninflected words (ale, potem, od) and listed forms",
            ),
        ),
        frequency_lang="pl",
        short_lemmas=frozenset("wz"),
        frequent_words=FREQUENT_WORDS,
    ),
}

# The other bundled languages, one table row each (imported here so that RECIPES lists every bundled model).
from velmora.build.recipes_multilingual import MULTILINGUAL_RECIPES  # noqa: E402

RECIPES.update(MULTILINGUAL_RECIPES)


def recipe(lang: str) -> Recipe:
    try:
        return RECIPES[lang]
    except KeyError:
        raise ValueError(f"no model recipe for {lang!r}; known: {', '.join(sorted(RECIPES))}") from None

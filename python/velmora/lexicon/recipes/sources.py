"""What a recipe is made of: `Source` (how to read one lexical source, how much to trust it, where it comes
from) and `Recipe` (a language's sources with their priorities), and the constructors every recipe table uses.

A recipe is data, not code: adding a language means adding a table row. Priorities only matter relative to
each other within one recipe (see `ranking`).
"""
from __future__ import annotations

import dataclasses
import functools
from dataclasses import dataclass, field
from typing import Callable, Dict, FrozenSet, Iterable, Iterator, Optional, Tuple

from velmora.lexicon import readers
from velmora.lexicon.closed_class import CLOSED_CLASS

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
    # With the cross-checks: move a frequent form a table gave to a rare homograph's paradigm to the far commoner
    # lemma one of the language's inflections reaches (the `form of a far commoner lemma` check of `checks`).
    commoner_lemma_moves: bool = False
    notes: str = ""
    extra: Dict[str, str] = field(default_factory=dict)


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


def simplemma_source(lang: str, priority: int, licence: str, notes: str = "") -> Source:
    return Source(
        name=f"simplemma {lang} lemma dictionary",
        read=functools.partial(readers.read_simplemma, lang),
        priority=priority,
        package="simplemma",
        package_kind="pypi",
        licence=licence,
        notes=notes,
    )


def _read_through(read: Callable[[], Iterable[Pair]], keep: Callable[[Iterable[Pair]], Iterator[Pair]]):
    return keep(read())


def filtered(source: Source, keep: Callable[[Iterable[Pair]], Iterator[Pair]], notes: str) -> Source:
    """The source with its whole table read through `keep`, a filter that needs every pair at once."""
    return dataclasses.replace(source, read=functools.partial(_read_through, source.read, keep), notes=notes)


def closed_class_source(lang: str, priority: int) -> Source:
    return Source(
        name=f"closed-class words ({lang})",
        read=functools.partial(tuple, CLOSED_CLASS[lang]),
        priority=priority,
        package="velmora.lexicon.closed_class",
        package_kind="velmora",
        licence="same as velmora",
        notes="velmora.lexicon.closed_class: pronouns, articles, determiners, auxiliaries, contractions and "
              "function words with their lemmas, written from grammar knowledge",
        trusted=True,
    )


# Every bundled recipe: this many of the language's most frequent words are their own lemma where no source
# lists them, and the sources are cross-checked (see `checks`).
FREQUENT_WORDS = 100_000

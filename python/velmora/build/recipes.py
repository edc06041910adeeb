"""Which sources each bundled language is built from, with their priorities and provenance.

A recipe is data, not code: adding a language means adding a table row. Priorities only matter relative to
each other within one recipe (see `ranking`).
"""
from __future__ import annotations

import functools
import subprocess
from dataclasses import dataclass, field
from typing import Callable, Dict, Iterable, Optional, Tuple

from velmora.build import readers

Pair = Tuple[str, str]


@dataclass(frozen=True)
class Source:
    """One lexical source: how to read it, how much to trust it, and where it comes from."""

    name: str
    read: Callable[[], Iterable[Pair]]
    priority: int
    package: str  # the Debian or PyPI package that installs it
    package_kind: str  # "debian" or "pypi"
    licence: str
    notes: str = ""

    def package_version(self) -> str:
        return package_version(self.package, self.package_kind)


@dataclass(frozen=True)
class Recipe:
    lang: str
    sources: Tuple[Source, ...]
    frequency_lang: Optional[str] = None  # wordfreq language ranking lemmas of equal priority
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
    return "unknown"


def spacy_source(lang: str, priority: int, licence: str, notes: str = "") -> Source:
    return Source(
        name=f"spacy-lookups-data {lang} lemma lookup",
        read=functools.partial(readers.read_spacy_lookup, lang),
        priority=priority,
        package="spacy-lookups-data",
        package_kind="pypi",
        licence=licence,
        notes=notes,
    )


def hunspell_source(dictionary: str, package: str, priority: int, licence: str, notes: str = "") -> Source:
    return Source(
        name=f"Hunspell {dictionary} (suffix rules)",
        read=functools.partial(readers.read_hunspell, dictionary),
        priority=priority,
        package=package,
        package_kind="debian",
        licence=licence,
        notes=notes,
    )


WORDNET_EXCEPTIONS = Source(
    name="WordNet 3.0 exception lists",
    read=readers.read_wordnet_exceptions,
    priority=3,
    package="wordnet-base",
    package_kind="debian",
    licence="WordNet 3.0 licence (permissive)",
    notes="irregular forms of nouns, verbs, adjectives and adverbs",
)

RECIPES: Dict[str, Recipe] = {
    "en": Recipe(
        lang="en",
        sources=(
            WORDNET_EXCEPTIONS,
            spacy_source("en", 2, "WordNet 3.0 licence (data/en_license.txt); package MIT"),
        ),
        frequency_lang="en",
    ),
    "pl": Recipe(
        lang="pl",
        sources=(
            spacy_source(
                "pl", 2, "BSD-2-Clause (PoliMorf, data/pl_license.txt); package MIT",
                notes="PoliMorf, which shares the SGJP data with morfeusz2",
            ),
        ),
        frequency_lang="pl",
    ),
}


def recipe(lang: str) -> Recipe:
    try:
        return RECIPES[lang]
    except KeyError:
        raise ValueError(f"no model recipe for {lang!r}; known: {', '.join(sorted(RECIPES))}") from None

"""Peer systems of the quality benchmark, each as `words -> outputs` for one language (None when it does not
cover the language). An output is the system's answer for the word, the word itself when it has none."""
from __future__ import annotations

import gzip
import json
import pathlib
from typing import Callable, Dict, List, Optional, Sequence

Outputs = Callable[[Sequence[str]], List[str]]


def snowball(algorithm: Optional[str]) -> Optional[Outputs]:
    if algorithm is None:
        return None
    import Stemmer

    if algorithm not in Stemmer.algorithms():
        return None
    stemmer = Stemmer.Stemmer(algorithm)
    return lambda words: stemmer.stemWords(list(words))


def simplemma_lemmatizer(code: Optional[str]) -> Optional[Outputs]:
    if code is None:
        return None
    import simplemma

    data = pathlib.Path(simplemma.__file__).parent / "strategies" / "dictionaries" / "data" / f"{code}.plzma"
    if not data.exists():
        return None
    return lambda words: [simplemma.lemmatize(w, lang=code) for w in words]


def spacy_tables(prefix: Optional[str]) -> List[pathlib.Path]:
    """The lemma lookup table of a language, or when it has none, its per-part-of-speech tables in name
    order (the first table naming a word wins, so the order is fixed)."""
    if prefix is None:
        return []
    try:
        import spacy_lookups_data
    except ImportError:
        return []
    folder = pathlib.Path(spacy_lookups_data.__file__).parent / "data"
    plain = folder / f"{prefix}_lemma_lookup.json.gz"
    if plain.exists():
        return [plain]
    return sorted(folder.glob(f"{prefix}_lemma_lookup_*.json.gz"))


def spacy_lookup(prefix: Optional[str]) -> Optional[Outputs]:
    tables = spacy_tables(prefix)
    if not tables:
        return None
    table: Dict[str, str] = {}
    for path in tables:
        with gzip.open(path, "rt", encoding="utf-8") as f:
            for form, lemma in json.load(f).items():
                # French, Catalan and some Irish tables list lemmas; spaCy's lemmatizers take the first
                table.setdefault(form, lemma[0] if isinstance(lemma, list) else lemma)
    return lambda words: [table.get(w, w) for w in words]

"""Readers of lexical sources; each yields raw (form, lemma) pairs in the order of its source.

Cleaning (lowercasing, dropped abbreviation roots) happens later in one place, see `cleaning`.
"""
from __future__ import annotations

import gzip
import json
import os
import pathlib
from typing import IO, Iterable, Iterator, List, Optional, Sequence, Tuple, Union

Pair = Tuple[str, str]
PathLike = Union[str, os.PathLike]

WORDNET_DIR = pathlib.Path("/usr/share/wordnet")
WORDNET_PARTS = ("noun", "verb", "adj", "adv")


def _open_text(path: PathLike) -> IO[str]:
    path = os.fspath(path)
    with open(path, "rb") as f:
        gz = f.read(2) == b"\x1f\x8b"
    return gzip.open(path, "rt", encoding="utf-8") if gz else open(path, encoding="utf-8")


def read_tsv_pairs(path: PathLike) -> Iterator[Pair]:
    """`form<TAB>lemma` per line (gzip or plain); lines starting with `#` and lines without a tab are skipped."""
    with _open_text(path) as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) >= 2:
                yield fields[0], fields[1]


def spacy_lookup_dir() -> pathlib.Path:
    import spacy_lookups_data

    return pathlib.Path(spacy_lookups_data.__file__).parent / "data"


def spacy_lookup_tables(lang: str, data_dir: Optional[PathLike] = None) -> List[pathlib.Path]:
    """The lemma lookup tables of a language: the single table, or the per-part-of-speech ones, sorted by name."""
    folder = pathlib.Path(data_dir) if data_dir is not None else spacy_lookup_dir()
    return sorted(folder.glob(f"{lang}_lemma_lookup.json.gz")) + sorted(folder.glob(f"{lang}_lemma_lookup_*.json.gz"))


def read_spacy_table(path: PathLike) -> Iterator[Pair]:
    """One spaCy lookup table: a JSON object form -> lemma (gzip or plain)."""
    with _open_text(path) as f:
        table = json.load(f)
    for form, lemma in table.items():
        if isinstance(lemma, str):
            yield form, lemma


def read_spacy_lookup(lang: str, data_dir: Optional[PathLike] = None) -> Iterator[Pair]:
    tables = spacy_lookup_tables(lang, data_dir)
    if not tables:
        raise FileNotFoundError(f"no spaCy lemma lookup table for {lang!r}")
    for table in tables:
        yield from read_spacy_table(table)


def read_conllu(path: PathLike) -> Iterator[Pair]:
    """FORM and LEMMA of every syntactic word of a CoNLL-U file.

    Multiword-token ranges (`3-4`) and empty nodes (`5.1`) are skipped: the range's surface string has no lemma of
    its own, and empty nodes have no surface form. An underscore lemma means "not annotated".
    """
    with _open_text(path) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            cols = line.rstrip("\r\n").split("\t")
            if len(cols) < 3 or not cols[0].isdigit():
                continue
            form, lemma = cols[1], cols[2]
            if lemma == "_" and form != "_":
                continue
            yield form, lemma


def read_wordnet_exceptions(folder: PathLike = WORDNET_DIR, parts: Sequence[str] = WORDNET_PARTS) -> Iterator[Pair]:
    """WordNet `*.exc` lines: an irregular form followed by one or more base forms, words joined by `_`.

    Multi-word entries are skipped (a single-word model cannot use them).
    """
    for part in parts:
        path = pathlib.Path(folder) / f"{part}.exc"
        with open(path, encoding="utf-8") as f:
            for line in f:
                fields = line.split()
                if len(fields) < 2 or "_" in fields[0]:
                    continue
                for base in fields[1:]:
                    if "_" not in base:
                        yield fields[0], base


def read_hunspell(name: PathLike, prefixes: bool = False) -> Iterator[Pair]:
    """Every form the affix rules generate from each root, and the root itself, as (form, root).

    `name` is a dictionary name (`en_US`) looked up in the system folders, or a path to a `.dic`.
    """
    from velmora.build import hunspell

    dic = pathlib.Path(os.fspath(name))
    if dic.suffix != ".dic" or not dic.exists():
        dic = pathlib.Path(hunspell.find_dictionary(os.fspath(name)))
    dictionary = hunspell.HunspellDictionary.load(dic)
    roots = set()
    for form, root in dictionary.expand(prefixes=prefixes):
        if root not in roots:
            roots.add(root)
            yield root, root
        if form != root:
            yield form, root


def read_identity(words: Iterable[str]) -> Iterator[Pair]:
    for word in words:
        yield word, word

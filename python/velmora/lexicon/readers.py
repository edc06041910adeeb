"""Readers of lexical sources; each yields raw (form, lemma) pairs in the order of its source.

Cleaning (lowercasing, dropped abbreviation roots) happens later in one place, see `cleaning`.
"""
from __future__ import annotations

import functools
import gzip
import json
import os
import pathlib
from velmora.lexicon.cleaning import is_name
from typing import IO, Callable, Iterable, Iterator, List, Optional, Sequence, Tuple, Union

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
    """One spaCy lookup table: a JSON object form -> lemma, or form -> list of lemmas (the Catalan table), gzip or
    plain. Every lemma of a list is a candidate; ranking chooses among them."""
    with _open_text(path) as f:
        table = json.load(f)
    for form, lemma in table.items():
        if isinstance(lemma, str):
            yield form, lemma
        elif isinstance(lemma, list):
            for one in lemma:
                if isinstance(one, str):
                    yield form, one


def spacy_table_part(path: PathLike, lang: str) -> str:
    """The part of speech of a per-part-of-speech table (`pl_lemma_lookup_noun` -> `noun`), "" for a single table."""
    name = pathlib.Path(path).name.split(".")[0]
    return name[len(f"{lang}_lemma_lookup_"):] if name.startswith(f"{lang}_lemma_lookup_") else ""


SpacySkip = Callable[[str, str, str], bool]


def read_spacy_lookup(
    lang: str,
    data_dir: Optional[PathLike] = None,
    parts: Optional[Sequence[str]] = None,
    skip: Optional[SpacySkip] = None,
) -> Iterator[Pair]:
    """The lemma lookup tables of a language; `parts` restricts per-part-of-speech tables, `skip(part, form,
    lemma)` drops single entries a recipe knows to be wrong for its purpose."""
    tables = spacy_lookup_tables(lang, data_dir)
    if not tables:
        raise FileNotFoundError(f"no spaCy lemma lookup table for {lang!r}")
    for table in tables:
        part = spacy_table_part(table, lang)
        if parts is not None and part not in parts:
            continue
        for form, lemma in read_spacy_table(table):
            if skip is None or not skip(part, form, lemma):
                yield form, lemma


def _spacy_json(folder: pathlib.Path, name: str) -> dict:
    path = folder / f"{name}.json.gz"
    if not path.exists():
        return {}
    with _open_text(path) as f:
        return json.load(f)


def read_spacy_rules(lang: str, data_dir: Optional[PathLike] = None, kind: str = "all") -> Iterator[Pair]:
    """The forms spaCy's rule lemmatizer would map to each lemma of its index, generated backwards.

    The lemmatizer turns a form into a lemma by the first suffix rule (old, new) whose result is in the part of
    speech's lemma index, unless the exception table lists the form. Run backwards, every indexed lemma ending
    in `new` gives the form with `old` instead; with the exception pairs and the lemmas themselves, that is the
    table the lemmatizer stands for. Some generated forms are not words; they are never looked up.
    kind="exceptions" gives only the exception pairs (irregular forms, worth more trust), "rules" the rest.
    """
    folder = pathlib.Path(data_dir) if data_dir is not None else spacy_lookup_dir()
    rules = _spacy_json(folder, f"{lang}_lemma_rules")
    index = _spacy_json(folder, f"{lang}_lemma_index")
    exceptions = _spacy_json(folder, f"{lang}_lemma_exc")
    if not rules or not index:
        raise FileNotFoundError(f"no spaCy lemma rules with an index for {lang!r}")
    for part in sorted(index) if kind in ("all", "rules") else ():
        lemmas = index[part]
        for lemma in lemmas:
            yield lemma, lemma
        for old, new in rules.get(part, ()):
            for lemma in lemmas:
                if lemma.endswith(new) and len(lemma) > len(new):
                    yield lemma[: len(lemma) - len(new)] + old, lemma
    for part in sorted(exceptions) if kind in ("all", "exceptions") else ():
        for form, listed in exceptions[part].items():
            for lemma in listed if isinstance(listed, list) else [listed]:
                if isinstance(lemma, str):
                    yield form, lemma


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

    Multi-word entries are skipped (a single-word model cannot use them), and so are bases equal to the form: they
    add nothing but a claim that the form is a lemma (`is is`, the plural of the letter i), which would let `is`
    compete with `be`.
    """
    for part in parts:
        path = pathlib.Path(folder) / f"{part}.exc"
        with open(path, encoding="utf-8") as f:
            for line in f:
                fields = line.split()
                if len(fields) < 2 or "_" in fields[0]:
                    continue
                for base in fields[1:]:
                    if "_" not in base and base != fields[0]:
                        yield fields[0], base


def read_wordnet_lemmas(folder: PathLike = WORDNET_DIR, parts: Sequence[str] = WORDNET_PARTS) -> Iterator[Pair]:
    """Every single-word lemma of the WordNet `index.*` files, as its own lemma (licence header lines, which start
    with a space, are skipped)."""
    for part in parts:
        path = pathlib.Path(folder) / f"index.{part}"
        with open(path, encoding="utf-8") as f:
            for line in f:
                if line.startswith(" "):
                    continue
                lemma = line.split(" ", 1)[0]
                if lemma and "_" not in lemma:
                    yield lemma, lemma


def hunspell_expansion(name: str, prefixes: bool = False, drop_flags: Tuple[str, ...] = ()) -> Tuple[Pair, ...]:
    """(form, root) for every form the affix rules generate, the root itself included when it is a word.

    `name` is a dictionary name (`en_US`) looked up in the system folders, or a path to a `.dic`. Prefix rules are
    off by default: they derive new words (`return` from `turn`), not forms of the root. `drop_flags` names affix
    flags to ignore on every root, for dictionaries whose suffix rules also derive words (`only` from `on`).
    Cached, since a recipe may read one dictionary twice; the cache is keyed on the files' size and modification
    time too, so a dictionary changed in place is read again.
    """
    from velmora.lexicon import hunspell

    dic, aff = hunspell.find_dictionary(name)
    versions = tuple((st.st_size, st.st_mtime_ns) for st in (os.stat(dic), os.stat(aff)))
    return _hunspell_expansion(str(dic), versions, prefixes, drop_flags)


@functools.lru_cache(maxsize=4)
def _hunspell_expansion(
    dic: str, versions: Tuple[Tuple[int, int], ...], prefixes: bool, drop_flags: Tuple[str, ...]
) -> Tuple[Pair, ...]:
    from velmora.lexicon import hunspell

    dictionary = hunspell.HunspellDictionary.load(dic)
    drop = frozenset(drop_flags)
    if drop:
        roots = [root._replace(flags=root.flags - drop) for root in dictionary.roots]
        dictionary = hunspell.HunspellDictionary(dictionary.affixes, roots, dictionary.path)
    pairs = tuple(dictionary.expand(prefixes=prefixes))
    if not pairs:
        raise ValueError(f"Hunspell dictionary {dic} has no words to learn from (no roots, or only skipped ones)")
    return pairs


def read_hunspell(
    name: PathLike,
    prefixes: bool = False,
    drop_flags: Iterable[str] = (),
    roots: str = "inflecting",
    weak_flags: Iterable[str] = (),
) -> Iterator[Pair]:
    """Hunspell forms with their roots.

    roots="inflecting": every generated form as (form, root), and (root, root) for the roots that have forms of
    their own and are not names: the roots that are lemmas. roots="plain": only (root, root) for the other roots
    (names, and words listed for their own sake such as `geese` or `called`, which are often forms of another
    lemma). roots="all": both. Forms made with `weak_flags` alone do not make a root inflecting: the English
    possessive is on `women` and `making` as much as on `number`.
    """
    drop = tuple(sorted(set(drop_flags)))
    pairs = hunspell_expansion(os.fspath(name), prefixes, drop)
    strong = pairs
    if weak_flags:
        strong = hunspell_expansion(os.fspath(name), prefixes, tuple(sorted(set(drop) | set(weak_flags))))
    inflecting = {root for form, root in strong if form != root and not is_name(root)}
    want_inflecting, want_plain = roots in ("inflecting", "all"), roots in ("plain", "all")
    for form, root in pairs:
        if form != root:
            if want_inflecting:
                yield form, root
        elif (root in inflecting and want_inflecting) or (root not in inflecting and want_plain):
            yield form, root


def read_simplemma(lang: str, factory=None) -> Iterator[Pair]:
    """simplemma's lemma dictionary of a language, form -> lemma, in the dictionary's own order.

    `factory` is a simplemma dictionary factory (anything with `get_dictionary(lang)` giving a form -> lemma
    mapping); by default the one reading the dictionaries simplemma ships. Only the dictionary is read, never
    simplemma's rules or its lemmatizer: its guesses for unlisted words are not data.
    """
    if factory is None:
        from simplemma.strategies.dictionaries import DefaultDictionaryFactory

        factory = DefaultDictionaryFactory(cache_max_size=1)
    try:
        table = factory.get_dictionary(lang)
    except ValueError:
        raise FileNotFoundError(f"no simplemma dictionary for {lang!r}") from None
    for form, lemma in table.items():
        yield form, lemma


def read_identity(words: Iterable[str]) -> Iterator[Pair]:
    for word in words:
        yield word, word

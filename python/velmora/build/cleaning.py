"""Normalisation and filtering of raw form -> lemma pairs, shared by every reader.

The bundled English model once stemmed `is` to `i` and `as` to `a` because its source kept single-letter and
abbreviation roots; these filters keep such lemmas out unless a word is its own lemma.
"""
from __future__ import annotations

import re
from typing import Iterable, Iterator, Optional, Tuple

Pair = Tuple[str, str]

# The source dictionary format treats `#` and `//` as comment starts, so a field holding them cannot be written.
_UNWRITABLE = re.compile(r"\s|#|//")
_DIGITS_OR_PUNCT = re.compile(r"^[\W\d_]+$")


def is_abbreviation(word: str) -> bool:
    """An abbreviation as dictionaries spell it: a dot, or two or more capitals and no lowercase letter."""
    if "." in word:
        return True
    letters = [c for c in word if c.isalpha()]
    return len(letters) >= 2 and all(c.isupper() for c in letters)


def usable_word(word: str) -> bool:
    return bool(word) and not _UNWRITABLE.search(word) and not _DIGITS_OR_PUNCT.match(word)


def clean_pair(form: str, lemma: str) -> Optional[Pair]:
    """The lowercased pair, or None when it must not reach a model.

    A lemma that is an abbreviation or a single letter is only kept for the word itself (`a` -> `a`), never as the
    lemma of another form (`as` -> `a`).
    """
    form, lemma = form.strip(), lemma.strip()
    if not usable_word(form) or not usable_word(lemma):
        return None
    low_form, low_lemma = form.lower(), lemma.lower()
    if low_form != low_lemma and (len(low_lemma) < 2 or is_abbreviation(lemma)):
        return None
    return low_form, low_lemma


def clean_pairs(pairs: Iterable[Pair]) -> Iterator[Pair]:
    for form, lemma in pairs:
        pair = clean_pair(form, lemma)
        if pair is not None:
            yield pair

"""Normalisation and filtering of raw form -> lemma pairs, shared by every reader.

The bundled English model once stemmed `is` to `i` and `as` to `a` because its source kept single-letter and
abbreviation roots; these filters keep such lemmas out unless a word is its own lemma.
"""
from __future__ import annotations

import re
from typing import AbstractSet, Dict, Iterable, Iterator, Optional, Set, Tuple

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


def clean_pair(
    form: str, lemma: str, short_lemmas: AbstractSet[str] = frozenset(), trusted: bool = False
) -> Optional[Pair]:
    """The lowercased pair, or None when it must not reach a model.

    A lemma that is an abbreviation or a single letter is only kept for the word itself (`a` -> `a`), never as the
    lemma of another form (`as` -> `a`); a single-letter form likewise only as its own lemma, since as a clitic or
    unit symbol (`m` -> `być`) it would join a frequent lemma's group with words of another meaning.
    `short_lemmas` lists the single-letter words a language does use as lemmas of other forms (Polish `ze` -> `z`).
    A `trusted` list (the closed-class words) writes each pair on purpose, so its single-letter forms of another
    lemma stay: Ukrainian `є` and Romanian `e` are forms of "to be", among the commonest words of running text.
    """
    form, lemma = form.strip(), lemma.strip()
    if not usable_word(form) or not usable_word(lemma):
        return None
    low_form, low_lemma = form.lower(), lemma.lower()
    if low_form != low_lemma and (
        (len(low_lemma) < 2 and low_lemma not in short_lemmas) or (len(low_form) < 2 and not trusted)
        or is_abbreviation(lemma)
    ):
        return None
    return low_form, low_lemma


def is_name(word: str) -> bool:
    """A proper noun as dictionaries spell it: capitalised, not all capitals."""
    return word[:1].isupper() and not word.isupper()


def clean_pairs(pairs: Iterable[Pair], short_lemmas: AbstractSet[str] = frozenset()) -> Iterator[Pair]:
    for form, lemma in pairs:
        pair = clean_pair(form, lemma, short_lemmas)
        if pair is not None:
            yield pair


# Letters running text often writes another way, per language: Russian ё as е (`идет`, `еще`, `ее`), German ß as
# ss (the spelling reform's `lässt` for a table's `läßt`, Swiss `heisst`, and wordfreq's case-folded words). A
# source lists forms one way only, so the other spelling reached a suffix rule (`идет`, `lässt` stayed themselves).
SPELLING_VARIANTS: Dict[str, Tuple[Tuple[str, str], ...]] = {
    "ru": (("ё", "е"), ("Ё", "Е")),
    "de": (("ß", "ss"),),
}


# Adverbs made from adjectives, which the tables give as the adjective's short neuter form: (the adverb's ending,
# endings of adjective forms that end alike, the adjective lemma's endings).
ADVERBS_FROM_ADJECTIVES: Dict[str, Tuple[str, Tuple[str, ...], Tuple[str, ...]]] = {
    "ru": ("о", ("ого", "его"), ("ый", "ий", "ой")),
    "uk": ("о", ("ого", "його"), ("ий", "ій")),
}


def adverbs_as_own_lemma(lang: str, pairs: Iterable[Pair]) -> Iterator[Pair]:
    """The pairs, each adverb of an adjective its own lemma: Russian and Ukrainian tables read `хорошо`,
    `быстро`, `довго` only as the adjective's short neuter form (`хороший`), while text uses them as adverbs
    and predicatives far more ("говорит хорошо", "это важно"), as nouns too (`право`, `добро`), so they stay
    themselves, as the dictionaries that list adverbs give them."""
    rule = ADVERBS_FROM_ADJECTIVES.get(lang)
    if rule is None:
        yield from pairs
        return
    ending, not_endings, lemma_endings = rule
    for form, lemma in pairs:
        low = form.lower()
        if (low != lemma.lower() and low.endswith(ending) and not low.endswith(not_endings)
                and lemma.lower().endswith(lemma_endings)):
            yield form, form
        else:
            yield form, lemma


def with_spelling_variants(lang: str, pairs: Iterable[Pair]) -> Iterator[Pair]:
    """The pairs, and each form holding a letter the language's text also writes another way, spelt that way too
    (the lemma as listed), unless the source lists that spelling as a form of its own: Russian `чём` (of `что`)
    gives no `чем`, which the lists have as a word of its own ("than")."""
    variants = SPELLING_VARIANTS.get(lang, ())
    if not variants:
        yield from pairs
        return
    pairs = list(pairs)
    listed = {form for form, _ in pairs}
    for form, lemma in pairs:
        yield form, lemma
        other = form
        for letter, written in variants:
            other = other.replace(letter, written)
        if other != form and other not in listed:
            yield other, lemma


def without_nominalised_adjectives(pairs: Iterable[Pair]) -> Iterator[Pair]:
    """The pairs less a capitalised form's pair whose lemma is a form of the lemma the source gives the same word
    in lowercase: German tables list each adjective form twice, as the adjective (`eigenen` -> `eigen`) and as its
    nominalisation (`Eigenen` -> `Eigene`). A model folds case, so the nominalisation's lemma, itself a form of the
    adjective, would stand beside the adjective as a lemma of every form (`eigene`, `verschiedene` stayed
    themselves). A noun whose verb the table gives its lowercase spelling keeps its pair (`Paare` -> `Paar` beside
    `paare` -> `paaren`, though the table also reads `Paar` as a form of `paaren`)."""
    pairs = list(pairs)
    lemmas_of: Dict[str, Set[str]] = {}
    for form, lemma in pairs:
        lemmas_of.setdefault(form, set()).add(lemma)
    for form, lemma in pairs:
        lowercase = lemmas_of.get(form.lower(), set()) if form[:1].isupper() and lemma != form else set()
        if (lemma not in lowercase and (lemmas_of.get(lemma, set()) | lemmas_of.get(lemma.lower(), set())) & lowercase
                and not any(other.startswith(lemma.lower()) for other in lowercase)):
            continue
        yield form, lemma

"""Adapters that let NLTK, spaCy and scikit-learn use a velmora model.

Each adapter lives in its own module and imports its library only when that module is
imported, so ``import velmora`` never pulls in NLTK, spaCy or scikit-learn:

    from velmora.integrations.nltk import VelmoraStemmer        # pip install "velmora[nltk]"
    from velmora.integrations.spacy import VelmoraLemmatizer    # pip install "velmora[spacy]"
    from velmora.integrations.sklearn import StemmingTokenizer  # pip install "velmora[sklearn]"

All of them follow `Stemmer.stem_word`: every word is stemmed by the model, a word without a stem
stands for itself (lowercased by a lowercasing model), and a token that has no UTF-8 form (a lone
surrogate, which some tokenizers let through) is left unchanged rather than failing its document.
"""
from __future__ import annotations

import os
from typing import List, Sequence, Union

from velmora._stemmer import Stemmer

ModelSpec = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]", Stemmer]


def as_stemmer(model: ModelSpec, **options: object) -> Stemmer:
    """A ready Stemmer as given, or one built over a bundled model name or a model file."""
    if isinstance(model, Stemmer):
        if options:
            raise TypeError("stemmer options apply only when a model name or path is given, not a Stemmer")
        return model
    return Stemmer(model, **options)  # type: ignore[arg-type]


def _encodable(word: str) -> bool:
    try:
        word.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


def stem_or_word(stemmer: Stemmer, word: str) -> str:
    """One token, as `stems_or_words` treats it."""
    try:
        return stemmer.stem_word(word)
    except UnicodeEncodeError:
        return word


def stems_or_words(stemmer: Stemmer, words: Sequence[str]) -> List[str]:
    """One batch call, with `Stemmer.stem_words`' results; a token with lone surrogates (no UTF-8
    form) is left unchanged, so that one bad token does not fail its whole document."""
    try:
        return stemmer.stem_words(words)
    except UnicodeEncodeError:
        fine = [_encodable(w) for w in words]
        stems = iter(stemmer.stem_words([w for w, ok in zip(words, fine) if ok]))
        return [next(stems) if ok else w for w, ok in zip(words, fine)]

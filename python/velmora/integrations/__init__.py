"""Adapters that let NLTK, spaCy and scikit-learn use a velmora model.

Each adapter lives in its own module and imports its library only when that module is
imported, so ``import velmora`` never pulls in NLTK, spaCy or scikit-learn:

    from velmora.integrations.nltk import VelmoraStemmer        # pip install "velmora[nltk]"
    from velmora.integrations.spacy import VelmoraLemmatizer    # pip install "velmora[spacy]"
    from velmora.integrations.sklearn import StemmingAnalyzer   # pip install "velmora[sklearn]"
"""
from __future__ import annotations

import os
from typing import List, Sequence, Union

from velmora._stemmer import Stemmer

ModelSpec = Union[str, "os.PathLike[str]", Stemmer]


def as_stemmer(model: ModelSpec, **options: object) -> Stemmer:
    """A ready Stemmer as given, or one built over a bundled model name or a model file."""
    if isinstance(model, Stemmer):
        if options:
            raise TypeError("stemmer options apply only when a model name or path is given, not a Stemmer")
        return model
    return Stemmer(model, **options)  # type: ignore[arg-type]


def stems_or_words(stemmer: Stemmer, words: Sequence[str]) -> List[str]:
    """One batch call; a word with no stem stands for itself.

    This deliberately avoids ``stem_words``, whose compatibility pass-through returns some
    known words (such as "cars") unstemmed: every adapter here follows ``stem``.
    """
    stems = stemmer.stem_batch(list(words))
    return [word if stem is None else stem for word, stem in zip(words, stems)]

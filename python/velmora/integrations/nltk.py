"""velmora as an NLTK stemmer: anywhere NLTK takes a ``StemmerI``, pass ``VelmoraStemmer()``.

    >>> from velmora.integrations.nltk import VelmoraStemmer
    >>> VelmoraStemmer("en").stem("cats")
    'cat'
"""
from __future__ import annotations

from typing import Iterable, List

from nltk.stem.api import StemmerI

from velmora._stemmer import Stemmer
from velmora.integrations import ModelSpec, as_stemmer, stem_or_word, stems_or_words

__all__ = ["VelmoraStemmer"]


class VelmoraStemmer(StemmerI):  # type: ignore[misc]  # nltk ships no type information
    """NLTK's stemmer interface over a velmora model.

    ``model`` is a bundled model name ("en"), a model file, or a ready ``velmora.Stemmer``;
    further keyword options go to ``velmora.Stemmer``. NLTK callers expect a string back for
    every word, so ``stem`` follows ``Stemmer.stem_word``: the word itself where the model knows
    no stem (lowercased by a lowercasing model), and a token with lone surrogates unchanged.
    Pickles as its stemmer does (a bundled model by name, others by value).
    """

    def __init__(self, model: ModelSpec = "en", **options: object) -> None:
        self._stemmer = as_stemmer(model, **options)

    @property
    def stemmer(self) -> Stemmer:
        """The velmora stemmer doing the work."""
        return self._stemmer

    def stem(self, token: str) -> str:
        return stem_or_word(self._stemmer, token)

    def stem_words(self, tokens: Iterable[str]) -> List[str]:
        """Stems of many tokens in one call into the core, same results as ``stem`` on each."""
        return stems_or_words(self._stemmer, list(tokens))

    def __repr__(self) -> str:
        return f"VelmoraStemmer({self._stemmer!r})"

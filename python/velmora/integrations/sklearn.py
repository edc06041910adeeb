"""scikit-learn adapters that stem with velmora.

The tokenizer keeps every option of the vectorizer working (its lowercasing, ``stop_words``,
``ngram_range``, ``max_df`` ...), as scikit-learn applies them around a tokenizer::

    tokenizer = StemmingTokenizer("en")
    TfidfVectorizer(tokenizer=tokenizer, token_pattern=None,
                    stop_words=tokenizer.stop_words("english"), ngram_range=(1, 2))

``token_pattern=None`` tells scikit-learn that its own pattern is not used. Stop words are
removed after tokenizing, so they are compared with stems: ``stop_words()`` adds the stems of the
stop words to them (the stem of a stop word is a stop word), which keeps scikit-learn's check of
stop words against the tokenizer quiet.

``StemmingAnalyzer`` replaces the vectorizer's whole analysis instead (scikit-learn then ignores
``stop_words`` and ``ngram_range``): ``TfidfVectorizer(analyzer=StemmingAnalyzer("en"))``.

Both are plain top-level classes (a lambda would not pickle) holding a ``velmora.Stemmer``, which
pickles by model name or by value, so a fitted vectorizer and any pipeline around it pickle and
clone. scikit-learn itself is imported only by ``stop_words("english")``.
"""
from __future__ import annotations

import re
from typing import Iterable, List, Optional, Union

from velmora._text import words_of
from velmora.integrations import ModelSpec, as_stemmer, stems_or_words

__all__ = ["StemmingAnalyzer", "StemmingTokenizer"]

# scikit-learn's own default, so switching to the analyzer changes only the stemming.
DEFAULT_TOKEN_PATTERN = r"(?u)\b\w\w+\b"


class StemmingTokenizer:
    """A tokenizer for scikit-learn's vectorizers: a document's words, stemmed in one batch.

    Words are found as ``velmora.Stemmer.stem_text`` finds them, or with ``token_pattern`` (a
    regex whose matches are the tokens, as scikit-learn's parameter of that name) when given.
    A token follows ``Stemmer.stem_word``: its stem, or itself where the model has none.
    """

    def __init__(self, model: ModelSpec = "en", *, token_pattern: Optional[str] = None) -> None:
        self.stemmer = as_stemmer(model)
        self.token_pattern = token_pattern
        self._tokens = re.compile(token_pattern) if token_pattern is not None else None

    def __call__(self, doc: str) -> List[str]:
        tokens = self._tokens.findall(doc) if self._tokens is not None else words_of(doc)
        return stems_or_words(self.stemmer, tokens)

    def stop_words(self, words: Union[str, Iterable[str]] = "english") -> List[str]:
        """The stop words with their stems added, sorted, for the vectorizer's ``stop_words``
        (which takes a list); ``"english"`` is scikit-learn's English list."""
        if isinstance(words, str):
            if words != "english":
                raise ValueError(f"stop_words(): the only named list is 'english', not {words!r}")
            from sklearn.feature_extraction.text import ENGLISH_STOP_WORDS

            words = ENGLISH_STOP_WORDS
        listed = list(words)
        stems = [stem for word in listed for stem in self(word)]
        return sorted(set(listed) | set(stems))

    def __repr__(self) -> str:
        return f"StemmingTokenizer({self.stemmer!r}, token_pattern={self.token_pattern!r})"


class StemmingAnalyzer:
    """Turns a document into a list of stems: tokenise with a regex, then stem in one batch.

    A callable analyzer replaces scikit-learn's whole analysis, so lowercasing and tokenising
    are done here, and the vectorizer's ``stop_words`` and ``ngram_range`` are not applied: use
    ``StemmingTokenizer`` for those. A token follows ``Stemmer.stem_word``.
    """

    def __init__(
        self, model: ModelSpec = "en", *, token_pattern: str = DEFAULT_TOKEN_PATTERN, lowercase: bool = True
    ) -> None:
        self.stemmer = as_stemmer(model)
        self.token_pattern = token_pattern
        self.lowercase = lowercase
        self._tokens = re.compile(token_pattern)

    def __call__(self, doc: str) -> List[str]:
        if self.lowercase:
            doc = doc.lower()
        return stems_or_words(self.stemmer, self._tokens.findall(doc))

    def __repr__(self) -> str:
        return f"StemmingAnalyzer({self.stemmer!r}, token_pattern={self.token_pattern!r}, lowercase={self.lowercase})"

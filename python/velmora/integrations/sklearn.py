"""A scikit-learn analyzer that stems with velmora.

``TfidfVectorizer(analyzer=StemmingAnalyzer("en"))`` counts stems instead of surface forms.
The analyzer is a plain top-level class (a lambda would not pickle), holding the stemmer by
its model reference, so the fitted vectorizer and any pipeline around it pickle and clone.
scikit-learn itself is not imported here: the analyzer is just a callable.
"""
from __future__ import annotations

import re
from typing import List

from velmora.integrations import ModelSpec, as_stemmer, stems_or_words

__all__ = ["StemmingAnalyzer"]

# scikit-learn's own default, so switching to this analyzer changes only the stemming.
DEFAULT_TOKEN_PATTERN = r"(?u)\b\w\w+\b"


class StemmingAnalyzer:
    """Turns a document into a list of stems: tokenise with a regex, then stem in one batch.

    A callable analyzer replaces scikit-learn's whole preprocessing, so lowercasing and
    tokenising are done here; a token the model knows no stem for is kept as it is.
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

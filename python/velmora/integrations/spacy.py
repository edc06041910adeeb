"""velmora as a spaCy pipeline component.

    nlp = spacy.blank("en")
    nlp.add_pipe("velmora_lemmatizer")                                  # sets token.lemma_
    nlp.add_pipe("velmora_lemmatizer", config={"attribute": "velmora_stem"})  # token._.velmora_stem

The factory is advertised through the ``spacy_factories`` entry point, so an installed velmora
is found by name; importing this module registers it too.
"""
from typing import Optional

from spacy.language import Language
from spacy.tokens import Doc, Token

from velmora._stemmer import Stemmer, available_models
from velmora.integrations import stems_or_words

__all__ = ["VelmoraLemmatizer", "make_velmora_lemmatizer", "default_model"]

LEMMA = "lemma"


def default_model(lang: Optional[str]) -> str:
    """The bundled model named after the pipeline's language, or English when there is none."""
    return lang if lang is not None and lang in available_models() else "en"


class VelmoraLemmatizer:
    """Writes each token's velmora stem (the token's text where there is none) to ``attribute``.

    ``attribute="lemma"`` sets ``token.lemma_``; any other name is a custom token extension,
    created on first use. Each Doc costs one batch call into the core.
    """

    def __init__(self, stemmer: Stemmer, *, attribute: str = LEMMA, name: str = "velmora_lemmatizer") -> None:
        if not attribute or "." in attribute:
            raise ValueError(f"attribute must be 'lemma' or a token extension name, not {attribute!r}")
        self.stemmer = stemmer
        self.attribute = attribute
        self.name = name
        if attribute != LEMMA and not Token.has_extension(attribute):
            Token.set_extension(attribute, default=None)

    def __call__(self, doc: Doc) -> Doc:
        stems = stems_or_words(self.stemmer, [token.text for token in doc])
        if self.attribute == LEMMA:
            for token, stem in zip(doc, stems):
                token.lemma_ = stem
        else:
            for token, stem in zip(doc, stems):
                token._.set(self.attribute, stem)
        return doc

    def __repr__(self) -> str:
        return f"VelmoraLemmatizer({self.stemmer!r}, attribute={self.attribute!r})"


@Language.factory(
    "velmora_lemmatizer",
    default_config={"model": None, "attribute": LEMMA},
    assigns=["token.lemma"],
)
def make_velmora_lemmatizer(nlp: Language, name: str, model: Optional[str], attribute: str) -> VelmoraLemmatizer:
    """``model`` is a bundled model name or a model file; unset, it follows ``nlp.lang``."""
    stemmer = Stemmer(default_model(nlp.lang) if model is None else model)
    return VelmoraLemmatizer(stemmer, attribute=attribute, name=name)

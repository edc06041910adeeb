"""velmora as a spaCy pipeline component.

    nlp = spacy.blank("en")
    nlp.add_pipe("velmora_lemmatizer")                                  # sets token.lemma_
    nlp.add_pipe("velmora_lemmatizer", config={"attribute": "velmora_stem"})  # token._.velmora_stem
    nlp = spacy.blank("bg")
    nlp.add_pipe("velmora_lemmatizer", config={"hunspell": True})  # no bundled bg: Hunspell bg_BG, built once

A pipeline language without a bundled model is an error naming the language and the models there
are, unless a model is given or ``hunspell`` asks for one built from an installed Hunspell
dictionary of the language.

The factory is advertised through the ``spacy_factories`` entry point, so an installed velmora
is found by name; importing this module registers it too.
"""
from typing import Optional

from spacy.language import Language
from spacy.tokens import Doc, Token

from velmora._registry import normalise_name
from velmora._stemmer import Stemmer, available_models
from velmora.integrations import stems_or_words

__all__ = ["VelmoraLemmatizer", "make_velmora_lemmatizer", "default_model"]

LEMMA = "lemma"


def _hunspell_name(lang: str) -> str:
    """The installed Hunspell dictionary of a language: "bg_BG" for "bg" when there is one, else
    the first "bg_*" found, else "bg" itself (whose lookup then names the folders searched)."""
    from velmora.lexicon.hunspell import search_folders

    found = sorted(p.stem for folder in search_folders() for p in folder.glob(f"{lang}_*.dic"))
    preferred = f"{lang}_{lang.upper()}"
    return preferred if preferred in found else (found[0] if found else lang)


def default_model(lang: Optional[str]) -> str:
    """The bundled model of the pipeline's language; ValueError naming the language and the
    bundled models when there is none."""
    if lang is not None and normalise_name(lang) in available_models():
        return normalise_name(lang)
    names = ", ".join(m.code for m in available_models())
    raise ValueError(
        f"velmora has no bundled model for the pipeline's language {lang!r}; available: {names}. "
        f'Give one with config={{"model": NAME_OR_PATH}}, or build one from the installed Hunspell '
        f'dictionary with config={{"hunspell": True}}'
    )


def pipeline_stemmer(lang: Optional[str], model: Optional[str], hunspell: bool) -> Stemmer:
    """The stemmer a pipeline asks for: the model given, the bundled model of its language, or,
    with ``hunspell``, a model built once from the language's Hunspell dictionary."""
    if model is not None:
        return Stemmer(model)
    if hunspell and lang is not None and normalise_name(lang) not in available_models():
        return Stemmer.from_hunspell(_hunspell_name(lang))
    return Stemmer(default_model(lang))


class VelmoraLemmatizer:
    """Writes each token's velmora stem to ``attribute``, as ``Stemmer.stem_word`` gives it (the
    token's text, lowercased by a lowercasing model, where there is none; a token with lone
    surrogates unchanged).

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
    default_config={"model": None, "attribute": LEMMA, "hunspell": False},
    assigns=["token.lemma"],
)
def make_velmora_lemmatizer(
    nlp: Language, name: str, model: Optional[str], attribute: str, hunspell: bool
) -> VelmoraLemmatizer:
    """``model`` is a bundled model name or a model file; unset, it follows ``nlp.lang``, and a
    language without a bundled model is an error, or with ``hunspell=True`` is built from the
    language's installed Hunspell dictionary (cached, see ``Stemmer.from_hunspell``)."""
    return VelmoraLemmatizer(pipeline_stemmer(nlp.lang, model, hunspell), attribute=attribute, name=name)

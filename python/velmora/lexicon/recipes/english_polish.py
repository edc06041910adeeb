"""Recipes of English and Polish, the languages with sources of their own beyond spaCy's tables: WordNet
and its exception lists for English, PoliMorf read part by part for Polish."""
from __future__ import annotations

from typing import Dict

from velmora.lexicon import readers
from velmora.lexicon.recipes.sources import FREQUENT_WORDS, Recipe, Source, closed_class_source, hunspell_source, spacy_source

WORDNET_EXCEPTIONS = Source(
    name="WordNet 3.0 exception lists",
    read=readers.read_wordnet_exceptions,
    priority=4,
    package="wordnet-base",
    package_kind="debian",
    licence="WordNet 3.0 licence (permissive)",
    notes="irregular forms of nouns, verbs, adjectives and adverbs",
)

WORDNET_LEMMAS = Source(
    name="WordNet 3.0 lemmas (index files)",
    read=readers.read_wordnet_lemmas,
    priority=1,
    package="wordnet-base",
    package_kind="debian",
    licence="WordNet 3.0 licence (permissive)",
    notes="single-word nouns, verbs, adjectives and adverbs, each its own lemma",
)

# en_US suffix flags that derive other words (-ive, -ion(s), -th, -ly, -ings, -ers, -ness, -able, -ment)
EN_US_DERIVATIONAL = "VNXHYJZPBL"
SCOWL_LICENCE = "SCOWL licence (permissive; /usr/share/doc/hunspell-en-us/copyright)"

def polimorf_non_inflection(part: str, form: str, lemma: str) -> bool:
    """PoliMorf entries that are not inflected forms of their lemma: adjective-table forms in -o other than the
    genitive -ego (adverbs such as `dużo` and compound prefixes such as `polsko-`, words of their own to SGJP and
    to users), and the
    auxiliary table's agglutinates (`-em`, `-śmy`), which are never written as words."""
    if part == "adj":
        return form.endswith("o") and not form.endswith("ego") and not lemma.endswith("o")
    if part == "aux":
        return not form.startswith("będ")
    return False


SJP_LICENCE = "sjp.pl, used under its Apache-2.0 option (GPL/LGPL/MPL/Apache-2.0/CC-SA-1.0)"

ENGLISH_POLISH_RECIPES: Dict[str, Recipe] = {
    "en": Recipe(
        lang="en",
        sources=(
            WORDNET_EXCEPTIONS,
            closed_class_source("en", 5),
            WORDNET_LEMMAS,
            spacy_source("en", 2, "WordNet 3.0 licence (data/en_license.txt); package MIT"),
            hunspell_source(
                "en_US", "hunspell-en-us", 1, lemma_priority=3, roots="inflecting", drop_flags=EN_US_DERIVATIONAL,
                weak_flags="M",
                licence=SCOWL_LICENCE, notes="inflectional suffix rules only (plural, possessive, -ed, -ing, -er, -est)",
            ),
            hunspell_source(
                "en_US", "hunspell-en-us", 1, roots="plain", drop_flags=EN_US_DERIVATIONAL, weak_flags="M", licence=SCOWL_LICENCE,
                notes="names and roots without forms of their own (geese, called): a weak claim to be a lemma",
            ),
        ),
        frequency_lang="en",
        frequent_words=FREQUENT_WORDS,
    ),
    "pl": Recipe(
        lang="pl",
        sources=(
            closed_class_source("pl", 5),
            spacy_source(
                "pl", 2, "BSD-2-Clause (PoliMorf, data/pl_license.txt); package MIT",
                notes="PoliMorf, which shares the SGJP data with morfeusz2",
                parts=("adj", "adp", "adv", "aux", "noun", "num", "pron", "verb"),
                skip=polimorf_non_inflection,
            ),
            hunspell_source(
                "pl_PL", "hunspell-pl", 2, roots="plain", licence=SJP_LICENCE,
                notes="only the roots without forms of their own: uninflected words (ale, potem, od) and listed forms",
            ),
        ),
        frequency_lang="pl",
        short_lemmas=frozenset("wz"),
        frequent_words=FREQUENT_WORDS,
    ),
}

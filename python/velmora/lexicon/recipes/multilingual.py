"""Recipes of the bundled languages beyond English and Polish.

Most come from the lemma lookup tables of spacy-lookups-data; languages without a table come from a Debian
Hunspell dictionary whose licence allows redistribution. A Hunspell dictionary is only bundled when one of its
licence options is not the GPL: the model is a derived work of its data and ships inside an Apache-2.0 wheel.
Where a table has holes (the Dutch one lacks `huizen`, `boeken`, `kinderen`) or gives a homograph's rarer lemma
(`casas` -> `casar`), a redistributable Hunspell dictionary joins it at the same priority: the candidates of
both compete by the frequency of their paradigms. Those models lose their independent gold (the benchmark
scores them against the same dictionary's `hunspell -s`), so the table stays alone where it has neither flaw.
"""
from __future__ import annotations

import functools
from typing import Callable, Dict, Iterable, Iterator, Tuple

from velmora.lexicon import readers
from velmora.lexicon.cleaning import without_nominalised_adjectives
from velmora.lexicon.closed_class import CLOSED_CLASS, SHORT_LEMMAS
from velmora.lexicon.recipes.sources import (FREQUENT_WORDS, Recipe, Source, closed_class_source, filtered, hunspell_source,
                                             spacy_source)

PACKAGE_MIT = "no licence file of its own in the package: spacy-lookups-data's MIT licence applies"

# Licence of each language's table, from the file the package ships beside it (data/<lang>_license.txt etc.).
SPACY_TABLE_LICENCES: Dict[str, str] = {
    "ca": "CC0 (Barcelona Supercomputing Center, data/ca_license.txt); package MIT",
    "cs": PACKAGE_MIT,
    "da": PACKAGE_MIT,
    "de": PACKAGE_MIT,
    "es": PACKAGE_MIT,
    "fr": PACKAGE_MIT,
    "ga": "ODbL 1.0 / DbCL 1.0 (BuNaMo, Foras na Gaeilge, data/ga_license.txt); package MIT",
    "hr": "Apache-2.0 (reldi-tagger hr.lexicon, data/hr_license.txt); package MIT",
    "hu": PACKAGE_MIT,
    "id": PACKAGE_MIT,
    "it": "LGPL or CC-BY-SA-2.0 (morph-it!, data/it_license.txt), used under the LGPL; package MIT",
    "lb": PACKAGE_MIT,
    "lt": PACKAGE_MIT,
    "nl": PACKAGE_MIT,
    "pt": PACKAGE_MIT,
    "ro": PACKAGE_MIT,
    "ru": PACKAGE_MIT,
    "sr": "Apache-2.0 (reldi-tagger sr.lexicon, data/sr_licence.txt); package MIT",
    "sv": PACKAGE_MIT,
    "tr": PACKAGE_MIT + " (data/tr_source.txt names the Zargan linguistic resources, Bilgin 2016)",
    "ur": PACKAGE_MIT,
    "mk": PACKAGE_MIT,
}

# Languages whose spaCy data also holds a rule lemmatizer (suffix rules, lemma index, exceptions), read backwards
# by readers.read_spacy_rules: below the lookup table where there is one (its holes: Catalan `gats`, `cases`),
# alone for Greek.
SPACY_RULES: Dict[str, str] = {
    "ca": PACKAGE_MIT,
    "el": PACKAGE_MIT,
    "mk": PACKAGE_MIT,
    "nl": PACKAGE_MIT,
}
# Where the rule lemmatizer's exception list (irregular forms: Dutch `kinderen`, `gemaakt`) outranks the other
# sources, which list such forms as words of their own.
TRUSTED_EXCEPTIONS = frozenset({"nl"})

# wordfreq's list ranking lemmas of equal priority: the language's own, its Serbo-Croatian (Latin script) list
# for Croatian, none where wordfreq has no list for the language (it would answer with a neighbour's) or only one
# in another script (Serbian tables are Cyrillic).
FREQUENCY_LISTS: Dict[str, str] = {"hr": "sh"}
NO_FREQUENCY_LIST = frozenset({"et", "ga", "lb", "sr"})


def frequency_list(lang: str):
    return None if lang in NO_FREQUENCY_LIST else FREQUENCY_LISTS.get(lang, lang)

# Debian Hunspell dictionaries of languages without a spaCy table: (dictionary, package, licence as the Debian
# copyright file gives it for that dictionary's folder).
HUNSPELL_ONLY: Dict[str, Tuple[str, str, str]] = {
    "sk": ("sk_SK", "hunspell-sk", "GPL-2 or LGPL-2.1 or MPL-1.1, used under the MPL-1.1"),
    "uk": ("uk_UA", "hunspell-uk", "GPL-2+ or LGPL-2.1+ or MPL-1.1, used under the MPL-1.1"),
    "lv": ("lv_LV", "hunspell-lv", "LGPL-2.1+"),
}

# spaCy languages whose table is joined by a Hunspell dictionary (dictionary, package, licence as the Debian
# copyright file gives it for that dictionary's folder). Portuguese and Hungarian stay with their tables: the
# suffix expansions of pt_BR and hu_HU (twofold suffixes) outgrew 5 and 8 GB of memory.
COMBINED_WITH_HUNSPELL: Dict[str, Tuple[str, str, str]] = {
    "da": ("da_DK", "hunspell-da", "LGPL-2.1 or GPL-2 or MPL-1.1, used under the MPL-1.1"),
    "es": ("es_ES", "hunspell-es", "GPL-3+ or LGPL-3+ or MPL-1.1+, used under the MPL-1.1"),
    "hr": ("hr_HR", "hunspell-hr", "LGPL or SISSL, used under the LGPL"),
    "id": ("id_ID", "hunspell-id", "LGPL-3"),
    "nl": ("nl_NL", "hunspell-nl", "BSD or CC-BY-3.0 (OpenTaal), used under the BSD licence"),
    "ro": ("ro_RO", "hunspell-ro", "GPL-2 or LGPL-2.1 or MPL-1.1, used under the MPL-1.1"),
    "sr": ("sr_RS", "hunspell-sr", "GPL-2+ or LGPL-2.1 or MPL-1.1, used under the MPL-1.1"),
    "sv": ("sv_SE", "hunspell-sv", "LGPL-3"),
}

# Languages that inflect by prefix (Indonesian passive di-, active meN-), so the dictionary's prefix rules are
# read too.
PREFIX_INFLECTION: frozenset = frozenset()

# Languages whose only Debian dictionaries are GPL-only (or too thin to learn from): reachable through
# Stemmer.from_hunspell on the user's machine, never bundled from Hunspell.
NOT_BUNDLED_FROM_HUNSPELL: Dict[str, str] = {
    "bg": "hunspell-bg: GPL-2 only",
    "gl": "hunspell-gl: GPL only",
    "nb": "hunspell-no: GPL-2 only (spaCy's Norwegian table has under 2,000 nouns)",
    "el": "hunspell-el: a full-form word list without affix rules (the bundled model comes from spaCy's rules)",
    "et": "myspell-et: its suffix expansion ran for minutes past 9 GB of memory (affix rules converted from ispell)",
    "sl": "hunspell-sl: its roots are stems, not lemmas (knjig for knjiga, hiš for hiša)",
    "de": "hunspell-de-de: GPL-2+ only (the bundled model comes from spaCy's table)",
    "cs": "hunspell-cs: GPL-2 only (the bundled model comes from spaCy's table)",
    "it": "hunspell-it: GPL-3 only (the bundled model comes from spaCy's table)",
    "ca": "hunspell-ca: GPL-2+ / LGPL-2.1+ mix (the bundled model comes from spaCy's table)",
}


def spacy_rules_source(lang: str, priority: int, kind: str = "all") -> Source:
    what = {"all": "rules, index and exceptions", "rules": "rules and index", "exceptions": "exceptions"}[kind]
    return Source(
        name=f"spacy-lookups-data {lang} lemma {what}",
        read=functools.partial(readers.read_spacy_rules, lang, kind=kind),
        priority=priority,
        package="spacy-lookups-data",
        package_kind="pypi",
        licence=SPACY_RULES[lang],
        notes="the forms the rule lemmatizer maps to each indexed lemma",
    )


# Languages whose spaCy stop words (articles, pronouns, prepositions, auxiliaries) are their own lemma below the
# lemma tables, where the tables do not list them; the closed-class paradigms (closed_class), above every source,
# give the lemmas of the function words the tables get wrong (German `es` -> `ich`, Dutch `het` -> `hebben`).
STOP_WORDS_AS_LEMMAS = frozenset({"cs", "de", "nl", "ro", "sv", "tr"})
# Priorities shared by every recipe: the closed-class paradigms above all, spaCy's stop words below the tables.
CLOSED_CLASS_PRIORITY = 5
STOP_WORDS_PRIORITY = 1



# Endings of the verb lemmas (infinitives) of these languages: a stop word the table gives such a lemma is a verb
# form (German `ging` -> `gehen`, Swedish `gick` -> `gå`) and keeps it.
INFINITIVE_ENDINGS: Dict[str, Tuple[str, ...]] = {
    "cs": ("t",), "de": ("n",), "nl": ("n",), "sv": ("a", "å"), "tr": ("mek", "mak"),
}


def stop_words(lang: str) -> Tuple[str, ...]:
    """spaCy's stop words of the language, less those its lemma table makes forms of a verb."""
    import importlib

    words = importlib.import_module(f"spacy.lang.{lang}.stop_words").STOP_WORDS
    endings = INFINITIVE_ENDINGS.get(lang, ())
    verb_forms = set()
    if endings:
        verb_forms = {form.lower() for form, lemma in readers.read_spacy_lookup(lang)
                      if form.lower() != lemma.lower() and lemma.lower().endswith(endings)}
    return tuple(sorted(w for w in words if w not in verb_forms))


def stop_words_source(lang: str) -> Source:
    return Source(
        name=f"spaCy {lang} stop words as their own lemma",
        read=functools.partial(lambda code: readers.read_identity(stop_words(code)), lang),
        priority=STOP_WORDS_PRIORITY,
        package="spacy",
        package_kind="pypi",
        licence="MIT (spaCy)",
        notes="function words (articles, pronouns, prepositions) as their own lemma where the table has none",
    )


def closed_class_sources(lang: str) -> Tuple[Source, ...]:
    return (closed_class_source(lang, CLOSED_CLASS_PRIORITY),) if lang in CLOSED_CLASS else ()


# Filters of a language's spaCy table, each over the whole table (see `cleaning`).
SPACY_TABLE_FILTERS: Dict[str, Callable[[Iterable[Tuple[str, str]]], Iterator[Tuple[str, str]]]] = {
    "de": without_nominalised_adjectives,
}


# Tables that give a rare homograph the whole paradigm of a common word (Russian `мира`, `миру`, `мире` -> `миро`),
# whose frequent forms the checks move to the commoner lemma. Measured on every language with a table: Russian
# lemma accuracy 0.9177 -> 0.9219 (lemmagen3), wrong merges 0.160 -> 0.159; elsewhere the moves gained at most 0.001
# and raised wrong merges by up to 0.012 (nl, ro, hr: homographs the gold keeps apart), so they stay off there.
COMMONER_LEMMA_MOVES = frozenset({"ru"})


def spacy_table_source(lang: str) -> Source:
    source = spacy_source(lang, 2, SPACY_TABLE_LICENCES[lang])
    keep = SPACY_TABLE_FILTERS.get(lang)
    if keep is None:
        return source
    return filtered(source, keep, notes=f"less the pairs `cleaning.{keep.__name__}` finds")


def spacy_recipe(lang: str) -> Recipe:
    sources: Tuple[Source, ...] = closed_class_sources(lang)
    sources += (stop_words_source(lang),) if lang in STOP_WORDS_AS_LEMMAS else ()
    if lang in SPACY_TABLE_LICENCES:
        sources += (spacy_table_source(lang),)
    if lang in TRUSTED_EXCEPTIONS:
        sources = (spacy_rules_source(lang, 3, "exceptions"),) + sources + (spacy_rules_source(lang, 1, "rules"),)
    elif lang in SPACY_RULES:
        sources += (spacy_rules_source(lang, 1),)
    if lang in COMBINED_WITH_HUNSPELL:
        dictionary, package, licence = COMBINED_WITH_HUNSPELL[lang]
        prefixes = lang in PREFIX_INFLECTION
        sources += (
            hunspell_source(
                dictionary, package, 2, roots="all", licence=licence, prefixes=prefixes,
                notes="roots and the forms their affix rules give, beside the table at the same priority",
            ),
        )
    return Recipe(
        lang=lang, sources=sources, frequency_lang=frequency_list(lang), lemmas_keep_own_frequency=True,
        short_lemmas=frozenset(SHORT_LEMMAS.get(lang, "")), frequent_words=FREQUENT_WORDS,
        commoner_lemma_moves=lang in COMMONER_LEMMA_MOVES,
    )


def hunspell_recipe(lang: str) -> Recipe:
    dictionary, package, licence = HUNSPELL_ONLY[lang]
    source: Source = hunspell_source(
        dictionary, package, 1, roots="all", licence=licence,
        notes="every root with the forms its suffix rules give; prefix rules left out",
    )
    return Recipe(lang=lang, sources=closed_class_sources(lang) + (source,), frequency_lang=frequency_list(lang),
                  lemmas_keep_own_frequency=True, short_lemmas=frozenset(SHORT_LEMMAS.get(lang, "")),
                  frequent_words=FREQUENT_WORDS)


# Languages built and measured, then left out of the bundle because they miss a quality target.
DROPPED: Dict[str, str] = {
    "tr": "wrong merges 0.55 against hunspell tr_TR roots, Snowball 0.42 (the table joins many unrelated words)",
    "ur": "held-out exact 0.449 (under 0.5): spaCy's table (29,101 pairs, causatives under their base verb) is the "
          "only redistributable source; Debian has no Urdu Hunspell dictionary, apertium-urd is GPL-3, and "
          "simplemma has no Urdu",
}

MULTILINGUAL_RECIPES: Dict[str, Recipe] = {
    **{lang: spacy_recipe(lang) for lang in sorted(set(SPACY_TABLE_LICENCES) | set(SPACY_RULES)) if lang not in DROPPED},
    **{lang: hunspell_recipe(lang) for lang in HUNSPELL_ONLY},
}

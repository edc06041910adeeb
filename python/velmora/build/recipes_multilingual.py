"""Recipes of the bundled languages beyond English and Polish.

Most come from the lemma lookup tables of spacy-lookups-data; languages without a table come from a Debian
Hunspell dictionary whose licence allows redistribution. A Hunspell dictionary is only bundled when one of its
licence options is not the GPL: the model is a derived work of its data and ships inside an Apache-2.0 wheel.
Dictionaries of the spaCy languages stay out of their recipes on purpose: the quality benchmark scores those
models against `hunspell -s`, which would not be an independent judge of a model built from the same dictionary.
"""
from __future__ import annotations

from typing import Dict, Tuple

from velmora.build.recipes import Recipe, Source, hunspell_source, spacy_source

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
}

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
    "sl": ("sl_SI", "hunspell-sl", "GPL or LGPL, used under the LGPL"),
    "et": ("et_EE", "myspell-et", "LGPL-2.1+ (word list: Institute of the Estonian Language)"),
}

# Languages whose only Debian dictionaries are GPL-only (or too thin to learn from): reachable through
# Stemmer.from_hunspell on the user's machine, never bundled from Hunspell.
NOT_BUNDLED_FROM_HUNSPELL: Dict[str, str] = {
    "bg": "hunspell-bg: GPL-2 only",
    "gl": "hunspell-gl: GPL only",
    "nb": "hunspell-no: GPL-2 only (spaCy's Norwegian table has under 2,000 nouns)",
    "el": "hunspell-el: a full-form word list without affix rules, so no form -> lemma pairs",
    "de": "hunspell-de-de: GPL-2+ only (the bundled model comes from spaCy's table)",
    "cs": "hunspell-cs: GPL-2 only (the bundled model comes from spaCy's table)",
    "it": "hunspell-it: GPL-3 only (the bundled model comes from spaCy's table)",
    "ca": "hunspell-ca: GPL-2+ / LGPL-2.1+ mix (the bundled model comes from spaCy's table)",
}


def spacy_recipe(lang: str) -> Recipe:
    return Recipe(
        lang=lang,
        sources=(spacy_source(lang, 2, SPACY_TABLE_LICENCES[lang]),),
        frequency_lang=frequency_list(lang),
    )


def hunspell_recipe(lang: str) -> Recipe:
    dictionary, package, licence = HUNSPELL_ONLY[lang]
    source: Source = hunspell_source(
        dictionary, package, 1, roots="all", licence=licence,
        notes="every root with the forms its suffix rules give; prefix rules left out",
    )
    return Recipe(lang=lang, sources=(source,), frequency_lang=frequency_list(lang))


MULTILINGUAL_RECIPES: Dict[str, Recipe] = {
    **{lang: spacy_recipe(lang) for lang in SPACY_TABLE_LICENCES},
    **{lang: hunspell_recipe(lang) for lang in HUNSPELL_ONLY},
}

"""Recipes of the bundled languages built from simplemma's lemma dictionaries.

simplemma's code is MIT; its dictionaries are compiled by its maintainers from open lexical data, one table per
language with no record of which entry came from where: Lemmatization lists (ODbL 1.0), Wiktionary entries as
packaged by kaikki.org and UniMorph (CC BY-SA), Wikinflection (CC BY 4.0), spaCy's lookup tables (MIT),
FreeLing's dictionaries (AGPL-3 unless FreeLing names another licence) and a list of closed-class words per
language mined from the training part of a Universal Dependencies treebank (the Bulgarian dictionary maps
`той`, `тя` and `вие` to `аз`, as the BTB treebank does). A model compiled from such a table is a derived
database under the share-alike terms of its inputs, so a language is only bundled where every input allows
redistribution beside Apache-2.0 code: no FreeLing dictionary (simplemma cannot say how much of one it holds)
and a treebank under CC BY-SA, never a non-commercial or GPL one. The model then ships under CC BY-SA 4.0, as
the Irish model ships under the ODbL.

Each recipe is one shape: the closed-class words where `closed_class` lists the language (Finnish: the
uninflected conjunctions and adverbs, `olla` and the negative verb), the dictionary at priority 2, and where
wordfreq has the language, its most frequent words no source lists as their own lemma, with the cross-source
checks (see `checks`). Only the dictionary is read: simplemma's suffix rules and its guesses for unlisted words
are not data.
"""
from __future__ import annotations

from typing import Dict, Iterable, Iterator, Optional, Tuple

from velmora.lexicon.cleaning import is_name
from velmora.lexicon.closed_class import SHORT_LEMMAS
from velmora.lexicon.recipes.multilingual import closed_class_sources
from velmora.lexicon.recipes.sources import FREQUENT_WORDS, Recipe, filtered, simplemma_source

Pair = Tuple[str, str]

# Languages built from simplemma's dictionaries (bundled unless DROPPED below): the wordfreq list (None where
# wordfreq lacks the language: it would answer with a neighbour's) and the treebank simplemma mined its
# closed-class words from, with its licence.
SIMPLEMMA_LANGUAGES: Dict[str, Tuple[Optional[str], str]] = {
    "eo": (None, "no treebank with a training part (UD Esperanto-PraGo is test-only)"),
    "fa": ("fa", "UD Persian-Seraji, CC BY-SA 4.0"),
    "fi": ("fi", "UD Finnish-TDT, CC BY-SA 4.0"),
    "gd": (None, "UD Scottish_Gaelic-ARCOSG"),
    "hy": (None, "UD Armenian-BSUT, CC BY-SA 4.0"),
    "is": ("is", "UD Icelandic-GC, CC BY-SA 4.0"),
    "ka": (None, "UD Georgian-GLC, CC BY-SA 4.0"),
    "ml": (None, "no treebank with a training part (UD Malayalam-UFAL is test-only)"),
    "ms": ("ms", "none (no Malay treebank)"),
    "se": (None, "UD North_Sami-Giella, CC BY-SA 4.0"),
    "sq": (None, "UD Albanian-STAF, CC BY-SA 4.0"),
}

# simplemma languages checked and not bundled, with the reason.
NOT_BUNDLED: Dict[str, str] = {
    "ar": "closed-class words from UD Arabic-PADT, CC BY-NC-SA 3.0",
    "bg": "closed-class words from UD Bulgarian-BTB, CC BY-NC-SA 3.0",
    "et": "closed-class words from UD Estonian-EWT, CC BY-NC-SA 4.0",
    "gl": "closed-class words from UD Galician-CTG, CC BY-NC-SA 3.0; FreeLing's Galician dictionary",
    "gv": "closed-class words from UD Manx-Cadhan, GPL-3",
    "he": "closed-class words from UD Hebrew-HTB, CC BY-NC-SA 4.0",
    "hi": "closed-class words from UD Hindi-HDTB, CC BY-NC-SA 4.0",
    "la": "closed-class words from UD Latin-PROIEL, CC BY-NC-SA 3.0",
    "nb": "FreeLing's Norwegian dictionary (Norsk Ordbank), which FreeLing ships under the GPL",
    "nn": "no record of the Nynorsk data's source beside the GPL Bokmål dictionary",
    "sl": "FreeLing's Slovene dictionary (Sloleks), which FreeLing ships under CC BY-NC-SA 3.0",
    "cy": "FreeLing's Welsh dictionary (Eurfa), which FreeLing ships under the GPL",
    "sw": "4.9 million forms of 4,000 lemmas, and no record of the data's source",
}


def simplemma_licence(lang: str) -> str:
    treebank = SIMPLEMMA_LANGUAGES[lang][1]
    return (
        "CC BY-SA 4.0 (simplemma's dictionary: Lemmatization lists, ODbL 1.0; Wiktionary via kaikki.org and "
        f"UniMorph, CC BY-SA; Wikinflection, CC BY 4.0; closed-class words: {treebank}); package MIT"
    )


# A lemma this short does not take a name's whole spelling as one of its forms.
NAME_HOMOGRAPH_LEMMA_LETTERS = 3


def without_name_homographs(pairs: Iterable[Pair]) -> Iterator[Pair]:
    """The pairs less those whose form is the lowercase spelling of a name the dictionary lists as its own lemma,
    mapped to a lemma of at most three letters: simplemma's Finnish maps `janne`, `jani` to `ja` and `tiina` to
    `tii` beside `Janne`, `Jani`, `Tiina`, and running text (case-folded) means the name."""
    pairs = list(pairs)
    names = {form for form, lemma in pairs if form == lemma and is_name(form)}
    for form, lemma in pairs:
        if (len(lemma) <= NAME_HOMOGRAPH_LEMMA_LETTERS and form != lemma and form[:1].islower()
                and form[:1].upper() + form[1:] in names):
            continue
        yield form, lemma


def simplemma_recipe(lang: str) -> Recipe:
    frequency = SIMPLEMMA_LANGUAGES[lang][0]
    source = filtered(
        simplemma_source(lang, 2, simplemma_licence(lang)), without_name_homographs,
        notes="every form -> lemma pair of simplemma's dictionary for the language, less a name's lowercase "
              "spelling mapped to a short word (janne -> ja)",
    )
    return Recipe(
        lang=lang, sources=closed_class_sources(lang) + (source,), frequency_lang=frequency, lemmas_keep_own_frequency=True,
        short_lemmas=frozenset(SHORT_LEMMAS.get(lang, "")), frequent_words=FREQUENT_WORDS,
    )


# Languages built from simplemma's data and measured, then left out because they miss a quality target.
DROPPED: Dict[str, str] = {
    "fa": "wrong merges 0.541 against lemmagen3's fa model, Snowball 0.499 (held-out exact 0.459; joined by spaCy's "
          "Persian rules, held-out 0.611 but wrong merges 0.592): rare words stemmed to frequent short ones "
          "(`دین` -> `این`, `بد` -> `به`, `رایان` -> `را`)",
    "gd": "held-out exact 0.317 (under 0.5): 74,000 forms of 16,000 lemmas, initial mutations and irregular plurals "
          "a suffix trie cannot learn from so few",
}

SIMPLEMMA_RECIPES: Dict[str, Recipe] = {
    lang: simplemma_recipe(lang) for lang in sorted(SIMPLEMMA_LANGUAGES) if lang not in DROPPED
}

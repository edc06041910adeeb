"""Per-language facts for the quality benchmark: where its frequency list, gold analyser and peers come from.

One row per language the benchmark knows; the benchmark scores the bundled models among them. A field is
None where nothing suitable exists:
- wordfreq: the wordfreq code of the frequency list. wordfreq silently answers an unsupported code with its
  nearest supported language (Irish with English, Luxembourgish with German), so only codes whose list really
  is the language are named here; its Serbo-Croatian list is in Latin script and does not fit the Cyrillic
  Serbian model.
- gold: analysers that can serve as gold (bench/quality_gold.py), best first; every installed one is scored, each
  a line of its own, and the first one the bundled model was not built from is the language's headline gold.
  The learned lemmatizers (lemmagen3, lemmy, cs_core_news_sm) come first where they cover a language: they share
  no data with the sources, while a Hunspell dictionary is often one of them. Without one only held-out figures
  are reported.
- snowball: the PyStemmer algorithm name.
- simplemma: simplemma's language code.
- spacy: the language prefix of spacy-lookups-data's lemma tables.
- before: the source dictionary in ../shared/data the previous bundled model was compiled from.
- peers_from_gold_data: peers known to be built from the data the gold analyser uses (their lemma accuracy
  is then not independent); velmora's own models are checked against their recorded sources instead.
- speller: the Hunspell dictionary of the non-word check (bench/quality_nonwords.py); by default the one
  serving as gold.
"""
from __future__ import annotations

from dataclasses import dataclass
from typing import Dict, Optional, Tuple


@dataclass(frozen=True)
class Language:
    code: str
    wordfreq: Optional[str] = None
    gold: Tuple[str, ...] = ()
    snowball: Optional[str] = None
    simplemma: Optional[str] = None
    spacy: Optional[str] = None
    before: Optional[str] = None
    peers_from_gold_data: Tuple[str, ...] = ()
    speller: Optional[str] = None

    def spell_dictionary(self) -> Optional[str]:
        if self.speller is not None:
            return self.speller
        return next((g.split(":", 1)[1] for g in self.gold if g.startswith("hunspell:")), None)


def _rows(*rows: Language) -> Dict[str, Language]:
    return {row.code: row for row in rows}


LANGUAGES: Dict[str, Language] = _rows(
    Language("en", "en", ("lemminflect", "lemmagen3:en"), "english", "en", "en", "en_US.tsv.gz", speller="en_US"),
    # spaCy's Polish tables are PoliMorf, which holds the SGJP data behind morfeusz2 (see pl_license.txt there)
    Language("pl", "pl", ("morfeusz2", "lemmagen3:pl"), "polish", "pl", "pl", "pl_PL.tsv.gz",
             peers_from_gold_data=("spaCy lookup",), speller="pl_PL"),
    Language("bg", "bg", ("lemmagen3:bg", "hunspell:bg_BG"), None, "bg", None),
    Language("ca", "ca", ("hunspell:ca",), "catalan", "ca", "ca"),
    Language("cs", "cs", ("cs_core_news_sm", "lemmagen3:cs", "hunspell:cs_CZ"), "czech", "cs", "cs"),
    Language("da", "da", ("lemmy", "hunspell:da_DK"), "danish", "da", "da"),
    Language("de", "de", ("lemmagen3:de", "hunspell:de_DE"), "german", "de", "de"),
    # el_GR is a full-form word list without affix rules: `hunspell -s` gives every word as its own root
    Language("el", "el", ("hunspell:el_GR",), "greek", "el", "el"),
    Language("es", "es", ("lemmagen3:es", "hunspell:es_ES"), "spanish", "es", "es"),
    Language("et", None, ("hunspell:et_EE",), "estonian", "et", None),
    Language("eu", None, ("hunspell:eu_ES",), "basque", None, None),
    Language("fa", "fa", ("lemmagen3:fa",), "persian", "fa", None),
    Language("fi", "fi", ("voikko:fi",), "finnish", "fi", None),
    Language("fr", "fr", ("lemmagen3:fr", "hunspell:fr_FR"), "french", "fr", "fr"),
    Language("ga", None, (), "irish", "ga", "ga"),
    Language("gl", None, ("hunspell:gl_ES",), None, "gl", None),
    Language("hr", "sh", ("lemmagen3:hr", "hunspell:hr_HR"), None, "hbs", "hr"),
    Language("hu", "hu", ("lemmagen3:hu", "hunspell:hu_HU"), "hungarian", "hu", "hu"),
    Language("hy", None, (), "armenian", "hy", None),
    Language("id", "id", ("hunspell:id_ID",), "indonesian", "id", "id"),
    Language("is", "is", ("hunspell:is_IS",), None, "is", None),
    Language("it", "it", ("lemmagen3:it", "hunspell:it_IT"), "italian", "it", "it"),
    Language("ka", None, (), None, "ka", None),
    Language("lb", None, (), None, "lb", "lb"),
    Language("lt", "lt", ("hunspell:lt_LT",), "lithuanian", "lt", "lt"),
    Language("lv", "lv", ("hunspell:lv_LV",), None, "lv", None),
    Language("mk", "mk", ("lemmagen3:mk",), None, "mk", "mk"),
    Language("nb", "nb", ("hunspell:nb_NO",), "norwegian", "nb", "nb"),
    Language("nl", "nl", ("hunspell:nl_NL",), "dutch", "nl", "nl"),
    Language("pt", "pt", ("hunspell:pt_PT",), "portuguese", "pt", "pt"),
    Language("ro", "ro", ("lemmagen3:ro", "hunspell:ro_RO"), "romanian", "ro", "ro"),
    Language("ru", "ru", ("lemmagen3:ru", "hunspell:ru_RU"), "russian", "ru", "ru"),
    Language("sk", "sk", ("lemmagen3:sk", "hunspell:sk_SK"), None, "sk", None),
    Language("sl", "sl", ("lemmagen3:sl", "hunspell:sl_SI"), None, "sl", None),
    Language("sq", None, (), None, "sq", None),
    Language("sr", None, (), "serbian", None, "sr"),
    Language("sv", "sv", ("hunspell:sv_SE",), "swedish", "sv", "sv"),
    Language("tl", "fil", (), None, "tl", "tl"),
    Language("tr", "tr", ("hunspell:tr_TR",), "turkish", "tr", "tr"),
    Language("uk", "uk", ("lemmagen3:uk", "hunspell:uk_UA"), None, "uk", None),
    Language("ur", "ur", (), None, None, "ur"),
)


def language(code: str) -> Language:
    """The table's row, or for a bundled language the table does not know yet, a row guessed from what the
    installed packages cover under the same code: peers by code or Snowball's English name, a Hunspell
    dictionary of the language as gold, a frequency list only when wordfreq has that very language."""
    if code in LANGUAGES:
        return LANGUAGES[code]
    import wordfreq

    snowball = None
    try:
        import Stemmer
        from velmora._registry import LANGUAGE_NAMES

        snowball = next((n for n in LANGUAGE_NAMES.get(code, ()) if n in Stemmer.algorithms()), None)
    except ImportError:
        pass
    listed = code if code in wordfreq.available_languages() else None
    return Language(code, listed, (f"hunspell:{code}",), snowball, code, code)

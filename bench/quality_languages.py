"""Per-language facts for the quality benchmark: where its frequency list, gold analyser and peers come from.

One row per language the benchmark knows; the benchmark scores the bundled models among them. A field is
None where nothing suitable exists:
- wordfreq: the wordfreq code of the frequency list. wordfreq silently answers an unsupported code with its
  nearest supported language (Irish with English, Luxembourgish with German), so only codes whose list really
  is the language are named here; its Serbo-Croatian list is in Latin script and does not fit the Cyrillic
  Serbian model.
- gold: an independent analyser (bench/quality_gold.py); without one only held-out figures are reported.
- snowball: the PyStemmer algorithm name.
- simplemma: simplemma's language code.
- spacy: the language prefix of spacy-lookups-data's lemma tables.
- before: the source dictionary in ../shared/data the previous bundled model was compiled from.
- peers_from_gold_data: peers known to be built from the data the gold analyser uses (their lemma accuracy
  is then not independent); velmora's own models are checked against their recorded sources instead.
"""
from __future__ import annotations

from dataclasses import dataclass
from typing import Dict, Optional, Tuple


@dataclass(frozen=True)
class Language:
    code: str
    wordfreq: Optional[str] = None
    gold: Optional[str] = None
    snowball: Optional[str] = None
    simplemma: Optional[str] = None
    spacy: Optional[str] = None
    before: Optional[str] = None
    peers_from_gold_data: Tuple[str, ...] = ()


def _rows(*rows: Language) -> Dict[str, Language]:
    return {row.code: row for row in rows}


LANGUAGES: Dict[str, Language] = _rows(
    Language("en", "en", "lemminflect", "english", "en", "en", "en_US.tsv.gz"),
    # spaCy's Polish tables are PoliMorf, which holds the SGJP data behind morfeusz2 (see pl_license.txt there)
    Language("pl", "pl", "morfeusz2", "polish", "pl", "pl", "pl_PL.tsv.gz", peers_from_gold_data=("spaCy lookup",)),
    Language("bg", "bg", None, None, "bg", None),
    Language("ca", "ca", None, "catalan", "ca", "ca"),
    Language("cs", "cs", None, "czech", "cs", "cs"),
    Language("da", "da", None, "danish", "da", "da"),
    Language("de", "de", None, "german", "de", "de"),
    Language("el", "el", None, "greek", "el", "el"),
    Language("es", "es", None, "spanish", "es", "es"),
    Language("et", None, None, "estonian", "et", None),
    Language("eu", None, None, "basque", None, None),
    Language("fa", "fa", None, "persian", "fa", None),
    Language("fi", "fi", None, "finnish", "fi", None),
    Language("fr", "fr", None, "french", "fr", "fr"),
    Language("ga", None, None, "irish", "ga", "ga"),
    Language("gl", None, None, None, "gl", None),
    Language("hr", "sh", None, None, "hbs", "hr"),
    Language("hu", "hu", None, "hungarian", "hu", "hu"),
    Language("hy", None, None, "armenian", "hy", None),
    Language("id", "id", None, "indonesian", "id", "id"),
    Language("is", "is", None, None, "is", None),
    Language("it", "it", None, "italian", "it", "it"),
    Language("lb", None, None, None, "lb", "lb"),
    Language("lt", "lt", None, "lithuanian", "lt", "lt"),
    Language("lv", "lv", None, None, "lv", None),
    Language("mk", "mk", None, None, "mk", "mk"),
    Language("nb", "nb", None, "norwegian", "nb", "nb"),
    Language("nl", "nl", None, "dutch", "nl", "nl"),
    Language("pt", "pt", None, "portuguese", "pt", "pt"),
    Language("ro", "ro", None, "romanian", "ro", "ro"),
    Language("ru", "ru", None, "russian", "ru", "ru"),
    Language("sk", "sk", None, None, "sk", None),
    Language("sl", "sl", None, None, "sl", None),
    Language("sr", None, None, "serbian", None, "sr"),
    Language("sv", "sv", None, "swedish", "sv", "sv"),
    Language("tl", "fil", None, None, "tl", "tl"),
    Language("tr", "tr", None, "turkish", "tr", "tr"),
    Language("uk", "uk", None, None, "uk", None),
    Language("ur", "ur", None, None, None, "ur"),
)

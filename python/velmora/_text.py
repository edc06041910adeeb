"""What counts as a word in running text, for `Stemmer.stem_text` and the `velmora stem` command.

A word is a run of word characters: letters, digits and the underscore (Python's ``\\w``) and
combining marks (Unicode categories Mn, Mc and Me, so that decomposed accents and the vowel signs of
Indic scripts stay inside their word). An apostrophe (' or U+2019) between two such runs joins them
("don't", "l'homme"); everything else (spaces, punctuation, hyphens, symbols) separates words.

Streams are tokenized chunk by chunk, holding back only the word that may continue in the next
chunk, so memory stays bounded whatever the length of a line. A run longer than ``MAX_WORD_CHARS``
characters is cut into pieces of that length.
"""
from __future__ import annotations

import re
import sys
import unicodedata
from functools import lru_cache
from typing import Iterable, Iterator, List, Pattern

APOSTROPHES = "'\u2019"
MAX_WORD_CHARS = 1 << 16


def _mark_ranges() -> str:
    """The combining marks as a character-class body of ranges (about 300, built in under 0.1 s)."""
    ranges: List[List[int]] = []
    for code in range(sys.maxunicode + 1):
        if unicodedata.category(chr(code))[0] == "M":
            if ranges and ranges[-1][1] == code - 1:
                ranges[-1][1] = code
            else:
                ranges.append([code, code])
    return "".join(re.escape(chr(a)) if a == b else f"{re.escape(chr(a))}-{re.escape(chr(b))}" for a, b in ranges)


@lru_cache(maxsize=1)
def word_pattern() -> Pattern[str]:
    char = rf"[\w{_mark_ranges()}]"
    return re.compile(rf"{char}+(?:[{APOSTROPHES}]{char}+)*")


def words_of(text: str) -> List[str]:
    """The words of a text, in order."""
    return word_pattern().findall(text)


def stream_words(chunks: Iterable[str]) -> Iterator[str]:
    """The words of a text given in pieces, as `words_of` finds them in the whole text.

    The last word of a chunk is held back when it reaches the chunk's end (or stops one apostrophe
    short of it), since the next chunk may continue it; a held word longer than `MAX_WORD_CHARS` is
    given out in pieces of that length, which bounds what is held.
    """
    pattern = word_pattern()
    held = ""
    for chunk in chunks:
        if not chunk:
            continue
        text = held + chunk
        held = ""
        start = 0
        for match in pattern.finditer(text):
            if match.end() >= len(text) - 1 and (match.end() == len(text) or text[-1] in APOSTROPHES):
                start = match.start()
                held = text[start:]
                break
            yield match.group()
        while len(held) > MAX_WORD_CHARS:
            yield held[:MAX_WORD_CHARS]
            held = held[MAX_WORD_CHARS:]
    if held:
        yield from pattern.findall(held)

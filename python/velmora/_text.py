"""What counts as a word in running text, for `Stemmer.stem_text` and the `velmora stem` command.

A word is a run of word characters: letters, digits and the underscore (Python's ``\\w``), combining
marks (Unicode categories Mn, Mc and Me, so that decomposed accents and the vowel signs of Indic
scripts stay inside their word) and U+FFFD (so that a byte replaced by ``--errors replace`` stays in
its word), starting with one that is not a mark. An apostrophe (' or U+2019) between two such runs
joins them ("don't", "l'homme"); everything else (spaces, punctuation, hyphens, symbols) separates
words.

Streams are tokenized chunk by chunk, holding back only the word that may continue in the next
chunk, so memory stays bounded whatever the length of a line. A run longer than ``MAX_WORD_CHARS``
characters is cut into pieces of that length.
"""
from __future__ import annotations

import re
import sys
import unicodedata
from functools import lru_cache
from typing import Iterable, Iterator, List, Pattern, Tuple

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


# ASCII text, the common case, takes the short pattern: the long class of marks costs twice the time.
_ASCII_WORD = re.compile(r"\w+(?:'\w+)*", re.ASCII)


@lru_cache(maxsize=1)
def _patterns() -> Tuple[Pattern[str], Pattern[str]]:
    """The word pattern for any text, and the pattern of a text's last run of characters that a
    following chunk may continue (matched on the reversed text)."""
    inside = rf"\w{_mark_ranges()}\ufffd"
    word = re.compile(rf"[\w\ufffd][{inside}]*(?:[{APOSTROPHES}][{inside}]+)*")
    tail = re.compile(rf"[{inside}{APOSTROPHES}]*")
    return word, tail


def word_pattern() -> Pattern[str]:
    return _patterns()[0]


def words_of(text: str) -> List[str]:
    """The words of a text, in order."""
    return (_ASCII_WORD if text.isascii() else _patterns()[0]).findall(text)


def stream_word_lists(chunks: Iterable[str]) -> Iterator[List[str]]:
    """The words of a text given in pieces, a list per piece, as `words_of` finds them in the
    whole text.

    Each chunk is cut before its last run of word characters and apostrophes, which the next chunk
    may continue; the run is held back and put before that chunk. A held run longer than
    `MAX_WORD_CHARS` is given out in pieces of that length, which bounds what is held.
    """
    tail = _patterns()[1]
    held = ""
    for chunk in chunks:
        if not chunk:
            continue
        text = held + chunk
        cut = len(text) - tail.match(text[::-1]).end()
        if cut:
            yield words_of(text[:cut])
        held = text[cut:]
        if len(held) > MAX_WORD_CHARS:
            pieces = len(held) // MAX_WORD_CHARS
            yield [held[i * MAX_WORD_CHARS : (i + 1) * MAX_WORD_CHARS] for i in range(pieces)]
            held = held[pieces * MAX_WORD_CHARS :]
    if held:
        yield words_of(held)


def stream_words(chunks: Iterable[str]) -> Iterator[str]:
    """`stream_word_lists`, one word at a time."""
    for words in stream_word_lists(chunks):
        yield from words

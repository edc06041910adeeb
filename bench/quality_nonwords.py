"""The non-word check of the quality benchmark: does a system turn common words into words nobody writes?

Of the language's most frequent words (wordfreq order) that its Hunspell dictionary accepts, as written or
capitalised, the first `size` are stemmed; an output counts as a non-word when Hunspell rejects it both as
written and capitalised (German nouns are only accepted capitalised). An output equal to its word is never a
non-word, since the word is known. This is what a user trying a stemmer on ordinary text notices first
(`nous` -> `nou`, `когда` -> `когд`).
"""
from __future__ import annotations

import subprocess
from dataclasses import dataclass
from typing import Callable, List, Optional, Sequence, Set

from quality_gold import _hunspell_available, _hunspell_dictionary

SIZE = 1000
# How far down the frequency list to look for `size` words the dictionary knows.
LOOK_AT = 5000


def capitalised(word: str) -> str:
    return word[:1].upper() + word[1:]


def rejected(dictionary: str, words: Sequence[str]) -> Set[str]:
    """The words Hunspell rejects both as given and capitalised (`hunspell -l` prints the rejected ones)."""
    unique = sorted(set(words))
    if not unique:
        return set()
    asked = [variant for w in unique for variant in (w, capitalised(w))]
    done = subprocess.run(["hunspell", "-i", "utf-8", "-l", "-d", str(_hunspell_dictionary(dictionary))],
                          input="\n".join(asked) + "\n", capture_output=True, text=True, encoding="utf-8",
                          check=True)
    refused = set(done.stdout.split())
    return {w for w in unique if w in refused and capitalised(w) in refused}


@dataclass
class NonWordList:
    dictionary: str
    words: List[str]  # the frequent words the dictionary accepts, most frequent first


def known_frequent_words(wordfreq_code: str, dictionary: str, size: int = SIZE) -> Optional[NonWordList]:
    """The `size` most frequent alphabetic words that `dictionary` accepts; None without the dictionary."""
    if not _hunspell_available(dictionary):
        return None
    import wordfreq

    seen: List[str] = []
    for word in wordfreq.top_n_list(wordfreq_code, LOOK_AT):
        word = word.lower()
        if word.isalpha() and word not in seen:
            seen.append(word)
    refused = rejected(dictionary, seen)
    return NonWordList(dictionary, [w for w in seen if w not in refused][:size])


def non_words(listed: NonWordList, outputs: Callable[[Sequence[str]], Sequence[Optional[str]]]):
    """(count, examples) of the listed words whose output Hunspell rejects; examples as (word, output)."""
    out = [(o if o is not None else w).lower() for w, o in zip(listed.words, outputs(listed.words))]
    refused = rejected(listed.dictionary, [o for w, o in zip(listed.words, out) if o != w])
    bad = [(w, o) for w, o in zip(listed.words, out) if o != w and o in refused]
    return len(bad), bad

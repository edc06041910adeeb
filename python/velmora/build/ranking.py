"""Ranking: which lemma a form gets first, expressed as the counts the trie builder compares.

Every source has a priority (a higher number is more trusted). Each lemma is also a candidate lemma of itself,
with the best priority of any source that names it as a lemma, so a form that is also a lemma (`number`, `od`)
competes fairly with the other lemmas it is listed under (`numb`, `oda`). The candidates of a form are ordered by
  1. the highest priority of a source listing the pair,
  2. the word frequency of the lemma (wordfreq Zipf value, when the recipe names a frequency language),
  3. the number of sources listing the pair,
  4. the lemma itself (so that the order never depends on reading order).
A form with k candidates gives its first candidate the weight k, the next k-1, down to 1; the weight becomes the
builder's count, the identity candidate's weight the count of the identity rule, so the order above is exactly the
order of `stem_all` and `stem` returns the first candidate.
"""
from __future__ import annotations

import math
from typing import Callable, Dict, Iterable, List, Optional, Tuple

Pair = Tuple[str, str]
WeightedPair = Tuple[str, str, int]
Frequency = Callable[[str], float]


def no_frequency(word: str) -> float:
    return 0.0


def zipf_frequency_table(lang: str) -> Frequency:
    """Zipf frequency (log10 of occurrences per billion words) from wordfreq; 0 for an unknown word."""
    from wordfreq import get_frequency_dict

    table = get_frequency_dict(lang, wordlist="best")

    def zipf(word: str) -> float:
        f = table.get(word)
        return math.log10(f * 1e9) if f else 0.0

    return zipf


class CandidateTable:
    """Candidate lemmas per form, with the best priority and the number of sources naming each pair."""

    def __init__(self) -> None:
        self._best: Dict[str, Dict[str, int]] = {}
        self._votes: Dict[Pair, int] = {}

    def add_source(self, pairs: Iterable[Pair], priority: int) -> None:
        seen = set()
        for form, lemma in pairs:
            for pair in ((form, lemma), (lemma, lemma)):
                if pair in seen:
                    continue
                seen.add(pair)
                lemmas = self._best.setdefault(pair[0], {})
                if lemmas.get(pair[1], priority - 1) < priority:
                    lemmas[pair[1]] = priority
                self._votes[pair] = self._votes.get(pair, 0) + 1

    def ranked(self, frequency: Optional[Frequency] = None) -> List[WeightedPair]:
        """All pairs, sorted by form then lemma, weighted by the rank of the lemma among the form's candidates."""
        freq = frequency or no_frequency
        out: List[WeightedPair] = []
        for form in sorted(self._best):
            lemmas = self._best[form]
            if len(lemmas) == 1:
                out.append((form, next(iter(lemmas)), 1))
                continue
            order = sorted(
                lemmas,
                key=lambda lemma: (-lemmas[lemma], -round(freq(lemma), 2), -self._votes[(form, lemma)], lemma),
            )
            k = len(order)
            out.extend((form, lemma, k - i) for i, lemma in sorted(enumerate(order), key=lambda x: x[1]))
        return out

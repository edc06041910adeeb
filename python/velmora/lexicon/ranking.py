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
from typing import AbstractSet, Callable, Dict, Iterable, List, Optional, Sequence, Tuple

from velmora.lexicon.cleaning import clean_pair, is_name

Pair = Tuple[str, str]
WeightedPair = Tuple[str, str, int]
Frequency = Callable[[str], float]


def no_frequency(word: str) -> float:
    return 0.0


def word_frequency_table(lang: str) -> Frequency:
    """Frequency of a word in running text (a share of all words) from wordfreq; 0 for an unknown word.

    wordfreq stores its words case-folded, so a word is looked up case-folded too: German `schließen` is listed
    as `schliessen`, and read as written it would count as never used."""
    from wordfreq import get_frequency_dict

    table = get_frequency_dict(lang, wordlist="best")
    return lambda word: table.get(word, 0.0) or table.get(word.casefold(), 0.0)


def zipf(frequency: float) -> float:
    return math.log10(frequency * 1e9) if frequency > 0 else 0.0


class CandidateTable:
    """Candidate lemmas per form, with the best priority and the number of sources naming each pair."""

    def __init__(self) -> None:
        self._best: Dict[str, Dict[str, int]] = {}
        self._votes: Dict[Pair, int] = {}

    def add_source(
        self,
        pairs: Iterable[Pair],
        priority: int,
        lemma_priority: Optional[int] = None,
        short_lemmas: AbstractSet[str] = frozenset(),
        drop: AbstractSet[Pair] = frozenset(),
        trusted: bool = False,
    ) -> None:
        """Adds a source's raw pairs (cleaned here); a pair (word, word) gets `lemma_priority` (default `priority`),
        the lemma of every other pair becomes a candidate of itself with `priority`, and a pair whose lemma is a
        name (`Stronie`, `Numbers`) ranks just below the source's common words. Cleaned pairs in `drop` (those
        the cross-source checks failed) are left out; `trusted` as for `clean_pair`."""
        listed = 2 * (priority if lemma_priority is None else lemma_priority)
        plain = 2 * priority
        best: Dict[Pair, int] = {}
        for raw_form, raw_lemma in pairs:
            pair = clean_pair(raw_form, raw_lemma, short_lemmas, trusted)
            if pair is None or pair in drop:
                continue
            form, lemma = pair
            demote = 1 if is_name(raw_lemma.strip()) else 0
            if form == lemma:
                p = listed - demote
                best[pair] = max(best.get(pair, p), p)
            else:
                p = plain - demote
                best[pair] = max(best.get(pair, p), p)
                best[(lemma, lemma)] = max(best.get((lemma, lemma), p), p)
        for pair, p in best.items():
            lemmas = self._best.setdefault(pair[0], {})
            if lemmas.get(pair[1], p - 1) < p:
                lemmas[pair[1]] = p
            self._votes[pair] = self._votes.get(pair, 0) + 1

    def lists(self, form: str) -> bool:
        return form in self._best

    def lemmas(self) -> set:
        """Every candidate lemma of every form."""
        return {lemma for lemmas in self._best.values() for lemma in lemmas}

    def add_missing(self, words: Sequence[str], priority: int = 0) -> List[str]:
        """Each word no source listed as a form becomes its own lemma with `priority`; returns those words in
        the order given."""
        added = []
        for word in words:
            if word not in self._best:
                self._best[word] = {word: 2 * priority}
                self._votes[(word, word)] = 1
                added.append(word)
        return added

    def ranked(
        self, frequency: Optional[Frequency] = None, identity_margin: float = 1.0, lemmas_keep_own_frequency: bool = False
    ) -> List[WeightedPair]:
        """All pairs, sorted by form then lemma, weighted by the rank of the lemma among the form's candidates.

        Within one priority, a candidate lemma scores the frequency of its other forms: the frequency of the word
        being stemmed says nothing about which lemma it belongs to, while the rest of a paradigm does (`różnych`
        goes with the common forms of `różny`, `potem` stays itself beside the rare forms of `pot`). A form that
        competes as its own lemma adds its own frequency divided by 10**identity_margin, since that frequency
        also counts its uses as a form of the other candidates.

        With `lemmas_keep_own_frequency`, a form that is also a candidate lemma of itself adds its frequency to
        that lemma only: Spanish `casa` is mostly the noun, so its frequency must not make `casar` the likelier
        lemma of `casas`. Tables that list one lemma per form, homographs included, need this.
        """
        freq = frequency or no_frequency
        mass: Dict[str, float] = {}
        for form, lemmas in self._best.items():
            f = freq(form)
            if f:
                for lemma in self._mass_lemmas(form, lemmas, lemmas_keep_own_frequency):
                    mass[lemma] = mass.get(lemma, 0.0) + f
        discount = 10.0 ** -identity_margin

        def score(form: str, lemma: str) -> float:
            f = freq(form)
            counted = lemma in self._mass_lemmas(form, self._best[form], lemmas_keep_own_frequency)
            rest = max(mass.get(lemma, 0.0) - (f if counted else 0.0), 0.0)
            return round(zipf(rest + f * discount if lemma == form else rest), 3)

        out: List[WeightedPair] = []
        for form in sorted(self._best):
            lemmas = self._best[form]
            if len(lemmas) == 1:
                out.append((form, next(iter(lemmas)), 1))
                continue
            order = sorted(
                lemmas,
                key=lambda lemma: (-lemmas[lemma], -score(form, lemma), -self._votes[(form, lemma)], lemma),
            )
            k = len(order)
            out.extend((form, lemma, k - i) for i, lemma in sorted(enumerate(order), key=lambda x: x[1]))
        return out

    @staticmethod
    def _mass_lemmas(form: str, lemmas: Dict[str, int], lemmas_keep_own_frequency: bool):
        if lemmas_keep_own_frequency and form in lemmas:
            return (form,)
        return lemmas

"""The quality measures of bench/quality.py, kept free of any model or data so they can be checked by hand.

A scored word list is three parallel facts per word: its weight (frequency in running text), its gold
lemmas (a non-empty set; words the gold analyser does not know are left out before scoring) and the
system's output for it. Outputs and lemmas are compared lowercased.
"""
from __future__ import annotations

import hashlib
from collections import defaultdict
from typing import Dict, Iterable, List, Mapping, Sequence, Set, Tuple


def lemma_accuracy(weights: Sequence[float], gold: Sequence[Set[str]], out: Sequence[str]) -> float:
    """Share of the weight whose output is one of the word's gold lemmas."""
    total = sum(weights)
    if total == 0:
        return float("nan")
    hit = sum(w for w, g, o in zip(weights, gold, out) if o.lower() in g)
    return hit / total


def wrong_merge_flags(gold: Sequence[Set[str]], out: Sequence[str]) -> List[bool]:
    """Per word: does another listed word share its output while sharing none of its gold lemmas?

    Words are grouped by output; within a group a word is merged rightly with exactly those members
    that share at least one lemma with it (itself included), so it is wrongly merged when that set is
    smaller than the group.
    """
    groups: Dict[str, List[int]] = defaultdict(list)
    for i, o in enumerate(out):
        groups[o.lower()].append(i)
    flags = [False] * len(out)
    for members in groups.values():
        if len(members) < 2:
            continue
        by_lemma: Dict[str, Set[int]] = defaultdict(set)
        for i in members:
            for lemma in gold[i]:
                by_lemma[lemma].add(i)
        for i in members:
            related: Set[int] = {i}
            for lemma in gold[i]:
                related |= by_lemma[lemma]
            flags[i] = len(related) < len(members)
    return flags


def wrong_merges(weights: Sequence[float], gold: Sequence[Set[str]], out: Sequence[str]) -> float:
    """Share of the weight on words that are wrongly merged (see wrong_merge_flags)."""
    total = sum(weights)
    if total == 0:
        return float("nan")
    return sum(w for w, bad in zip(weights, wrong_merge_flags(gold, out)) if bad) / total


def lemmas_by_form(pairs: Iterable[Tuple[str, str, object]]) -> Dict[str, Set[str]]:
    """Training pairs (form, lemma, weight) -> each distinct form's listed lemmas, lowercased."""
    lemmas: Dict[str, Set[str]] = defaultdict(set)
    for form, lemma, *_ in pairs:
        lemmas[form.lower()].add(lemma.lower())
    return dict(lemmas)


def is_held_out(form: str, seed: str = "velmora-quality", share_in_ten: int = 1) -> bool:
    """A fixed pseudo-random choice of about share_in_ten/10 of all forms, the same on every machine and run
    (Python's own str hash is salted per process, so a keyed digest is used instead)."""
    digest = hashlib.blake2b(form.lower().encode("utf-8"), digest_size=8, key=seed.encode("utf-8")).digest()
    return int.from_bytes(digest, "little") % 10 < share_in_ten


def split_held_out(pairs: Sequence[Tuple[str, str, object]], seed: str = "velmora-quality"):
    """Training pairs -> (pairs kept for training, held-out forms with their listed lemmas).

    A form is held out with all of its pairs: keeping one of its lemmas in training would let the model
    know the word."""
    held = {form for form in lemmas_by_form(pairs) if is_held_out(form, seed)}
    kept = [p for p in pairs if p[0].lower() not in held]
    held_lemmas = lemmas_by_form(p for p in pairs if p[0].lower() in held)
    return kept, held_lemmas


def form_scores(lemmas: Mapping[str, Set[str]], out: Mapping[str, str]) -> Dict[str, float]:
    """Unweighted scores over a set of forms: 'exact' = output among the form's lemmas, 'unchanged' = output
    is the form itself (the model left it alone)."""
    n = len(lemmas)
    if n == 0:
        return {"forms": 0, "exact": float("nan"), "unchanged": float("nan")}
    exact = sum(1 for f, ls in lemmas.items() if out[f].lower() in ls)
    unchanged = sum(1 for f in lemmas if out[f].lower() == f)
    return {"forms": n, "exact": exact / n, "unchanged": unchanged / n}

"""Compiles weighted (form, lemma, weight) pairs into a compiled image.

The pairs are written as source dictionary text, which gives exact control over every count: one line per lemma
gives its identity rule the count 1, each further line with only the lemma adds 1, and a form repeated k times on
the lemma's line gives its rule the count k. The identity rule of a lemma therefore gets the weight of the pair
(lemma, lemma), or 1 when the pairs do not contain it.
"""
from __future__ import annotations

from typing import Dict, Iterable, List, Tuple

from velmora import _velmora

WeightedPair = Tuple[str, str, int]


def source_text(pairs: Iterable[WeightedPair]) -> str:
    by_lemma: Dict[str, List[str]] = {}
    identity: Dict[str, int] = {}
    for form, lemma, weight in pairs:
        if weight < 1:
            raise ValueError(f"weight of {form!r} -> {lemma!r} must be at least 1, got {weight}")
        forms = by_lemma.get(lemma)
        if forms is None:
            forms = by_lemma[lemma] = []
        if form == lemma:
            identity[lemma] = identity.get(lemma, 0) + weight
        elif weight == 1:
            forms.append(form)
        else:
            forms.extend([form] * weight)
    lines: List[str] = []
    for lemma in sorted(by_lemma):
        forms = by_lemma[lemma]
        forms.sort()
        forms.insert(0, lemma)
        lines.append("\t".join(forms))
        extra = identity.get(lemma, 1) - 1
        if extra > 0:
            lines.extend([lemma] * extra)
    lines.append("")
    return "\n".join(lines)


def compile_pairs(pairs: Iterable[WeightedPair], *, backward: bool = True, lowercase: bool = True) -> bytes:
    """The compiled image (the bytes `TrieBuilder.to_bytes` would give) of weighted pairs.

    The output depends only on the set of pairs, not on their order.
    """
    source = source_text(pairs).encode("utf-8")
    builder = _velmora.TrieBuilder.from_bytes(source, backward=backward, store_original=True, lowercase=lowercase)
    return builder.to_bytes()

"""From a language's recipe to training pairs and a compiled model."""
from __future__ import annotations

import os
from typing import List, Optional, Tuple

from velmora.build.compiler import compile_pairs
from velmora.build.ranking import CandidateTable, Frequency, word_frequency_table
from velmora.build.recipes import Recipe, recipe

WeightedPair = Tuple[str, str, int]


def ranked_pairs(rec: Recipe, frequency: Optional[Frequency] = None) -> List[WeightedPair]:
    table = CandidateTable()
    for source in rec.sources:
        table.add_source(source.read(), source.priority, source.lemma_priority, rec.short_lemmas)
    if frequency is None and rec.frequency_lang:
        frequency = word_frequency_table(rec.frequency_lang)
    return table.ranked(frequency, rec.identity_margin)


def training_pairs(lang: str) -> List[WeightedPair]:
    """The (form, lemma, weight) pairs the bundled model of `lang` is compiled from: lowercased, combined over the
    recipe's sources by priority, one entry per distinct pair, sorted."""
    return ranked_pairs(recipe(lang))


def build_model(lang: str, out_path: Optional[str] = None) -> bytes:
    """Compiles the model of `lang`; writes it to `out_path` when given. Returns the image bytes."""
    image = compile_pairs(training_pairs(lang))
    if out_path is not None:
        tmp = f"{out_path}.tmp"
        with open(tmp, "wb") as f:
            f.write(image)
        os.replace(tmp, out_path)
    return image

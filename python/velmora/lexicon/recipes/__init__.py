"""Which sources each bundled language is built from, with their priorities and provenance: one table row per
language (`english_polish`, `multilingual`, `simplemma_languages`), built from the pieces in `sources`."""
from __future__ import annotations

from typing import Dict

from velmora.lexicon.recipes.english_polish import ENGLISH_POLISH_RECIPES
from velmora.lexicon.recipes.multilingual import MULTILINGUAL_RECIPES
from velmora.lexicon.recipes.simplemma_languages import SIMPLEMMA_RECIPES
from velmora.lexicon.recipes.sources import Recipe, Source

RECIPES: Dict[str, Recipe] = {**ENGLISH_POLISH_RECIPES, **MULTILINGUAL_RECIPES, **SIMPLEMMA_RECIPES}


def recipe(lang: str) -> Recipe:
    try:
        return RECIPES[lang]
    except KeyError:
        raise ValueError(f"no model recipe for {lang!r}; known: {', '.join(sorted(RECIPES))}") from None


__all__ = ["RECIPES", "Recipe", "Source", "recipe"]

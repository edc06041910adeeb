"""Model building: turns lexical sources (Hunspell pairs, form->lemma lists, treebanks, exception lists)
into ranked word -> lemma rules and compiles them into bundled or user models."""
from velmora.lexicon.compiler import compile_pairs
from velmora.lexicon.pipeline import build_model, ranked_pairs, recipe_from_files, training_pairs
from velmora.lexicon.recipes import RECIPES, Recipe, Source, recipe

__all__ = ["RECIPES", "Recipe", "Source", "build_model", "compile_pairs", "ranked_pairs", "recipe", "recipe_from_files",
           "training_pairs"]

"""From a language's recipe to training pairs and a compiled model."""
from __future__ import annotations

import errno
import functools
import os
from typing import List, Optional, Sequence, Tuple, Union

from velmora import _velmora
from velmora.lexicon import readers
from velmora.lexicon.compiler import compile_pairs
from velmora.lexicon.checks import candidate_table
from velmora.lexicon.ranking import Frequency, word_frequency_table
from velmora.lexicon.recipes import Recipe, Source, recipe

WeightedPair = Tuple[str, str, int]


def ranked_pairs(rec: Recipe, frequency: Optional[Frequency] = None) -> List[WeightedPair]:
    if frequency is None and rec.frequency_lang:
        frequency = word_frequency_table(rec.frequency_lang)
    table, _ = candidate_table(rec, frequency)  # sources read, cross-checked and filled in (see `checks`)
    return table.ranked(frequency, rec.identity_margin, rec.lemmas_keep_own_frequency)


def training_pairs(lang: str) -> List[WeightedPair]:
    """The (form, lemma, weight) pairs the bundled model of `lang` is compiled from: lowercased, combined over the
    recipe's sources by priority, one entry per distinct pair, sorted."""
    return ranked_pairs(recipe(lang))


def build_model(lang_or_recipe: Union[str, Recipe], out_path: Optional[str] = None) -> bytes:
    """Compiles the model of a language (or of a recipe); writes it to `out_path` when given, replacing the file
    whole or not at all (the extension's one writer, `_velmora._write_file`). Returns the image."""
    if out_path is not None and (os.fspath(out_path).endswith(os.sep) or os.path.isdir(out_path)):
        # Said before the build, not after it: a folder cannot be replaced by a model.
        raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), out_path)
    rec = recipe(lang_or_recipe) if isinstance(lang_or_recipe, str) else lang_or_recipe
    image = compile_pairs(ranked_pairs(rec))
    if out_path is not None:
        _velmora._write_file(out_path, image)
    return image


def recipe_from_files(
    tsv: Sequence[str] = (),
    conllu: Sequence[str] = (),
    hunspell: Sequence[str] = (),
    frequency_lang: Optional[str] = None,
) -> Recipe:
    """A recipe over a user's own sources. Form -> lemma lists are trusted most, then treebanks, then Hunspell
    dictionaries (suffix rules only); within a kind, files given earlier rank higher."""
    sources: List[Source] = []
    kinds = (
        ("form/lemma list", tsv, readers.read_tsv_pairs),
        ("CoNLL-U treebank", conllu, readers.read_conllu),
        ("Hunspell dictionary", hunspell, readers.read_hunspell),
    )
    priority = sum(len(files) for _, files, _ in kinds)
    for kind, files, read in kinds:
        for path in files:
            sources.append(
                Source(
                    name=f"{kind} {path}", read=functools.partial(read, path), priority=priority,
                    package="", package_kind="file", licence="as given by the user",
                )
            )
            priority -= 1
    if not sources:
        raise ValueError("no sources given")
    return Recipe(lang="custom", sources=tuple(sources), frequency_lang=frequency_lang)

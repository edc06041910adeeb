"""The recipes built from simplemma's dictionaries: what their reader leaves out of a dictionary."""
import pytest

from velmora.lexicon.recipes.simplemma_languages import without_name_homographs


@pytest.mark.parametrize(
    "pairs, kept",
    [
        # a name's lowercase spelling mapped to a short word is the name's homograph
        ([("Janne", "Janne"), ("janne", "ja"), ("ja", "ja")], [("Janne", "Janne"), ("ja", "ja")]),
        # a longer lemma keeps the form: `anna` is the imperative of `antaa` as much as the name
        ([("Anna", "Anna"), ("anna", "antaa")], [("Anna", "Anna"), ("anna", "antaa")]),
        # no name spelt so: the form keeps its short lemma
        ([("jan", "ja"), ("ja", "ja")], [("jan", "ja"), ("ja", "ja")]),
        # a capitalised entry that is a form of another word is no name of its own
        ([("Jani", "Janne"), ("jani", "ja")], [("Jani", "Janne"), ("jani", "ja")]),
    ],
)
def test_name_homographs_of_short_words_are_left_out(pairs, kept):
    assert list(without_name_homographs(pairs)) == kept

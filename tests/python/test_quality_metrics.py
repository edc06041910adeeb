"""The quality benchmark's measures on inputs small enough to score by hand."""
import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "bench"))

from quality_metrics import (  # noqa: E402
    form_scores,
    is_held_out,
    lemma_accuracy,
    lemmas_by_form,
    split_held_out,
    wrong_merge_flags,
    wrong_merges,
)


@pytest.mark.parametrize(
    "weights, gold, out, expected",
    [
        ([3, 1], [{"go"}, {"be"}], ["go", "is"], 0.75),
        ([1, 1], [{"go"}, {"be"}], ["GO", "Be"], 1.0),  # outputs are compared lowercased
        ([2, 2], [{"saw", "see"}, {"mouse"}], ["see", "mice"], 0.5),  # any of several lemmas counts
        ([5], [{"run"}], ["runn"], 0.0),
    ],
)
def test_lemma_accuracy(weights, gold, out, expected):
    assert lemma_accuracy(weights, gold, out) == pytest.approx(expected)


@pytest.mark.parametrize(
    "gold, out, expected",
    [
        # a word alone with its output is never merged, however wrong the output
        ([{"be"}], ["x"], [False]),
        # two words of one lemma meeting is what a stemmer is for
        ([{"be"}, {"be"}], ["be", "be"], [False, False]),
        # two unrelated words meeting are both wrongly merged
        ([{"is"}, {"i"}], ["i", "i"], [True, True]),
        # relatedness is not transitive: the middle word shares a lemma with each side, the sides share none
        ([{"saw"}, {"saw", "see"}, {"see"}], ["s", "s", "s"], [True, False, True]),
        # one unrelated member in a group is enough to flag every word it shares nothing with
        ([{"run"}, {"run"}, {"turn"}], ["run", "run", "run"], [True, True, True]),
        # different case is the same output
        ([{"polish"}, {"polish"}, {"pole"}], ["Pol", "pol", "pole"], [False, False, False]),
        ([{"polish"}, {"pole"}], ["Pol", "pol"], [True, True]),
    ],
)
def test_wrong_merge_flags(gold, out, expected):
    assert wrong_merge_flags(gold, out) == expected


def test_wrong_merges_weighs_the_flagged_words():
    # "is" and "i" meet (both wrong), "was" stands alone: (3 + 1) / (3 + 1 + 4)
    assert wrong_merges([3, 1, 4], [{"be"}, {"i"}, {"be"}], ["i", "i", "was"]) == pytest.approx(0.5)


def test_lemmas_by_form_lowercases_and_unions():
    pairs = [("Geese", "goose", 5), ("geese", "geese", 1), ("ran", "run", 1)]
    assert lemmas_by_form(pairs) == {"geese": {"goose", "geese"}, "ran": {"run"}}


def test_form_scores_by_hand():
    lemmas = {"geese": {"goose"}, "ran": {"run"}, "run": {"run"}, "psy": {"pies"}}
    out = {"geese": "goose", "ran": "ran", "run": "run", "psy": "ps"}
    # exact: geese, run; unchanged: ran, run
    assert form_scores(lemmas, out) == {"forms": 4, "exact": 0.5, "unchanged": 0.5}


def test_held_out_split_is_a_fixed_tenth_of_whole_forms():
    forms = [f"w{i:05d}" for i in range(20_000)]
    pairs = [(f, f[:3], 1) for f in forms] + [(f, f[:4], 1) for f in forms[:100]]
    kept, held = split_held_out(pairs)
    assert 0.09 < len(held) / len(forms) < 0.11
    kept_forms = {f for f, _, _ in kept}
    assert kept_forms.isdisjoint(held) and kept_forms | set(held) == set(forms)
    # a held-out form leaves training with all of its lemmas, and is scored against all of them
    assert all(held[f] == {f[:3], f[:4]} for f in forms[:100] if f in held)
    assert split_held_out(pairs) == (kept, held)


@pytest.mark.parametrize("form", ["Geese", "ŻÓŁW", "Ab"])
def test_held_out_choice_ignores_case(form):
    assert is_held_out(form) == is_held_out(form.lower())


def test_held_out_choice_depends_on_the_seed():
    forms = [f"w{i}" for i in range(2000)]
    assert [is_held_out(f, "a") for f in forms] != [is_held_out(f, "b") for f in forms]

"""Candidate ranking and pair compilation of velmora.lexicon: the lemma ranked first is the one `stem` returns."""
import random

import pytest

from velmora._velmora import TrieBuilder
from velmora.lexicon import compile_pairs
from velmora.lexicon.ranking import CandidateTable


def stemmer(pairs):
    return TrieBuilder.from_bytes(compile_pairs(pairs)).build()


def ranked(sources, frequencies=None, identity_margin=1.0):
    table = CandidateTable()
    for pairs, priority, lemma_priority in sources:
        table.add_source(pairs, priority, lemma_priority)
    freq = (lambda w: frequencies.get(w, 0.0)) if frequencies else None
    return table.ranked(freq, identity_margin)


def first_lemmas(pairs):
    best = {}
    for form, lemma, weight in pairs:
        if weight > best.get(form, ("", 0))[1]:
            best[form] = (lemma, weight)
    return {form: lemma for form, (lemma, _) in best.items()}


def test_form_that_is_also_a_lemma_prefers_the_lemma_of_the_stronger_source():
    # geese is listed as a word of its own by a dictionary, and as the plural of goose by an exception list
    pairs = ranked([([("geese", "goose")], 3, None), ([("geese", "geese"), ("goose", "goose")], 1, 2)])
    assert first_lemmas(pairs)["geese"] == "goose"
    s = stemmer(pairs)
    assert s.stem("geese") == "goose"
    assert s.stem_all("geese") == ["goose", "geese"]
    assert s.stem("goose") == "goose"


def test_identity_with_a_paradigm_of_its_own_beats_a_rarely_used_lemma():
    # number is the comparative of numb and a lemma with forms of its own; equal priority, frequency decides
    source = [("number", "numb"), ("numbers", "number"), ("numbered", "number"), ("numbed", "numb")]
    freq = {"number": 3e-4, "numbers": 1e-4, "numbered": 1e-5, "numb": 2e-6, "numbed": 1e-7}
    s = stemmer(ranked([(source, 2, None)], freq))
    assert [s.stem(w) for w in ("number", "numbers", "numbed")] == ["number", "number", "numb"]


def test_frequent_form_does_not_win_by_its_own_frequency():
    # dzieci (children) is commoner than dziecko, but it is a form of dziecko; a dictionary also lists it as a root
    source = [("dzieci", "dziecko"), ("dziecka", "dziecko"), ("dzieckiem", "dziecko")]
    freq = {"dzieci": 6e-5, "dziecko": 2e-5, "dziecka": 2e-5, "dzieckiem": 5e-6}
    pairs = ranked([(source, 2, None), ([("dzieci", "dzieci")], 2, None)], freq)
    assert stemmer(pairs).stem("dzieci") == "dziecko"


def test_higher_priority_beats_frequency():
    pairs = ranked([([("left", "leave")], 1, None), ([("left", "lefty")], 2, None)], {"leave": 1e-3})
    assert first_lemmas(pairs)["left"] == "lefty"


def test_names_rank_below_common_words_of_the_same_source():
    pairs = ranked([([("Numbers", "Numbers"), ("numbers", "number")], 2, None)], {"numbers": 1e-3})
    assert first_lemmas(pairs)["numbers"] == "number"


@pytest.mark.parametrize("identity_weight, expected", [(1, "lemma"), (3, "word")])
def test_identity_weight_is_the_count_of_the_identity_rule(identity_weight, expected):
    lemma_of_word = "lemma"
    s = stemmer([("word", lemma_of_word, 2), ("word", "word", identity_weight), ("words", "word", 1)])
    assert s.stem("word") == (lemma_of_word if expected == "lemma" else "word")


def test_weights_below_one_are_refused():
    with pytest.raises(ValueError):
        compile_pairs([("cats", "cat", 0)])


def test_same_pairs_in_any_order_give_the_same_bytes():
    pairs = [("cats", "cat", 1), ("ran", "run", 2), ("ran", "ran", 1), ("running", "run", 1), ("geese", "goose", 1)]
    shuffled = pairs[:]
    random.Random(7).shuffle(shuffled)
    assert compile_pairs(pairs) == compile_pairs(shuffled) == compile_pairs(list(reversed(pairs)))


def test_ranking_does_not_depend_on_source_reading_order():
    a = [("saw", "see"), ("saws", "saw"), ("saw", "saw")]
    one = ranked([(a, 2, None)], {"see": 1e-3, "saws": 1e-6})
    two = ranked([(list(reversed(a)), 2, None)], {"see": 1e-3, "saws": 1e-6})
    assert one == two


@pytest.mark.parametrize("backward", [True, False])
@pytest.mark.parametrize("lowercase", [True, False])
def test_compiled_pairs_are_the_compile_function_s_bytes(tmp_path, backward, lowercase):
    from velmora import _velmora
    from velmora.lexicon.compiler import source_text

    pairs = [("Runs", "run", 2), ("ran", "run", 1), ("geese", "goose", 3), ("walk", "walk", 4)]
    source, out = tmp_path / "pairs.tsv", tmp_path / "model.vmc"
    source.write_text(source_text(pairs), encoding="utf-8")
    _velmora.compile(str(source), str(out), backward=backward, store_original=True, lowercase=lowercase)
    assert compile_pairs(pairs, backward=backward, lowercase=lowercase) == out.read_bytes()

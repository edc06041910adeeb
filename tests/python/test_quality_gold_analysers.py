"""The learned lemmatizers serving as weak gold in the quality benchmark: each maps words to their lemma sets."""
import importlib.util
import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "bench"))

from quality_gold import gold_analyser  # noqa: E402


def installed(module: str) -> bool:
    return importlib.util.find_spec(module) is not None


@pytest.mark.parametrize("gold, module, words, expected", [
    # German nouns are learned capitalised: the lowercase word of the frequency list still finds its lemma
    ("lemmagen3:de", "lemmagen3", ["häuser", "ging"], [{"haus"}, {"gehen"}]),
    ("lemmagen3:ru", "lemmagen3", ["мне"], [{"я"}]),
    # the lemma of every word class: `huse` is the plural of `hus` and the verb `huse` (to house)
    ("lemmy", "lemmy", ["huse", "gik"], [{"hus", "huse"}, {"gå"}]),
    ("cs_core_news_sm", "cs_core_news_sm", ["domy", "jsem"], [{"dům"}, {"být"}]),
])
def test_learned_gold_gives_lemmas(gold, module, words, expected):
    if not installed(module):
        pytest.skip(f"{module} not installed")
    analyser = gold_analyser(gold)
    assert analyser.available()
    assert analyser.make()(words) == expected


@pytest.mark.parametrize("gold, sources, shared", [
    ("lemmagen3:de", "spacy-lookups-data de lemma lookup", False),
    ("lemmy", "lemmy da lemmas", True),
    ("cs_core_news_sm", "pypi:cs-core-news-sm", True),
])
def test_a_model_built_from_the_gold_is_recognised(gold, sources, shared):
    assert any(marker in sources for marker in gold_analyser(gold).markers) == shared


def test_lemmagen3_gold_of_a_language_it_lacks_is_unavailable():
    if not installed("lemmagen3"):
        pytest.skip("lemmagen3 not installed")
    assert not gold_analyser("lemmagen3:zz").available()

"""Which gold the quality benchmark scores a language against, and when it flags a model as built from it."""
import pathlib
import sys

import pytest

pytest.importorskip("lemminflect")
pytest.importorskip("morfeusz2")
pytest.importorskip("wordfreq")
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "bench"))

from quality import choose_gold, gold_lines, provenance_entry  # noqa: E402
from quality_languages import Language  # noqa: E402


@pytest.mark.parametrize(
    "golds, sources, expected",
    [
        (("lemminflect",), "", ("lemminflect", False)),
        # the only gold is the model's own source: still scored, but flagged
        (("lemminflect",), "wordnet; lemminflect lemmas", ("lemminflect", True)),
        # an independent gold further down the list beats a shared one
        (("morfeusz2", "lemminflect"), "polimorf tables", ("lemminflect", False)),
        # a gold that is not installed is passed over
        (("hunspell:zz_ZZ", "lemminflect"), "", ("lemminflect", False)),
        (("hunspell:zz_ZZ",), "", (None, False)),
        ((), "", (None, False)),
    ],
)
def test_choose_gold(golds, sources, expected):
    assert choose_gold(Language("xx", "xx", golds), sources) == expected


@pytest.mark.parametrize(
    "golds, sources, expected",
    [
        # every installed gold is a line of its own, the independent ones first, flagged ones after
        (("morfeusz2", "lemminflect"), "polimorf tables", [("lemminflect", False), ("morfeusz2", True)]),
        (("lemminflect", "hunspell:zz_ZZ", "morfeusz2"), "", [("lemminflect", False), ("morfeusz2", False)]),
        ((), "", []),
    ],
)
def test_gold_lines(golds, sources, expected):
    assert gold_lines(Language("xx", "xx", golds), sources) == expected


@pytest.mark.parametrize(
    "record, expected",
    [
        ({"pl": {"sources": ["a"]}, "en": {}}, {"sources": ["a"]}),
        ({"models": {"pl": {"sources": ["b"]}}}, {"sources": ["b"]}),
        ({"models": [{"code": "en"}, {"code": "pl", "source": "c"}]}, {"code": "pl", "source": "c"}),
        ([{"code": "en"}], {}),
        ("not a record", {}),
    ],
)
def test_provenance_entry(record, expected):
    assert provenance_entry(record, "pl") == expected

"""The quality benchmark's non-word check, against a tiny Hunspell dictionary written here."""
import pathlib
import shutil
import sys

import pytest

if shutil.which("hunspell") is None:
    pytest.skip("needs the hunspell program", allow_module_level=True)
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "bench"))

import quality_nonwords  # noqa: E402
from quality_nonwords import NonWordList, non_words, rejected  # noqa: E402


@pytest.fixture
def dictionary(tmp_path, monkeypatch):
    (tmp_path / "xx.aff").write_text("SET UTF-8\n", encoding="utf-8")
    words = ["nous", "toujours", "Garten", "garen", "alors"]
    (tmp_path / "xx.dic").write_text(f"{len(words)}\n" + "\n".join(words) + "\n", encoding="utf-8")
    monkeypatch.setattr(quality_nonwords, "_hunspell_dictionary", lambda name: tmp_path / "xx")
    return "xx"


def test_a_word_is_rejected_only_when_neither_written_nor_capitalised_is_known(dictionary):
    # `garten` is only known capitalised, as German nouns are
    assert rejected(dictionary, ["nou", "garten", "garen", "toujour", "alors"]) == {"nou", "toujour"}


def test_outputs_that_are_not_words_are_counted_and_unchanged_words_never(dictionary):
    listed = NonWordList(dictionary, ["nous", "toujours", "alors", "garten"])
    stems = {"nous": "nou", "toujours": "toujour", "alors": None, "garten": "garen"}
    count, examples = non_words(listed, lambda words: [stems[w] for w in words])
    assert (count, examples) == (2, [("nous", "nou"), ("toujours", "toujour")])

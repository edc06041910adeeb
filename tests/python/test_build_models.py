"""The bundled en and pl models give the lemmas a reader expects, and know every word they were trained on."""
import hashlib

import pytest

from velmora._velmora import StemmerCore
from velmora._stemmer import model_path

EN_EXPECTED = {
    # words the previous model cut to another word (is -> i, return -> turn, number -> numb)
    "is": "be", "as": "as", "has": "have", "his": "his", "only": "only", "return": "return",
    "default": "default", "input": "input", "products": "product", "context": "context", "display": "display",
    "remove": "remove", "under": "under", "path": "path", "number": "number", "passed": "pass", "after": "after",
    # irregular forms and a family the previous model split
    "geese": "goose", "mice": "mouse", "was": "be", "gave": "give", "returned": "return", "returns": "return",
    "children": "child", "went": "go", "better": "good", "running": "run", "studies": "study",
}
PL_EXPECTED = {
    "psy": "pies", "biegały": "biegać", "ogrodach": "ogród", "dzieci": "dziecko", "poszli": "pójść",
    "od": "od", "potem": "potem", "domami": "dom", "psami": "pies", "książki": "książka", "ludzi": "człowiek",
    "byłam": "być", "ze": "z", "dużo": "dużo",
}


@pytest.fixture(scope="module")
def en():
    return StemmerCore(model_path("en"))


@pytest.fixture(scope="module")
def pl():
    return StemmerCore(model_path("pl"))


@pytest.mark.parametrize("word, lemma", sorted(EN_EXPECTED.items()))
def test_english_lemma(en, word, lemma):
    assert en.stemWord(word) == lemma


@pytest.mark.parametrize("word, lemma", sorted(PL_EXPECTED.items()))
def test_polish_lemma(pl, word, lemma):
    assert pl.stemWord(word) == lemma


def _sample(forms, share):
    """A fixed pseudo-random sample, the same on every machine (str hashes are salted per process)."""
    return [f for f in forms if hashlib.blake2b(f.encode(), digest_size=4).digest()[0] < 256 * share]


def test_english_known_words_stem_to_a_listed_lemma(en):
    pytest.importorskip("spacy_lookups_data")
    pytest.importorskip("wordfreq")
    from velmora.lexicon import training_pairs

    listed = {}
    for form, lemma, _ in training_pairs("en"):
        listed.setdefault(form, set()).add(lemma)
    sample = _sample(sorted(listed), 0.05)
    assert len(sample) > 2000
    wrong = [(f, en.stemWord(f)) for f in sample if en.stemWord(f) not in listed[f]]
    assert wrong == []

"""Property tests: any word/stem rule added to a builder is what the built stemmer returns."""
from hypothesis import given, settings
from hypothesis import strategies as st

from velmora._velmora import TrieBuilder

# Letters with case pairs, accents and CJK. Commands are text and cannot carry
# surrogates, so a character outside the BMP survives only where it is kept, not
# where it must be inserted (see test_inserted_non_bmp_characters_become_replacement).
ALPHABET = "abcdeoszAEÉéłżß中"
words = st.text(alphabet=ALPHABET, min_size=1, max_size=12)


@settings(max_examples=150, deadline=None)
@given(rules=st.lists(st.tuples(words, words), min_size=1, max_size=8), backward=st.booleans())
def test_set_rules_are_returned_exactly(rules, backward):
    b = TrieBuilder.from_bytes(b"", backward=backward, lowercase=False, store_original=False)
    for word, stem in rules:
        b.set(word, stem)
    final = dict(rules)
    s = b.build(lookup="last", cache_size=0)
    for word, stem in final.items():
        if word != stem:
            assert s.stem(word) == stem


@settings(max_examples=100, deadline=None)
@given(word=words)
def test_image_round_trip_keeps_results(word):
    b = TrieBuilder.from_bytes("run\trunning\ncat\tcats\n".encode(), lowercase=False)
    b.add(word, word[:1])
    again = TrieBuilder.from_bytes(b.to_bytes(), lowercase=False)
    assert again.to_bytes() == b.to_bytes()
    assert again.build().stem_all(word) == b.build().stem_all(word)


def test_inserted_non_bmp_characters_become_replacement():
    b = TrieBuilder.from_bytes(b"", store_original=False)
    b.set("a", "\U0001F600")
    b.set("b\U0001F600", "\U0001F600")
    s = b.build(lookup="last")
    assert s.stem("a") == "\ufffd\ufffd"
    assert s.stem("b\U0001F600") == "\U0001F600"

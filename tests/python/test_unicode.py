"""Keys follow one pinned Unicode version, whatever the machine's Unicode libraries."""

import gzip

import pytest

import velmora
from velmora import StemmerCore, TrieBuilder


def test_unicode_version_is_public_and_pinned():
    assert "unicode_version" in velmora.__all__
    assert velmora.unicode_version == "15.0.0"


def removing_diacritics(image: bytes) -> bytes:
    """`image` with diacriticProcessingMode=REMOVE in its metadata."""
    stream = gzip.decompress(image)
    length = int.from_bytes(stream[16:18], "big")
    meta = stream[18 : 18 + length].replace(b"diacriticProcessingMode=AS_IS", b"diacriticProcessingMode=REMOVE")
    return stream[:16] + len(meta).to_bytes(2, "big") + meta + stream[18 + length :]


@pytest.mark.parametrize(
    "mark, dropped",
    [
        ("\u0301", True),  # COMBINING ACUTE ACCENT
        ("\U00011F00", True),  # KAWI SIGN CANDRABINDU: a non-spacing mark since Unicode 15.0
        ("\U0001E5EE", False),  # unassigned in 15.0 (a mark of Unicode 16.0): kept
        ("\u0903", False),  # DEVANAGARI SIGN VISARGA: a spacing mark stays
    ],
)
def test_diacritic_removal_drops_the_non_spacing_marks_of_the_pinned_version(tmp_path, write_dict, mark, dropped):
    path = tmp_path / "remove.vmc"
    path.write_bytes(removing_diacritics(TrieBuilder(write_dict("cafe\tcafes\n")).to_bytes()))
    stemmer = StemmerCore(str(path))
    assert (stemmer.stem(f"CAFE{mark}S") == "cafe") is dropped


@pytest.mark.parametrize(
    "entry, word, stem",
    [
        ("i\u0307zmir\ti\u0307zmirs", "\u0130ZMIRS", "i\u0307zmir"),  # İ lowercases to i + U+0307
        ("\u03bf\u03b4\u03bf\u03c3\t\u03bf\u03b4\u03bf\u03c3\u03b1", "\u039f\u0394\u039f\u03a3\u0391", "\u03bf\u03b4\u03bf\u03c3"),
    ],
)
def test_lowercasing_uses_the_full_mappings(write_dict, entry, word, stem):
    assert StemmerCore(write_dict(entry + "\n")).stem(word) == stem


def test_a_source_dictionary_lowercases_a_final_sigma_in_context(write_dict):
    # ΟΔΟΣ in the dictionary becomes οδος with a final sigma; so does the word, stemmed whole.
    stemmer = StemmerCore(write_dict("\u039f\u0394\u039f\u03a3\t\u039f\u0394\u039f\u03a3\u0395\u03a3\n"))
    assert stemmer.stem("\u03bf\u03b4\u03bf\u03c3\u03b5\u03c2") == "\u03bf\u03b4\u03bf\u03c2"

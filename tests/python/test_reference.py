"""End-to-end cross-check against outputs computed independently from the same rules."""
import gzip
import hashlib

import pytest

from conftest import REFERENCE
from velmora._velmora import StemmerCore

EN_STREAM_SHA256 = "33ec04479b5c11befa6ff43b88fbac7374fc19fe5ee4bb1395ae53b9dc712313"


def test_english_trie_stream_matches_reference(en_image):
    with open(en_image, "rb") as f:
        image = f.read()
    assert image[:10] == bytes.fromhex("1f8b08000000000000ff")
    stream = gzip.decompress(image)
    assert len(stream) == 922_328
    assert hashlib.sha256(stream).hexdigest() == EN_STREAM_SHA256


@pytest.mark.parametrize("source", ["dictionary", "image"])
def test_every_english_word_stems_like_the_reference(en_source, en_image, source):
    ref = REFERENCE / "en_US.stems.tsv.gz"
    if not ref.exists():
        pytest.skip("reference outputs not present")
    s = StemmerCore(en_source if source == "dictionary" else en_image)
    rows = [line.rstrip("\n").split("\t") for line in gzip.open(ref, "rt", encoding="utf-8")]
    words = [r[0] for r in rows]
    stems = s.stem_batch(words)
    alls = s.stem_all_batch(words)
    mismatches = [
        (r[0], r[1], stem, r[2], "|".join(every))
        for r, stem, every in zip(rows, stems, alls)
        if r[1] != ("None" if stem is None else stem) or r[2] != "|".join(every)
    ]
    assert len(rows) == 178_785
    assert mismatches[:5] == []

"""Hostile and extreme inputs: nothing crashes, leaks or recurses with the input's size."""
import gzip
import os
import resource
import threading

import pytest

from velmora._velmora import StemmerCore, TrieBuilder

LONG = 1_000_000


def test_very_long_word_through_builder():
    b = TrieBuilder.from_bytes(b"run\truns\n")
    b.add("a" * LONG, "a")
    image = b.to_bytes()
    s = b.build()
    assert s.stem("a" * LONG) == "a"
    assert TrieBuilder.from_bytes(image).build().stem("a" * LONG) == "a"


def test_very_long_word_in_a_dictionary(write_dict):
    path = write_dict("b\t" + "b" * LONG + "\nrun\truns\n")
    s = StemmerCore(path)
    assert s.stem("b" * LONG) == "b"
    assert s.stem("runs") == "run"


def test_long_runs_encode_and_apply():
    # Deleting more than 55,199 units needs several delete pairs.
    word = "x" * 120_000 + "ab"
    b = TrieBuilder.from_bytes(b"")
    b.add(word, "ab", count=1)
    assert b.build(lookup="last").stem(word) == "ab"


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer's operator new aborts instead of throwing")
def test_memory_exhaustion_is_a_memory_error():
    b = TrieBuilder.from_bytes(b"")
    with pytest.raises(MemoryError):
        b.add("a" * 250_000, "b" * 250_000)  # the edit table would need hundreds of GB
    assert b.build().stem("a") is None


@pytest.mark.parametrize(
    "data, message",
    [
        (b"LXTR", "unexpected end of trie stream"),
        (b"LXTR\x00\x00\x00\x08", "unsupported trie stream version 8 (expected 7)"),
        (b"LXTR\x00\x00\x00\x07\x7f\xff\xff\xff\x00\x00\x00\x00", "node count must be positive and fit within the stream"),
    ],
)
def test_invalid_images_are_value_errors(tmp_path, data, message):
    for payload in (data, gzip.compress(data)):
        path = tmp_path / "bad.vmc"
        path.write_bytes(payload)
        with pytest.raises(ValueError) as e:
            StemmerCore(str(path))
        assert str(e.value) == message
        with pytest.raises(ValueError):
            TrieBuilder.from_bytes(payload)


def test_truncated_gzip_and_short_magic_read_as_dictionaries(tmp_path, small_dict):
    with open(small_dict, "rb") as f:
        text = f.read()
    truncated = gzip.compress(text)[:-5]
    path = tmp_path / "truncated.gz"
    path.write_bytes(truncated)
    StemmerCore(str(path))  # raw bytes parsed as (mostly garbage) text: no error
    lxt = tmp_path / "lxt"
    lxt.write_bytes(b"LXT")
    assert StemmerCore(str(lxt)).stem("lxt") == "lxt"


def test_threads_share_one_cached_stemmer(en_image, en_words):
    shared = StemmerCore(en_image)
    words = en_words[:20000]
    expected = StemmerCore(en_image, cache_size=0).stem_batch(words)
    results = [None] * 8

    def work(i):
        own = StemmerCore(en_image) if i % 2 else shared
        results[i] = [own.stem(w) for w in words]

    threads = [threading.Thread(target=work, args=(i,)) for i in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(r == expected for r in results)
    # One object per cached word, whichever thread stored it.
    assert all(shared.stem(w) is shared.stem(w) for w in words[:100])


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer holds freed memory in its quarantine, so the peak grows anyway")
def test_constructing_and_dropping_keeps_memory_flat(small_dict):
    def churn():
        for _ in range(200):
            s = StemmerCore(small_dict)
            s.stem_batch(["cats", "running"] * 20)
            b = TrieBuilder(small_dict)
            b.add("dogs", "dog")
            b.build().stem("dogs")
            b.to_bytes()

    churn()
    start = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    churn()
    churn()
    assert resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - start < 4000

import gc
import gzip
import sys

import pytest

from velmora._velmora import StemmerCore


@pytest.mark.parametrize("gz", [False, True])
def test_small_dictionary_plain_and_gzip(write_dict, gz):
    from conftest import SMALL_DICT

    s = StemmerCore(write_dict(SMALL_DICT, gz=gz))
    assert [s.stem(w) for w in ["running", "Cats", "walked", "geese", "mice"]] == ["run", "cat", "walk", "goose", "mouse"]


@pytest.mark.parametrize(
    "word, stem",
    [("flomping", "flomp"), ("zarfs", "zarf"), ("glorped", "glorp"), ("frobnicating", "frobnicate"),
     ("snarkiest", "snarky"), ("cromulently", "cromulent")],
)
def test_unseen_words_follow_learned_patterns(en_source, word, stem):
    # Made-up inflections the dictionary does not list, stemmed by learned suffix patterns.
    assert StemmerCore(en_source).stem(word) == stem


@pytest.mark.parametrize("backward", [True, False])
def test_known_words_in_both_directions(write_dict, backward):
    from conftest import SMALL_DICT

    s = StemmerCore(write_dict(SMALL_DICT), backward=backward)
    assert s.stem("walking") == "walk"
    assert s.stem("geese") == "goose"


def test_lookup_modes(write_dict):
    # "ing" words reduce to a contracted generalisation; one longer word has its own rule.
    text = "walk\twalking\ntalk\ttalking\nsing\tsinging\n"
    path = write_dict(text)
    first = StemmerCore(path, lookup="first", store_original=False)
    last = StemmerCore(path, lookup="last", store_original=False)
    every = StemmerCore(path, lookup="all", store_original=False)
    assert first.stem("jumping") == "jump"
    assert last.stem("walking") == "walk"
    assert every.stem_all("walking") == ["walk"]
    assert isinstance(first.stem_all("zzz"), list)


def test_lookup_mode_is_checked_before_the_file():
    with pytest.raises(ValueError) as e:
        StemmerCore("/definitely/missing", lookup="First")
    assert str(e.value) == "invalid lookup mode \"First\"; expected 'first', 'last', or 'all'"
    with pytest.raises(ValueError, match=r'\\u\{0\}'):
        StemmerCore("/definitely/missing", lookup="a\0")


def test_missing_file_is_an_oserror_naming_it():
    with pytest.raises(OSError, match=r"No such file or directory \(os error 2\)") as e:
        StemmerCore("/definitely/missing")
    assert e.value.errno == 2 and e.value.filename == "/definitely/missing"
    assert e.value.args == ("No such file or directory: '/definitely/missing' (os error 2)",)


def test_directory_is_an_oserror(tmp_path):
    with pytest.raises(OSError, match=r"\(os error 21\)") as e:
        StemmerCore(str(tmp_path))
    assert e.value.filename == str(tmp_path)


def test_result_conventions(small_dict):
    s = StemmerCore(small_dict)
    unknown = "".join(["q", "q", "q"])
    assert s.stem(unknown) is None
    assert s.stemWord(unknown) is unknown
    for word in ["cars", "Cars", "UNKNOWN"]:
        assert s.stemWord(word) is word
    assert s.stem("cars") == "car"
    assert s.stem_batch(["cars"]) == ["car"]
    assert s.stemWord("car") == "car"


def test_bytes_in_bytes_out(small_dict):
    s = StemmerCore(small_dict)
    assert s.stemWord(b"cats") == b"cat"
    word = b"qqq"
    assert s.stemWord(word) is word
    assert s.stemWords([b"cats", "cats"]) == [b"cat", "cat"]
    assert s.stem_batch(iter([b"cats", b"qqq"])) == [b"cat", None]
    with pytest.raises(TypeError) as e:
        s.stemWord(3)
    assert str(e.value) == "stemWord / stemWords accepts only str and bytes"


@pytest.mark.parametrize(
    "data, start, end, reason",
    [
        (b"\xff", 0, 1, "invalid utf-8: invalid utf-8 sequence of 1 bytes from index 0"),
        (b"ab\xe2\x82", 2, 3, "invalid utf-8: incomplete utf-8 byte sequence from index 2"),
        (b"a\xe2\x28\xa1", 1, 2, "invalid utf-8: invalid utf-8 sequence of 1 bytes from index 1"),
        (b"ok\xf0\x9f\x98x", 2, 5, "invalid utf-8: invalid utf-8 sequence of 3 bytes from index 2"),
    ],
)
def test_decode_errors(small_dict, data, start, end, reason):
    s = StemmerCore(small_dict)
    with pytest.raises(UnicodeDecodeError) as e:
        s.stemWord(data)
    err = e.value
    assert (err.encoding, err.object, err.start, err.end, err.reason) == ("utf-8", data, start, end, reason)


def test_cache_identity_and_capacity(small_dict):
    s = StemmerCore(small_dict, cache_size=2)
    a, b = s.stem("cats"), s.stem("walking")
    c1, c2 = s.stem("running"), s.stem("running")
    assert c1 == c2 == "run" and c1 is not c2  # not cached: the cache is full
    assert s.stem("cats") is a and s.stem("walking") is b
    nocache = StemmerCore(small_dict, cache_size=0)
    x, y = nocache.stem("cats"), nocache.stem("cats")
    assert x == y and x is not y


def test_unknown_word_is_cached_as_none(small_dict):
    s = StemmerCore(small_dict)
    assert s.stem("qqq") is None
    assert s.stem("qqq") is None
    assert s.stemWord("qqq") == "qqq"


def test_stem_batch_paths(small_dict):
    cached = StemmerCore(small_dict)
    uncached = StemmerCore(small_dict, cache_size=0)
    for s in (cached, uncached):
        with pytest.raises(TypeError) as e:
            s.stem_batch(["cats", 1])
        assert str(e.value) == "stemWords() accepts only str and bytes"
    for s in (cached, uncached):
        assert s.stem_batch([]) == [] and s.stem_batch(()) == []
        assert s.stemWords([]) == [] and s.stem_all_batch([]) == []
        assert s.stem_batch(("cats", "walks")) == ["cat", "walk"]
        assert len(s.stem_batch("abc")) == 3
        assert s.stem_batch(w for w in ["cats", "mice"]) == ["cat", "mouse"]
        assert s.stemWords(["cats", "qqq", "Cars"]) == ["cat", "qqq", "Cars"]
    with pytest.raises(TypeError):
        cached.stem_batch(5)


def test_stem_all_batch(small_dict):
    s = StemmerCore(small_dict)
    assert s.stem_all_batch(["cats", "qqq"]) == [["cat"], []]
    with pytest.raises(TypeError, match="Sequence"):
        s.stem_all_batch(w for w in ["cats"])


def test_cached_and_uncached_batches_agree(en_source, en_words):
    sample = en_words[:5000]
    uncached = StemmerCore(en_source, cache_size=0)
    expected = [uncached.stem(w) for w in sample]
    assert StemmerCore(en_source).stem_batch(sample) == expected
    assert uncached.stem_batch(sample) == expected


def test_lowercase_false_uses_direct_output_with_the_same_results(en_source, en_words):
    lower = StemmerCore(en_source, cache_size=0)
    asis = StemmerCore(en_source, lowercase=False, cache_size=0)
    words = [w.lower() for w in en_words]
    assert asis.stem_batch(words) == lower.stem_batch(words)
    # The dictionary is lowercase, so a capital R leaves the case-keeping walk without a path.
    assert (lower.stem("Running"), asis.stem("Running"), asis.stem("running")) == ("run", None, "run")


def test_no_reference_leaks(small_dict):
    s = StemmerCore(small_dict, cache_size=0)
    words = ["cats", "running", "qqq", "mice"] * 50
    word = words[0]
    gc.collect()  # earlier tests' garbage may still hold the same interned word
    before = sys.getrefcount(word)
    for _ in range(200):
        s.stem_batch(words)
        s.stemWords(words)
        s.stemWords(iter(words))
        s.stem_all_batch(words)
    gc.collect()
    assert sys.getrefcount(word) == before


def test_memory_stays_flat(small_dict):
    resource = pytest.importorskip("resource")
    s = StemmerCore(small_dict, cache_size=0)
    words = [f"word{i}s" for i in range(1000)]
    for _ in range(50):
        s.stem_batch(words)
    start = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    for _ in range(500):
        s.stem_batch(words)
        s.stemWords(words)
    grown_kib = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - start
    assert grown_kib < 5000

"""stem_batch takes several internal paths (no cache and a list, a cache, a tuple, any
iterable, one or more threads); whichever is taken, a batch gives the same results, raises
the same exceptions and says the same texts."""
import pytest

from velmora import _velmora

CACHE_SIZES = [0, 100]
SHAPES = {
    "list": list,
    "tuple": tuple,
    "iterator": lambda ws: iter(list(ws)),
}


@pytest.fixture
def cores(small_dict):
    return {size: _velmora.StemmerCore(small_dict, cache_size=size) for size in CACHE_SIZES}


@pytest.mark.parametrize("shape", SHAPES)
@pytest.mark.parametrize("cache_size", CACHE_SIZES)
def test_bytes_items_give_bytes_stems(cores, cache_size, shape):
    core = cores[cache_size]
    words = ["running", b"running", b"cats", "zzz", b"zzz"]
    got = core.stem_batch(SHAPES[shape](words))
    expected = [core.stem(w if isinstance(w, str) else w.decode()) for w in words]
    expected = [s.encode() if isinstance(w, bytes) and s is not None else s for w, s in zip(words, expected)]
    assert got == expected
    assert [type(x) for x in got[:3]] == [str, bytes, bytes]


@pytest.mark.parametrize("shape", SHAPES)
@pytest.mark.parametrize("cache_size", CACHE_SIZES)
@pytest.mark.parametrize("bad", [1, None, 2.5, ["cats"]])
def test_non_text_items_raise_type_error(cores, cache_size, shape, bad):
    with pytest.raises(TypeError) as info:
        cores[cache_size].stem_batch(SHAPES[shape](["cats", bad, "running"]))
    assert str(info.value) == "stemWords() accepts only str and bytes"


@pytest.mark.parametrize("shape", SHAPES)
@pytest.mark.parametrize("cache_size", CACHE_SIZES)
def test_lone_surrogate_raises_unicode_encode_error(cores, cache_size, shape):
    with pytest.raises(UnicodeEncodeError) as info:
        cores[cache_size].stem_batch(SHAPES[shape](["cats", "ab\ud800", "running"]))
    # The interpreter's own text for the failed conversion, alike on every path.
    assert "surrogates not allowed" in str(info.value)


@pytest.mark.parametrize("cache_size", CACHE_SIZES)
def test_invalid_utf8_bytes_raise_unicode_decode_error(cores, cache_size):
    with pytest.raises(UnicodeDecodeError):
        cores[cache_size].stem_batch(["cats", b"\xff\xfe"])


def test_all_paths_agree_on_a_mixed_batch(cores):
    words = ["running", "Cats", "geese", "", "mice", "unknownword", "walks", "CAR"] * 3
    results = [cores[size].stem_batch(SHAPES[shape](words)) for size in CACHE_SIZES for shape in SHAPES]
    assert all(r == results[0] for r in results)
    assert results[0][:3] == ["run", "cat", "goose"]


@pytest.mark.parametrize("threads", range(1, 9))
@pytest.mark.parametrize("cache_size", CACHE_SIZES)
def test_thread_counts_give_identical_lists(en_image, en_words, cache_size, threads):
    core = _velmora.StemmerCore(en_image, cache_size=cache_size)
    words = en_words[:20000]
    serial = _velmora.StemmerCore(en_image, cache_size=0).stem_batch(words, threads=1)
    assert core.stem_batch(words, threads=threads) == serial
    assert core.stem_batch(tuple(words), threads=threads) == serial


@pytest.mark.parametrize("threads", [2, 8])
def test_threaded_batches_fall_back_for_items_that_are_not_text(cores, threads):
    assert cores[0].stem_batch(["cats", b"cats"], threads=threads) == ["cat", b"cat"]
    with pytest.raises(TypeError, match="stemWords\\(\\) accepts only str and bytes"):
        cores[0].stem_batch(["cats", 1], threads=threads)
    with pytest.raises(UnicodeEncodeError):
        cores[100].stem_batch(("cats", "\udc00"), threads=threads)


@pytest.mark.parametrize("lookup", ["first", "last", "all"])
@pytest.mark.parametrize("lowercase", [True, False])
def test_interleaved_batch_walks_match_single_words(en_image, en_words, lookup, lowercase):
    # Batches walk groups of words in lockstep; stem() walks one word alone. Mixed case,
    # non-ASCII and empty words sit between ASCII ones so groups mix both walks.
    words = en_words[:6000:3] + [w.upper() for w in en_words[1:3000:7]] + ["", "Żółw", "naïve", "A"]
    words = [w for pair in zip(words, reversed(words)) for w in pair]
    core = _velmora.StemmerCore(en_image, cache_size=0, lookup=lookup, lowercase=lowercase)
    single = [core.stem(w) for w in words]
    assert core.stem_batch(words, threads=1) == single
    assert core.stem_batch(words, threads=3) == single
    pa = pytest.importorskip("pyarrow")
    assert core.stem_arrow(pa.array(words), threads=2).to_pylist() == single


class Text(str):
    pass


@pytest.mark.parametrize("shape", ["list", "tuple"])
@pytest.mark.parametrize("threads", [1, 2])
def test_a_stem_equal_to_its_word_is_the_words_own_str(cores, shape, threads):
    # As str methods that change nothing return their input: the list paths hand back the
    # word's own object for a stem that is the word, a new str for any other stem, and never
    # an instance of a str subclass.
    words = ["walk", "cats", "walk" + "", "Walk", Text("walk"), "mouse", "geese"]
    got = cores[0].stem_batch(SHAPES[shape](words), threads=threads)
    assert got == ["walk", "cat", "walk", "walk", "walk", "mouse", "goose"]
    assert [g is w for g, w in zip(got, words)] == [True, False, True, False, False, True, False]
    assert all(type(g) is str for g in got)

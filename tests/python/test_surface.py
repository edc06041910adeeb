"""The package layer's names, errors and argument checks."""
import gzip
import os
import pathlib
import pickle
import time
import warnings

import pytest

import velmora
from velmora._registry import normalise_name


@pytest.mark.parametrize(
    "name, code",
    [("en", "en"), ("EN", "en"), ("English", "en"), ("en_US", "en"), ("en-GB", "en"), ("en_US.UTF-8", "en"),
     ("german", "de"), ("de_DE", "de"), ("Norwegian", "nb"), ("pl_PL.utf8", "pl"), ("x.vmc", "x.vmc")],
)
def test_language_names_normalise_to_codes(name, code):
    assert normalise_name(name) == code


@pytest.mark.parametrize("name", ["EN", "english", "en_US", "Polish", "pl-PL"])
def test_bundled_model_by_any_name(name):
    expected = velmora.model_path(normalise_name(name))
    assert velmora.model_path(name) == expected
    assert velmora.Stemmer(name).stem("cats") == velmora.Stemmer(normalise_name(name)).stem("cats")


def test_available_models_carry_name_size_and_path():
    models = velmora.available_models()
    assert "en" in models and models == sorted(models)
    for info in models:
        assert info.code == info and os.path.getsize(info.path) == info.size and info.name
    assert "WordNet" in next(m for m in models if m == "en").source
    assert pickle.loads(pickle.dumps(models)) == models


def test_available_models_opens_no_model():
    start = time.perf_counter()
    velmora.available_models()
    # Generous: listing stats a handful of files and reads one small JSON file.
    assert time.perf_counter() - start < 0.5


@pytest.mark.parametrize("name", ["fr", "klingon", "german"])
def test_unknown_model_name_lists_the_available_ones(name):
    if normalise_name(name) in velmora.available_models():
        pytest.skip("bundled now")
    with pytest.raises(ValueError, match=rf"unknown model '{name}'; available: .*en"):
        velmora.Stemmer(name)
    with pytest.raises(ValueError, match="unknown model"):
        velmora.model_path(name)


@pytest.mark.parametrize(
    "make, error, text",
    [
        (lambda d: d / "missing.vmc", FileNotFoundError, "cannot read model '{p}': No such file or directory"),
        (lambda d: d, IsADirectoryError, "cannot read model '{p}': Is a directory"),
    ],
)
def test_file_errors_name_the_file(tmp_path, make, error, text):
    path = make(tmp_path)
    with pytest.raises(error) as info:
        velmora.Stemmer(path)
    assert str(info.value) == text.format(p=str(path))
    assert info.value.errno is not None


@pytest.mark.parametrize(
    "content",
    [b"", b"\x00\x01\x02binary\xff", b"\x1f\x8b\x08\x00corrupt gzip", gzip.compress(b"# only a comment\n"),
     b"stem-only-lines\nand another\n"],
)
def test_files_that_yield_no_rules_are_refused(tmp_path, content):
    path = tmp_path / "x.bin"
    path.write_bytes(content)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with pytest.raises(ValueError, match=f"'{path}' (holds no dictionary entries|is binary, not a text dictionary)"):
            velmora.Stemmer(path)


def test_image_of_an_empty_source_is_refused(tmp_path):
    empty = velmora.TrieBuilder.from_bytes(b"")
    path = tmp_path / "empty.vmc"
    empty.save(str(path))
    with pytest.raises(ValueError, match="holds no dictionary entries"):
        velmora.Stemmer(path)


@pytest.mark.parametrize(
    "content, warning",
    [(b"cat\tcats\n\x00\n", "NUL characters"), (b"cat\tcats\ncaf\xe9\tcaf\xe9s\n", "undecodable bytes \\(first at byte 12\\)")],
)
def test_suspicious_sources_warn_but_load(tmp_path, content, warning):
    path = tmp_path / "d.tsv"
    path.write_bytes(content)
    with pytest.warns(UnicodeWarning, match=warning):
        stemmer = velmora.Stemmer(path)
    assert stemmer.stem("cats") == "cat"


@pytest.mark.parametrize("method", ["stem_batch", "stem_words", "stem_all_batch"])
@pytest.mark.parametrize("single", ["walking", b"walking"])
def test_a_single_word_is_not_a_batch(method, single):
    with pytest.raises(TypeError, match=rf"wrap it in a list: {method}\(\[word\]\)"):
        getattr(velmora.Stemmer(), method)(single)


@pytest.mark.parametrize("method", ["stem_batch", "stem_words"])
def test_batch_item_errors_name_the_index(method):
    with pytest.raises(TypeError, match=rf"{method}\(\): item 2 is int, expected str or bytes"):
        getattr(velmora.Stemmer(), method)(["cats", b"dogs", 7])


def test_relative_path_unpickles_after_chdir(tmp_path, small_dict, monkeypatch):
    monkeypatch.chdir(os.path.dirname(small_dict))
    stemmer = velmora.Stemmer(os.path.basename(small_dict))
    data = pickle.dumps(stemmer)
    monkeypatch.chdir(tmp_path.parent)
    assert pickle.loads(data).stem("cats") == "cat"


@pytest.mark.parametrize("compressed", [True, False])
def test_compiled_images_load_without_warnings(tmp_path, compressed):
    image = pathlib.Path(velmora.model_path("en")).read_bytes()
    path = tmp_path / "m.vmc"
    path.write_bytes(image if compressed else gzip.decompress(image))
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert velmora.Stemmer(path).stem("cats") == velmora.Stemmer("en").stem("cats")


# ---- the conventions of Stemmer -----------------------------------------------------------


@pytest.mark.parametrize("word", ["cars", "CARS", "unknown", "Unknown"])
def test_every_word_is_stemmed_by_the_model(small_dict, word):
    stemmer = velmora.Stemmer(small_dict)
    expected = stemmer.stem(word) or word.lower()
    assert stemmer.stem_word(word) == stemmer.stemWord(word) == expected
    assert stemmer.stem_words([word, word.encode()]) == [expected, expected.encode()]
    assert stemmer.stem_word("cars") == "car"
    assert stemmer.stem_batch([word]) == [stemmer.stem(word)]


def test_the_core_keeps_its_pass_through_words(small_dict):
    stemmer = velmora.Stemmer(small_dict)
    assert stemmer.core.stemWord("cars") == "cars"
    assert stemmer.stem_word("cars") == "car"


@pytest.mark.parametrize("keep, expected", [(False, ["haus", "katze", "qzx"]), (True, ["Haus", "katze", "QZX"])])
def test_a_lowercasing_model_lowercases_every_output(write_dict, keep, expected):
    stemmer = velmora.Stemmer(write_dict("katze\tkatzen\n"), keep_unknown_case=keep)
    words = ["Haus", "Katzen", "QZX"]
    assert stemmer.stem_words(words) == expected
    assert [stemmer.stem_word(w) for w in words] == expected
    assert stemmer.stem_words([w.encode() for w in words]) == [e.encode() for e in expected]
    assert [s for _, s in stemmer.stem_text(" ".join(words))] == expected
    pa = pytest.importorskip("pyarrow")
    column = pa.array(words + [None])
    assert stemmer.stem_arrow(column, keep_input=True).to_pylist() == expected + [None]
    assert stemmer.stem_arrow(column).to_pylist() == [None, "katze", None, None]


def test_arrow_and_lists_lowercase_unknown_words_alike(write_dict):
    pa = pytest.importorskip("pyarrow")
    stemmer = velmora.Stemmer(write_dict("katze\tkatzen\n"))
    words = ["ΟΔΟΣ", "İstanbul", "Straße", "KATZEN", "ǅemal", None]
    assert stemmer.stem_arrow(pa.array(words), keep_input=True).to_pylist() == stemmer.stem_words(words)
    assert stemmer.stem_words(words)[0] == "οδος"


def test_a_case_keeping_model_keeps_case(write_dict):
    stemmer = velmora.Stemmer(write_dict("Cat\tCats\n"), lowercase=False)
    assert stemmer.stem_words(["Cats", "Qzx"]) == ["Cat", "Qzx"]


def _gaps():
    gaps = [None, float("nan")]
    try:
        import numpy
        import pandas

        gaps += [numpy.float64("nan"), numpy.float32("nan"), pandas.NA]
    except ImportError:
        pass
    return gaps


@pytest.mark.parametrize("cache_size", [0, 100])
@pytest.mark.parametrize("gap", _gaps(), ids=repr)
def test_gaps_in_a_batch_give_none(small_dict, cache_size, gap):
    stemmer = velmora.Stemmer(small_dict, cache_size=cache_size)
    words = ["cats", gap, "Qzx", b"mice"]
    assert stemmer.stem_batch(words) == ["cat", None, None, b"mouse"]
    assert stemmer.stem_batch(iter(words), threads=2) == ["cat", None, None, b"mouse"]
    assert stemmer.stem_words(words) == ["cat", None, "qzx", b"mouse"]
    assert stemmer.stem_all_batch(["cats", gap]) == [["cat"], None]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda s: s.stem(None), "Stemmer.stem(): word must be str or bytes, not NoneType"),
        (lambda s: s.stem_word(3), "Stemmer.stem_word(): word must be str or bytes, not int"),
        (lambda s: s.stemWord(bytearray(b"x")), "Stemmer.stem_word(): word must be str or bytes, not bytearray"),
        (lambda s: s.stem_all(b"cats"), "Stemmer.stem_all(): word must be str, not bytes"),
        (lambda s: s.stem_batch(["cats", 3.5]), "Stemmer.stem_batch(): item 1 is float, expected str or bytes"),
        (lambda s: s.stem_words([object()]), "Stemmer.stem_words(): item 0 is object, expected str or bytes"),
        (lambda s: s.stem_all_batch(["a", b"b"]), "Stemmer.stem_all_batch(): item 1 is bytes, expected str"),
        (lambda s: s.stem_batch(7), "Stemmer.stem_batch() takes an iterable of words, not int"),
        (lambda s: s.stem_text(b"cats"), "Stemmer.stem_text(): text must be str, not bytes"),
        (lambda s: s.stem_arrow(["cats"]), "Stemmer.stem_arrow() takes an Arrow column"),
        (lambda s: s.stem_arrow(None, keep_input=True), "Stemmer.stem_arrow() takes an Arrow column"),
        (lambda s: s.stem_words(["cats"], threads="2"), "Stemmer.stem_words(): threads must be an int or None, not str"),
        (lambda s: velmora.Stemmer(None), "Stemmer(): model must be a bundled model's name or a path"),
        (lambda s: velmora.Stemmer("en", cache_size=2.5), "Stemmer(): cache_size must be an int, not float"),
    ],
)
def test_errors_name_the_method_and_python_types(small_dict, call, message):
    with pytest.raises(TypeError) as info:
        call(velmora.Stemmer(small_dict))
    assert str(info.value).startswith(message)


def test_a_negative_cache_size_is_a_value_error():
    with pytest.raises(ValueError, match=r"Stemmer\(\): cache_size must be 0 \(no cache\) or more, not -1"):
        velmora.Stemmer("en", cache_size=-1)


def test_threads_and_iterators_reach_every_batch_method(small_dict):
    stemmer = velmora.Stemmer(small_dict)
    words = ["cats", "walked", "geese", "qzx"] * 50
    assert stemmer.stem_batch(words, threads=2) == stemmer.stem_batch(words)
    assert stemmer.stem_words((w for w in words), threads=2) == stemmer.stem_words(words)
    assert stemmer.stem_all_batch(w for w in words[:4]) == [stemmer.stem_all(w) for w in words[:4]]


# ---- pickling ------------------------------------------------------------------------------


def test_a_bundled_model_pickles_by_name():
    data = pickle.dumps(velmora.Stemmer("english", lookup="last"))
    assert len(data) < 1000
    assert pickle.loads(data).stem("cats") == "cat"


@pytest.mark.parametrize("kind", ["dictionary", "image", "gzip image"])
def test_other_models_pickle_by_value(tmp_path, small_dict, kind):
    path = tmp_path / "model"
    if kind == "dictionary":
        path.write_bytes(pathlib.Path(small_dict).read_bytes())
    else:
        velmora.compile(small_dict, str(path))
        if kind == "image":
            path.write_bytes(gzip.decompress(path.read_bytes()))
    stemmer = velmora.Stemmer(path, lookup="last", cache_size=5, keep_unknown_case=True)
    data = pickle.dumps(stemmer)
    path.unlink()  # the receiver needs nothing but the package
    clone = pickle.loads(data)
    words = ["cats", "Walked", "Qzx", "geese"]
    assert clone.stem_words(words) == stemmer.stem_words(words) == ["cat", "walk", "Qzx", "goose"]
    assert (clone.core.lookup, clone.core.cache_size) == ("last", 5)
    assert gzip.decompress(clone.to_bytes()).startswith(b"LXTR")


def test_core_and_builder_pickle(small_dict):
    core = velmora.StemmerCore(small_dict, lookup="last", cache_size=7, lowercase=False)
    clone = pickle.loads(pickle.dumps(core))
    assert (clone.lookup, clone.cache_size, clone._case_mode()) == ("last", 7, "AS_IS")
    assert clone.stem_batch(["cats", "Cats", "geese"]) == core.stem_batch(["cats", "Cats", "geese"])
    builder = velmora.TrieBuilder(small_dict, store_original=False)
    builder.set("wugs", "wugsy")
    copy = pickle.loads(pickle.dumps(builder))
    assert copy.store_original is False and copy.lowercase is True
    assert copy.to_bytes() == builder.to_bytes()
    built = builder.build(lookup="last")
    builder.set("wugs", "other")  # a built stemmer keeps what it was built from
    assert pickle.loads(pickle.dumps(built)).stem("wugs") == "wugsy"
    from_builder = velmora.Stemmer.from_builder(copy, lookup="last")
    assert pickle.loads(pickle.dumps(from_builder)).stem("wugs") == "wugsy"


def test_from_bytes_round_trip_keeps_recorded_modes(small_dict):
    core = velmora.StemmerCore(velmora.model_path("en"))
    again = velmora.StemmerCore.from_bytes(core.to_bytes())
    assert again.recorded_modes == core.recorded_modes
    assert velmora.StemmerCore.from_bytes(pathlib.Path(small_dict).read_bytes()).recorded_modes is None
    with pytest.raises(TypeError, match="data"):
        velmora.StemmerCore.from_bytes("not bytes")


# ---- the on-demand cache -------------------------------------------------------------------

HUNSPELL_AFF = "SET UTF-8\nPFX U Y 1\nPFX U 0 un .\nSFX S Y 1\nSFX S 0 s .\n"


def _hunspell(folder, name, roots):
    folder.mkdir(exist_ok=True)
    (folder / f"{name}.aff").write_text(HUNSPELL_AFF, encoding="utf-8")
    (folder / f"{name}.dic").write_text(f"{len(roots)}\n" + "".join(f"{r}/US\n" for r in roots), encoding="utf-8")
    return folder / f"{name}.dic"


def test_each_option_keeps_its_own_cache_entry(tmp_path, monkeypatch):
    from velmora import _ondemand

    dic = _hunspell(tmp_path / "d", "xx_YY", ["walk", "bake"])
    cache = tmp_path / "cache"
    plain = _ondemand.hunspell_model(dic, cache_dir=cache, progress=False)
    prefixed = _ondemand.hunspell_model(dic, prefixes=True, cache_dir=cache, progress=False)
    assert plain != prefixed and os.path.exists(plain) and os.path.exists(prefixed)
    built = []
    monkeypatch.setattr("velmora.lexicon.build_model", lambda *a, **k: built.append(a))
    # Alternating the options builds nothing more.
    assert _ondemand.hunspell_model(dic, cache_dir=cache, progress=False) == plain
    assert _ondemand.hunspell_model(dic, prefixes=True, cache_dir=cache, progress=False) == prefixed
    assert built == []
    assert velmora.Stemmer(prefixed).stem("unwalks") == "walk"


def test_the_cache_drops_least_recently_used_entries_past_its_limit(tmp_path, monkeypatch):
    from velmora import _cache_bound

    cache = tmp_path / "cache"
    paths = []
    for i, name in enumerate(["aa_AA", "bb_BB", "cc_CC"]):
        dic = _hunspell(tmp_path / "d", name, ["walk", "bake", f"root{i}"])
        stemmer = velmora.Stemmer.from_hunspell(dic, cache_dir=cache, progress=False)
        assert stemmer.stem("walks") == "walk"
        paths.append(next(p for p in (cache / "hunspell").iterdir() if p.name.startswith(name)))
    sizes = [p.stat().st_size for p in paths]
    for age, path in zip([300, 200, 100], paths):
        os.utime(path, (time.time() - age, time.time() - age))
    # The first is used again, so the second is now the least recently used.
    _cache_bound.mark_used_and_trim(str(paths[0]), limit=sum(sizes) - 1)
    assert [p.exists() for p in paths] == [True, False, True]
    # Nothing used within the last minute is removed, whatever the limit.
    _cache_bound.mark_used_and_trim(str(paths[2]), limit=0)
    assert [p.exists() for p in paths] == [True, False, True]
    monkeypatch.setattr(_cache_bound, "RECENT_SECONDS", 0.0)
    _cache_bound.mark_used_and_trim(str(paths[2]), limit=0)
    assert [p.exists() for p in paths] == [False, False, True]


@pytest.mark.parametrize("value, expected", [("", 2 << 30), ("1000", 1000)])
def test_the_cache_limit_comes_from_the_environment(monkeypatch, value, expected):
    from velmora import _cache_bound

    monkeypatch.setenv("VELMORA_CACHE_MAX_BYTES", value)
    assert _cache_bound.max_bytes() == expected
    monkeypatch.setenv("VELMORA_CACHE_MAX_BYTES", "lots")
    with pytest.raises(ValueError, match="VELMORA_CACHE_MAX_BYTES must be a whole number of bytes"):
        _cache_bound.max_bytes()


# ---- dictionary-encoded columns ------------------------------------------------------------


def _dictionary_columns():
    pa = pytest.importorskip("pyarrow")
    words = ["Cats", "walked", None, "cats", "Qzx", "geese", "walked"]
    columns = {
        "pyarrow": pa.array(words).dictionary_encode(),
        "chunks with their own dictionaries": pa.chunked_array(
            [pa.array(words[:3]).dictionary_encode(), pa.array(words[3:]).dictionary_encode()]
        ),
        "null in the dictionary": pa.DictionaryArray.from_arrays(
            pa.array([0, 1, 2, 0, 3, 4, 1], pa.int8()), pa.array(["Cats", "walked", None, "Qzx", "geese"])
        ),
    }
    try:
        import pandas

        columns["pandas category"] = pandas.Series(words, dtype="category")
    except ImportError:
        pass
    try:
        import polars

        columns["polars Categorical"] = polars.Series(words, dtype=polars.Categorical)
    except ImportError:
        pass
    return words, columns


@pytest.mark.parametrize("keep_input", [False, True])
def test_dictionary_encoded_columns_stem_their_dictionary(small_dict, keep_input):
    pa = pytest.importorskip("pyarrow")
    stemmer = velmora.Stemmer(small_dict)
    words, columns = _dictionary_columns()
    expected = stemmer.stem_arrow(pa.array(words), keep_input=keep_input).to_pylist()
    assert expected[:3] == ["cat", "walk", None]
    for name, column in columns.items():
        result = stemmer.stem_arrow(column, keep_input=keep_input)
        assert pa.types.is_dictionary(result.type), name
        assert result.to_pylist() == expected, name


def test_a_dictionary_column_is_stemmed_once_per_distinct_word(small_dict, monkeypatch):
    pa = pytest.importorskip("pyarrow")
    stemmer = velmora.Stemmer(small_dict)
    column = pa.array(["cats", "walked"] * 5000).dictionary_encode()
    seen = []
    core = stemmer.core

    class Counting:
        def __getattr__(self, name):
            return getattr(core, name)

        def stem_arrow(self, col, **kw):
            seen.append(len(col))
            return core.stem_arrow(col, **kw)

    monkeypatch.setattr(stemmer, "_core", Counting())
    assert stemmer.stem_arrow(column).to_pylist()[:2] == ["cat", "walk"]
    assert seen == [2]
    empty = pa.chunked_array([], pa.dictionary(pa.int32(), pa.string()))
    assert stemmer.stem_arrow(empty).to_pylist() == []


def test_a_dictionary_column_behind_the_capsule_interface_alone(small_dict):
    pa = pytest.importorskip("pyarrow")

    class Exported:  # a producer that is not pyarrow and names no dtype
        def __init__(self, array):
            self.array = array

        def __arrow_c_array__(self, requested_schema=None):
            return self.array.__arrow_c_array__(requested_schema)

    stemmer = velmora.Stemmer(small_dict)
    column = pa.array(["cats", None, "qzx", "cats"]).dictionary_encode()
    assert stemmer.stem_arrow(Exported(column)).to_pylist() == ["cat", None, None, "cat"]

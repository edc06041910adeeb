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
        with pytest.raises(ValueError, match=f"'{path}' holds no dictionary entries"):
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

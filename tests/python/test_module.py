import importlib
import inspect

import pytest

import velmora
from velmora import _velmora


def test_all_and_reimport():
    assert _velmora.__all__ == ["StemmerCore", "TrieBuilder", "compile"]
    assert importlib.import_module("velmora._velmora") is _velmora
    assert velmora.StemmerCore is _velmora.StemmerCore


@pytest.mark.parametrize("cls", [_velmora.StemmerCore, _velmora.TrieBuilder])
def test_class_properties(cls):
    assert cls.__module__ == "velmora._velmora"
    assert cls.__qualname__ == cls.__name__
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


def test_instances_reject_attributes(small_dict):
    s = _velmora.StemmerCore(small_dict)
    with pytest.raises(AttributeError):
        s.extra = 1
    assert not hasattr(s, "__dict__")


@pytest.mark.parametrize(
    "target, expected",
    [
        (_velmora.StemmerCore, "(path, backward=True, store_original=True, lowercase=True, lookup='first', cache_size=10000)"),
        (_velmora.TrieBuilder, "(path, backward=None, store_original=True, lowercase=True)"),
        (_velmora.compile, "(source_path, out_path, backward=True, store_original=True, lowercase=True)"),
        (_velmora.StemmerCore.stem, "(self, /, word)"),
        (_velmora.TrieBuilder.add, "(self, /, word, stem, count=None, only_if_absent=False)"),
        (_velmora.TrieBuilder.from_bytes, "(data, backward=None, store_original=True, lowercase=True)"),
        (_velmora.StemmerCore._value_layout_stats, "(self, /)"),
    ],
)
def test_text_signatures(target, expected):
    assert str(inspect.signature(target)) == expected


def test_compile_is_bound_to_the_module():
    assert _velmora.compile.__module__ == "velmora._velmora"
    assert _velmora.compile.__self__ is _velmora


def test_second_interpreter_is_refused():
    interpreters = pytest.importorskip("_xxsubinterpreters")
    interp = interpreters.create()
    try:
        with pytest.raises(interpreters.RunFailedError, match="ImportError.*does not support subinterpreters"):
            interpreters.run_string(interp, "import velmora._velmora")
    finally:
        interpreters.destroy(interp)
    assert _velmora.StemmerCore  # the main interpreter's module is unaffected

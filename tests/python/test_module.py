import gc
import importlib
import importlib.util
import inspect
import pickle
import weakref

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


def _second_module_object():
    """A second module object of the extension, made from its file as an import after removing it
    from sys.modules would, without touching the package's own."""
    spec = importlib.util.spec_from_file_location(_velmora.__name__, _velmora.__file__)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def test_reload_keeps_the_module_its_classes_and_pickling(small_dict):
    assert importlib.reload(_velmora) is _velmora
    assert _velmora.StemmerCore is velmora.StemmerCore
    assert _velmora.TrieBuilder is velmora.TrieBuilder
    core = pickle.loads(pickle.dumps(_velmora.StemmerCore(small_dict)))
    assert type(core) is _velmora.StemmerCore and core.stem("cats") == "cat"
    builder = pickle.loads(pickle.dumps(_velmora.TrieBuilder.from_bytes(b"run\truns\n")))
    assert type(builder) is _velmora.TrieBuilder and builder.build().stem("runs") == "run"


def test_two_module_objects_share_no_state(small_dict):
    other = _second_module_object()
    assert other is not _velmora
    assert other.__all__ == _velmora.__all__
    for name in ("StemmerCore", "TrieBuilder"):
        assert getattr(other, name) is not getattr(_velmora, name)
        assert getattr(other, name).__module__ == "velmora._velmora"
    assert other.compile.__self__ is other
    # Classes that make each other's instances take them from their own module's state.
    assert type(other.TrieBuilder.from_bytes(b"run\truns\n").build()) is other.StemmerCore
    assert type(_velmora.TrieBuilder.from_bytes(b"run\truns\n").build()) is _velmora.StemmerCore
    assert type(other.StemmerCore.from_bytes(_velmora.StemmerCore(small_dict).to_bytes())) is other.StemmerCore


def test_instances_outlive_their_module_object():
    pa = pytest.importorskip("pyarrow")
    other = _second_module_object()
    core = other.TrieBuilder.from_bytes(b"run\truns\n").build()
    del other
    gc.collect()
    # The class keeps its module, and with it the state the builder's stemmer and stem_arrow read.
    assert core.stem_arrow(pa.array(["runs", None])).to_pylist() == ["run", None]
    assert type(core).__module__ == "velmora._velmora"


def test_a_module_object_nobody_holds_is_collected():
    # The state's classes refer back to their module: the module must show them to the
    # collector (traverse) and let go of them (clear), or the pair outlives every user.
    other = _second_module_object()
    module, cls = weakref.ref(other), weakref.ref(other.StemmerCore)
    del other
    gc.collect()
    assert module() is None and cls() is None

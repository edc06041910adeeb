"""The argument conventions every entry point shares."""
import ast
import inspect
import pathlib

import pytest

import velmora
from velmora._velmora import StemmerCore, TrieBuilder, compile


def test_text_parameter_rejects_bytes_and_paths(small_dict):
    # Path parameters take bytes and os.PathLike (test_saving_and_paths.py); other text ones do not.
    for bad in (b"first", pathlib.Path("first")):
        with pytest.raises(TypeError) as e:
            StemmerCore(small_dict, lookup=bad)
        assert str(e.value) == f"argument 'lookup': '{type(bad).__qualname__}' object cannot be converted to 'PyString'"


@pytest.mark.parametrize("value", [1, None, "yes"])
def test_bool_parameter_accepts_only_bools(small_dict, value):
    with pytest.raises(TypeError) as e:
        StemmerCore(small_dict, backward=value)
    assert str(e.value) == f"argument 'backward': '{type(value).__qualname__}' object cannot be converted to 'PyBool'"


def test_count_parameter(small_dict):
    with pytest.raises(OverflowError):
        StemmerCore(small_dict, cache_size=-1)
    with pytest.raises(OverflowError):
        StemmerCore(small_dict, cache_size=2**64)
    with pytest.raises(TypeError) as e:
        StemmerCore(small_dict, cache_size="10")
    assert str(e.value).startswith("argument 'cache_size': ")


def test_first_failing_argument_wins(small_dict):
    with pytest.raises(TypeError, match="argument 'backward'"):
        StemmerCore(small_dict, backward=1, lowercase=2)


def test_sequence_parameter(small_dict):
    s = StemmerCore(small_dict)
    with pytest.raises(TypeError) as e:
        s.stem_all_batch("abc")
    assert str(e.value) == "argument 'words': Can't extract `str` to `Vec`"
    with pytest.raises(TypeError) as e:
        s.stem_all_batch(w for w in ["a"])
    assert str(e.value) == "argument 'words': 'generator' object cannot be converted to 'Sequence'"
    with pytest.raises(TypeError) as e:
        s.stem_all_batch(["a", 3])
    assert str(e.value) == "argument 'words': 'int' object cannot be converted to 'PyString'"
    with pytest.raises(UnicodeEncodeError):
        s.stem_all_batch(["\ud800"])


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda s: s.stem(), "StemmerCore.stem() missing 1 required positional argument: 'word'"),
        (lambda s: s.stem("a", "b"), "StemmerCore.stem() takes 1 positional arguments but 2 were given"),
        (lambda s: s.stem(word="a", other=1), "StemmerCore.stem() got an unexpected keyword argument 'other'"),
        (lambda s: s.stem("a", word="a"), "StemmerCore.stem() got multiple values for argument 'word'"),
        (lambda s: StemmerCore(), "StemmerCore.__new__() missing 1 required positional argument: 'path'"),
    ],
)
def test_argument_count_errors(small_dict, call, message):
    s = StemmerCore(small_dict)
    with pytest.raises(TypeError) as e:
        call(s)
    assert str(e.value) == message


def test_keywords_bind_by_name(small_dict):
    s = StemmerCore(path=small_dict, lookup="last", cache_size=0)
    assert s.stem(word="cats") == "cat"


def test_missing_arguments_name_every_parameter():
    with pytest.raises(TypeError) as e:
        compile()
    assert str(e.value) == "compile() missing 2 required positional arguments: 'source_path' and 'out_path'"
    builder = TrieBuilder.from_bytes(b"run\truns\n")
    with pytest.raises(TypeError) as e:
        builder.add("x")
    assert str(e.value) == "TrieBuilder.add() missing 1 required positional argument: 'stem'"


def _stub_methods():
    """(class name, method name, keyword-only parameter names) of every method the stub declares."""
    tree = ast.parse((pathlib.Path(velmora.__file__).parent / "_velmora.pyi").read_text())
    for cls in (node for node in tree.body if isinstance(node, ast.ClassDef)):
        for fn in (node for node in cls.body if isinstance(node, ast.FunctionDef)):
            yield cls.name, fn.name, tuple(a.arg for a in fn.args.kwonlyargs)


def _native_keyword_only():
    """{(class name, method name): keyword-only parameter names} from the extension's text signatures."""
    found = {}
    for cls in (StemmerCore, TrieBuilder):
        for name in vars(cls):
            try:
                params = inspect.signature(getattr(cls, name)).parameters.values()
            except (TypeError, ValueError):
                continue  # no text signature (slot wrappers, properties)
            only = tuple(p.name for p in params if p.kind is p.KEYWORD_ONLY)
            if only:
                found[cls.__name__, name] = only
    return found


def test_stub_declares_the_keyword_only_parameters_of_the_extension():
    native = _native_keyword_only()
    stub = {}
    for cls_name, name, only in _stub_methods():
        stub.setdefault((cls_name, name), only)  # overloads repeat the same parameters
    for key in set(native) | {k for k, only in stub.items() if only}:
        if key[1].startswith("_") and key not in stub:
            continue  # a private method the stub leaves out
        assert stub.get(key) == native.get(key, ()), key


def test_every_public_keyword_only_parameter_is_tested():
    public = {name for (_, name) in _native_keyword_only() if not name.startswith("_")}
    assert public == {method for method, _, _ in KEYWORD_ONLY_CALLS}


KEYWORD_ONLY_CALLS = [
    ("stem_batch", lambda s, col: s.stem_batch(["cats"], 2), "takes 1 positional arguments but 2 were given"),
    ("stem_batch", lambda s, col: s.stem_batch(["cats"], None, 3), "takes 1 positional arguments but 3 were given"),
    ("stem_arrow", lambda s, col: s.stem_arrow(col, 2), "takes 1 positional arguments but 2 were given"),
    ("stem_arrow", lambda s, col: s.stem_arrow(col, None, True), "takes 1 positional arguments but 3 were given"),
]


@pytest.mark.parametrize("method, call, message", KEYWORD_ONLY_CALLS)
def test_keyword_only_parameters_refuse_positional_arguments(small_dict, method, call, message):
    pa = pytest.importorskip("pyarrow")
    s = StemmerCore(small_dict)
    with pytest.raises(TypeError) as e:
        call(s, pa.array(["cats"]))
    assert str(e.value) == f"StemmerCore.{method}() {message}"


@pytest.mark.parametrize(
    "call",
    [
        lambda s, col: s.stem_batch(["cats"], threads=2),
        lambda s, col: s.stem_batch(words=["cats"], threads=None),
        lambda s, col: s.stem_arrow(col, threads=1, keep_input=True).to_pylist(),
        lambda s, col: s.stem_arrow(keep_input=False, column=col).to_pylist(),
    ],
)
def test_keyword_only_parameters_bind_by_name(small_dict, call):
    pa = pytest.importorskip("pyarrow")
    assert call(StemmerCore(small_dict), pa.array(["cats"])) == ["cat"]

"""The argument conventions every entry point shares."""
import pathlib

import pytest

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

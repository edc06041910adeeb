import gzip
import os

import pytest

from velmora._velmora import StemmerCore, TrieBuilder, compile


def stream_of(image: bytes) -> bytes:
    return gzip.decompress(image)


def test_rebuilt_image_writes_the_same_stream(en_image, en_words):
    with open(en_image, "rb") as f:
        original = f.read()
    builder = TrieBuilder(en_image)
    assert stream_of(builder.to_bytes()) == stream_of(original)
    sample = en_words[::7] + ["flomping", "zarfs"]
    assert builder.build().stem_batch(sample) == StemmerCore(en_image).stem_batch(sample)


def test_compile_matches_builder_bytes(en_source, tmp_path):
    for options in [{}, {"backward": False}, {"store_original": False, "lowercase": False}]:
        out = tmp_path / "out.vmc"
        compile(en_source, str(out), **options)
        assert out.read_bytes() == TrieBuilder(en_source, **options).to_bytes()


def test_compile_refuses_an_image(en_image, tmp_path):
    out = tmp_path / "never.vmc"
    with pytest.raises(ValueError, match="^source is already a compiled trie$"):
        compile(en_image, str(out))
    assert not out.exists()


@pytest.mark.parametrize("gz", [False, True])
def test_from_bytes_plain_and_gzip(write_dict, gz):
    text = b"run\trunning\truns\ncat\tcats\n"
    builder = TrieBuilder.from_bytes(gzip.compress(text) if gz else text)
    assert builder.to_bytes() == TrieBuilder(write_dict(text)).to_bytes()
    with pytest.raises(TypeError, match="argument 'data': 'bytearray' object cannot be converted to 'PyBytes'"):
        TrieBuilder.from_bytes(bytearray(text))


def test_from_bytes_keeps_the_image_direction(write_dict):
    image = TrieBuilder(write_dict("run\truns\n"), backward=True).to_bytes()
    forward_request = TrieBuilder.from_bytes(image, backward=False)
    assert b"traversalDirection=BACKWARD" in gzip.decompress(forward_request.to_bytes())
    with pytest.raises(ValueError, match="unexpected end of trie stream"):
        TrieBuilder.from_bytes(b"LXTR\x00")


def stems(builder, word, **build):
    return builder.build(**build).stem(word)


def test_add_modes(write_dict):
    b = TrieBuilder(write_dict("cat\tcats\n"), store_original=False)
    b.add("cats", "cax")
    assert stems(b, "cats") == "cax"  # dominant over the dictionary rule
    b.add("cats", "cat", count=5)
    assert stems(b, "cats") == "cat"
    b.add("cats", "cay", only_if_absent=True)  # the node has values: no change
    assert stems(b, "cats") == "cat"
    b.add("dogs", "dog", count=0, only_if_absent=True)
    assert stems(b, "dogs") == "dog"
    b.set("cats", "caz")
    assert b.build().stem_all("cats") == ["caz"]


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"count": 0}, ValueError, "count must be at least 1, got 0"),
        ({"count": -3}, ValueError, "count must be at least 1, got -3"),
        ({"count": 2**31}, OverflowError, "out of range integral type conversion attempted"),
        ({"count": "2"}, TypeError, None),
        ({"only_if_absent": 1}, TypeError, "argument 'only_if_absent': 'int' object cannot be converted to 'PyBool'"),
    ],
)
def test_add_argument_errors_leave_the_builder_unchanged(write_dict, kwargs, error, message):
    b = TrieBuilder(write_dict("cat\tcats\n"))
    before = b.to_bytes()
    with pytest.raises(error) as e:
        b.add("cats", "cax", **kwargs)
    if message:
        assert str(e.value) == message
    assert b.to_bytes() == before


def test_refused_rules(write_dict):
    b = TrieBuilder(write_dict("cat\tcats\n"))
    b.add("cats", "cax", count=2**31 - 1)
    before = b.to_bytes()
    with pytest.raises(OverflowError) as e:
        b.add("cats", "cat")
    assert str(e.value) == "cannot make the rule dominant because another rule already has the maximum frequency"
    with pytest.raises(OverflowError) as e:
        b.add("cats", "cax", count=1)
    assert str(e.value) == "frequency count exceeds the signed 32-bit format limit"
    assert b.to_bytes() == before


def test_add_many(write_dict):
    b = TrieBuilder(write_dict("cat\tcats\n"))
    before = b.to_bytes()
    with pytest.raises(ValueError) as e:
        b.add_many([("a", "b"), ("c", "d"), ("e", "f", "g")])
    assert str(e.value) == "expected tuple of length 2, but got tuple of length 3"
    assert b.to_bytes() == before
    b.add("zz", "y", count=2**31 - 1)
    with pytest.raises(OverflowError):
        b.add_many([("walks", "walk"), ("talks", "talk"), ("zz", "x")])
    s = b.build()
    assert (s.stem("walks"), s.stem("talks")) == ("walk", "talk")
    for bad, text in [("abc", "Can't extract `str` to `Vec`"), ((p for p in []), "'generator' object cannot be converted to 'Sequence'"),
                      ([["a", "b"]], "'list' object cannot be converted to 'PyTuple'"), ([("a", 1)], "'int' object cannot be converted to 'PyString'")]:
        with pytest.raises(TypeError) as e:
            b.add_many(bad)
        assert str(e.value) == f"argument 'pairs': {text}"
    b.add_many([])


def test_set_with_lookup_last_beats_a_contracted_generalisation(write_dict):
    b = TrieBuilder(write_dict("walk\twalking\ntalk\ttalking\nsing\tsinging\n"), store_original=False)
    b.set("thing", "thingy")
    assert stems(b, "thing", lookup="last") == "thingy"


def test_remove(write_dict):
    b = TrieBuilder(write_dict("cat\tcats\ndog\tdogs\n"))
    before = b.to_bytes()
    b.remove("never-added")
    assert b.to_bytes() == before
    b.remove("cats", "cax")  # not stored: nothing happens
    assert b.to_bytes() == before
    assert b.build(lookup="all").stem_all("cats") == ["cat"]
    b.remove("cats", "cat")
    b.remove("dogs")
    for lookup in ("first", "last", "all"):
        s = b.build(lookup=lookup)
        assert s.stem_all("cats") == [] and s.stem_all("dogs") == []
        assert s.stem("cat") == "cat"  # the stems' identity rules stay


def test_builds_are_independent(write_dict):
    b = TrieBuilder(write_dict("cat\tcats\n"))
    first = b.build()
    b.add("cats", "kitten")
    second = b.build()
    assert (first.stem("cats"), second.stem("cats")) == ("cat", "kitten")


def test_accepting_leaf_stays_accepting_after_a_longer_rule(write_dict):
    image = TrieBuilder(write_dict("walk\twalking\ntalk\ttalking\nsing\tsinging\n"), store_original=False).to_bytes()
    b = TrieBuilder.from_bytes(image)
    b.add("xxing", "yy")
    s = b.build()
    assert s.stem("jumping") == "jump"
    assert b.build(lookup="last").stem("xxing") == "yy"


def test_save(tmp_path, write_dict):
    b = TrieBuilder(write_dict("cat\tcats\n"))
    target = tmp_path / "model.vmc"
    target.write_bytes(b"old content that is longer than nothing" * 100)
    b.save(str(target))
    assert target.read_bytes() == b.to_bytes()
    assert StemmerCore(str(target)).stem("cats") == "cat"
    with pytest.raises(OSError, match=r"\(os error 2\)") as e:
        b.save(str(tmp_path / "missing" / "x.vmc"))
    assert e.value.filename == str(tmp_path / "missing" / "x.vmc")
    umask = os.umask(0)
    os.umask(umask)
    assert (target.stat().st_mode & 0o777) in (0o666 & ~umask, 0o644)


def test_reentrant_use_is_refused(write_dict):
    b = TrieBuilder(write_dict("cat\tcats\n"))
    seen = []

    class Pairs:
        def __init__(self, call):
            self.call = call

        def __len__(self):
            return 1

        def __getitem__(self, i):
            if i > 0:
                raise IndexError
            try:
                self.call()
            except RuntimeError as e:
                seen.append(str(e))
            return ("dogs", "dog")

    b.add_many(Pairs(lambda: b.add("x", "y")))
    b.add_many(Pairs(lambda: b.to_bytes()))
    assert seen == ["Already borrowed", "Already mutably borrowed"]

    class Raising(Pairs):
        def __getitem__(self, i):
            b.build()

    before = b.to_bytes()
    with pytest.raises(RuntimeError, match="Already mutably borrowed"):
        b.add_many(Raising(None))
    assert b.to_bytes() == before

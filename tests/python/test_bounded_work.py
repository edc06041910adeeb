"""Inputs of a few kilobytes that used to hang, exhaust memory or answer wrongly: each now ends
quickly, with a bounded footprint, in a result or a clear error."""
import gzip
import struct

import pytest

from velmora._velmora import StemmerCore, TrieBuilder, compile


def mutf8(text):
    raw = text.encode("utf-8")
    return struct.pack(">H", len(raw)) + raw


def image(nodes, commands, metadata=""):
    """A trie stream: nodes are (accepting, [(label, child)], [(command id, count)])."""
    out = [b"LXTR", struct.pack(">iii", 7, len(nodes), 0), mutf8(metadata), struct.pack(">i", len(commands))]
    out += [mutf8(c) for c in commands]
    for accepting, edges, values in nodes:
        out.append(struct.pack(">Bi", accepting, len(edges)))
        out += [struct.pack(">Hi", ord(label), child) for label, child in edges]
        out.append(struct.pack(">i", len(values)))
        out += [struct.pack(">ii", cid, count) for cid, count in values]
    return b"".join(out)


def loaders(payload, tmp_path):
    path = tmp_path / "model"
    path.write_bytes(payload)
    yield lambda: StemmerCore(str(path))
    yield lambda: TrieBuilder.from_bytes(payload)
    yield lambda: compile(str(path), str(tmp_path / "out.vmc"))


def test_truncated_compiled_image_is_not_read_as_a_dictionary(tmp_path):
    b = TrieBuilder.from_bytes(b"run\truns\trunning\n")
    cut = b.to_bytes()[:-12]
    for load in loaders(cut, tmp_path):
        with pytest.raises(ValueError, match="^truncated compiled image$"):
            load()


def test_shared_children_expanding_exponentially_are_refused():
    levels = 40
    nodes = [(0, [("a", i + 1), ("b", i + 1)], []) for i in range(levels)] + [(1, [], [(0, 1)])]
    payload = image(nodes, ["Da"])
    with pytest.raises(ValueError, match="expands to more than 33554432 builder nodes"):
        TrieBuilder.from_bytes(payload)


@pytest.mark.parametrize("shape", ["chain", "wide"])
def test_rebuild_and_reduce_stay_near_linear(shape):
    # A value-less chain collapses in reduction; a wide node has one edge per label.
    if shape == "chain":
        n = 200_000
        nodes = [(0, [("a", i + 1)], []) for i in range(n)] + [(1, [], [(0, 1)])]
    else:
        n = 60_000
        nodes = [(0, [(chr(0x100 + i), i + 1) for i in range(n)], [])]
        nodes += [(1, [], [(0, 1)]) for _ in range(n)]
    payload = image(nodes, ["Da"])
    b = TrieBuilder.from_bytes(payload)
    again = TrieBuilder.from_bytes(b.to_bytes())
    assert again.to_bytes() == b.to_bytes()


def test_encoder_tables_past_the_bound_are_memory_errors_before_allocating(tmp_path):
    b = TrieBuilder.from_bytes(b"")
    with pytest.raises(MemoryError, match="word and stem too long"):
        b.add("a" * 40_000, "b" * 40_000)
    src = tmp_path / "long.tsv"
    src.write_text("b" * 20_000 + "\t" + "a" * 20_000 + "\n")
    with pytest.raises(MemoryError, match="word and stem too long"):
        StemmerCore(str(src))


def test_encoder_keeps_its_commands_for_long_pairs():
    # Long enough to need several keep and delete pairs; the stem is read back through the runtime.
    word = "ab" * 3000 + "xyz" * 500
    stem = "ab" * 3000 + "q"
    for backward in (True, False):
        b = TrieBuilder.from_bytes(b"", backward=backward)
        b.add(word, stem)
        assert b.build().stem(word) == stem


def test_value_table_of_repeated_commands_is_interned():
    # Ten million empty commands used by nobody: memory follows the distinct texts.
    count = 10_000_000
    stream = image([(1, [], [(0, 1)])], ["Da"])
    head, tail = stream.split(struct.pack(">i", 1) + mutf8("Da"), 1)
    payload = gzip.compress(head + struct.pack(">i", count + 1) + mutf8("Da") + b"\0\0" * count + tail)
    import resource
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    assert TrieBuilder.from_bytes(payload).build().stem("xa") == "x"
    grown_mib = (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) / 1024
    assert grown_mib < 400  # the 20 MB stream and one id per entry; 1.4 GB before


@pytest.mark.parametrize(
    "text, message",
    [
        (b"\0" * ((1 << 24) + 1), "dictionary line 1 is longer than 16777216 bytes"),
        (b"run\truns\n" + b"x" * ((1 << 20) + 1) + b"\n", "dictionary line 2 has a field longer than 1048576 units"),
    ],
)
def test_dictionary_lines_and_fields_are_bounded(tmp_path, text, message):
    for payload in (text, gzip.compress(text)):
        for load in loaders(payload, tmp_path):
            with pytest.raises(ValueError, match=message):
                load()


def test_builder_refuses_an_image_nothing_can_load(tmp_path):
    payload = image([(1, [], [(0, 1)])], ["Xa"])
    path = tmp_path / "x.vmc"
    path.write_bytes(payload)
    with pytest.raises(ValueError, match="^Unknown opcode: X$"):
        StemmerCore(str(path))
    with pytest.raises(ValueError, match="^Unknown opcode: X$"):
        TrieBuilder.from_bytes(payload)



class ClaimsHugeLength:
    """A sequence whose __len__ claims 2**62 items but that holds one."""

    def __init__(self, item):
        self.item = item

    def __len__(self):
        return 2**62

    def __getitem__(self, i):
        if i > 0:
            raise IndexError(i)
        return self.item


# The stem calls read any iterable without trusting its length; the builder reserves for the
# claimed length, which CPython's own containers answer with MemoryError too.
@pytest.mark.parametrize("call, item, expected", [
    (lambda core, builder, seq: core.stem_batch(seq), "cats", ["cat"]),
    (lambda core, builder, seq: core.stemWords(seq), "cats", ["cat"]),
    (lambda core, builder, seq: builder.add_many(seq), ("cats", "cat"), MemoryError),
], ids=["stem_batch", "stemWords", "add_many"])
def test_a_claimed_length_past_memory_is_never_a_system_error(tmp_path, call, item, expected):
    path = tmp_path / "d.txt"
    path.write_text("cat\tcats\n")
    args = StemmerCore(str(path), cache_size=0), TrieBuilder(str(path)), ClaimsHugeLength(item)
    if expected is MemoryError:
        with pytest.raises(MemoryError):
            call(*args)
    else:
        assert call(*args) == expected


def _same_object_twice(core, word):
    """Whether two calls hand back one object: the cache keeps the first result."""
    return {
        "stem": core.stem(word) is core.stem(word),
        "stem_batch": (lambda r: r[0] is r[1])(core.stem_batch([word, word])),
        "stemWords": (lambda r: r[0] is r[1])(core.stemWords([word, word])),
    }


@pytest.mark.parametrize("word, stem, cached", [
    ("a" * 128, "stem of 128 bytes", True),
    ("é" * 64, "stem of 64 two-byte letters", True),
    ("a" * 129, "stem of 129 bytes", False),
    ("é" * 65, "stem of 65 two-byte letters", False),
    ("a" * 210_000, "stem of a 210 kB word", False),
    ("short", "s" * 129, False),
])
def test_the_result_cache_keeps_only_short_words_and_stems(word, stem, cached):
    # A cache of 10,000 entries once kept every word it saw, so 2,000 words of 210 kB held
    # 400 MB after the caller let them go; words and stems over 128 bytes are not kept now.
    builder = TrieBuilder.from_bytes(b"")
    builder.add(word, stem)
    core = builder.build()
    assert core.stem(word) == stem
    assert _same_object_twice(core, word) == dict.fromkeys(["stem", "stem_batch", "stemWords"], cached)

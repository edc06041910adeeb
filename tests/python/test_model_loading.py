"""Model files: gzip or plain, image or dictionary, and which options come from where."""
import gzip

import pytest

from velmora._velmora import StemmerCore, TrieBuilder


def with_metadata(image: bytes, **changes: str) -> bytes:
    """The trie stream of `image` with metadata lines replaced (key=value)."""
    stream = gzip.decompress(image)
    length = int.from_bytes(stream[16:18], "big")
    lines = stream[18 : 18 + length].decode().split("\n")
    for i, line in enumerate(lines):
        key = line.split("=", 1)[0]
        if key in changes:
            lines[i] = f"{key}={changes[key]}"
    meta = "\n".join(lines).encode()
    return stream[:16] + len(meta).to_bytes(2, "big") + meta + stream[18 + length :]


@pytest.fixture
def image(small_dict):
    return TrieBuilder(small_dict).to_bytes()


def test_gzip_and_plain_images_load_alike(tmp_path, image, en_words):
    gz, raw = tmp_path / "m.vmc", tmp_path / "m.stream"
    gz.write_bytes(image)
    raw.write_bytes(gzip.decompress(image))
    words = en_words[:3000]
    assert StemmerCore(str(gz)).stem_batch(words) == StemmerCore(str(raw)).stem_batch(words)


def test_gzip_and_plain_dictionaries_load_alike(write_dict, en_words):
    from conftest import SMALL_DICT

    words = en_words[:3000]
    assert StemmerCore(write_dict(SMALL_DICT, gz=True)).stem_batch(words) == StemmerCore(write_dict(SMALL_DICT)).stem_batch(words)


def test_image_direction_wins_over_backward(tmp_path, small_dict):
    forward = tmp_path / "fwd.vmc"
    forward.write_bytes(TrieBuilder(small_dict, backward=False).to_bytes())
    s = StemmerCore(str(forward))  # backward defaults to True, the image says FORWARD
    assert s._backward_compound_patterns_batch(["geese", "mice"]) == []
    assert s.stem("geese") == StemmerCore(small_dict, backward=False).stem("geese")


def test_case_mode_comes_from_lowercase(tmp_path, image):
    asis = tmp_path / "asis.vmc"
    asis.write_bytes(with_metadata(image, caseProcessingMode="AS_IS"))
    assert StemmerCore(str(asis)).stem("CATS") == "cat"
    lower = tmp_path / "lower.vmc"
    lower.write_bytes(image)
    assert StemmerCore(str(lower), lowercase=False).stem("CATS") != "cat"


def test_recorded_diacritic_removal_applies(tmp_path, write_dict):
    image = TrieBuilder(write_dict("cafe\tcafes\n")).to_bytes()
    removing = tmp_path / "remove.vmc"
    removing.write_bytes(with_metadata(image, diacriticProcessingMode="REMOVE"))
    assert StemmerCore(str(removing)).stem("Cafés") == "cafe"
    assert StemmerCore(write_dict("cafe\tcafes\n")).stem("cafés") != "cafe"


def test_forward_and_lowercase_recorded_in_metadata(small_dict):
    stream = gzip.decompress(TrieBuilder(small_dict, backward=False, lowercase=False).to_bytes())
    assert b"traversalDirection=FORWARD\n" in stream and b"caseProcessingMode=AS_IS\n" in stream
    assert b"diacriticProcessingMode=AS_IS\n" in stream


def test_image_cut_after_magic(tmp_path):
    path = tmp_path / "cut.vmc"
    path.write_bytes(b"LXTR")
    with pytest.raises(ValueError, match="^unexpected end of trie stream$"):
        StemmerCore(str(path))


def one_node_stream(command: bytes) -> bytes:
    """A trie stream of one accepting root whose single value is `command` (modified UTF-8)."""
    meta = b"velmora.metadata.v1\n"
    return (
        b"LXTR" + (7).to_bytes(4, "big") + (1).to_bytes(4, "big") + bytes(4)
        + len(meta).to_bytes(2, "big") + meta
        + (1).to_bytes(4, "big") + len(command).to_bytes(2, "big") + command
        + b"\x01" + bytes(4) + (1).to_bytes(4, "big") + bytes(4) + (1).to_bytes(4, "big")
    )


@pytest.mark.parametrize(
    "command, message",
    [(b"Xa", "Unknown opcode: X"), (b"DaNb", "Invalid NOOP arg"), (b"Da\xed\xa0\x80a", "Unknown opcode: \ufffd")],
)
def test_commands_that_do_not_compile_fail_the_load(tmp_path, command, message):
    path = tmp_path / "bad.vmc"
    path.write_bytes(gzip.compress(one_node_stream(command)))
    with pytest.raises(ValueError) as e:
        StemmerCore(str(path))
    assert str(e.value) == message


def test_hand_made_image_with_accepting_root(tmp_path):
    path = tmp_path / "root.vmc"
    path.write_bytes(one_node_stream(b"Da"))
    s = StemmerCore(str(path))
    assert s.stem("cats") == "cat" and s.stem("zebras") == "zebra"
    assert s._value_layout_stats() == (1, 1, 1)


# ---- files that never end, and Ctrl-C while a builder loads ---------------------

# Each loader runs in a child with a bounded address space: reading a device to its
# end would otherwise take all memory. (Under AddressSanitizer, which maps terabytes of
# shadow memory, the bound is left out.)
READ_NON_REGULAR = """
import os, resource, sys
if "asan" not in os.environ.get("LD_PRELOAD", ""):
    resource.setrlimit(resource.RLIMIT_AS, (2 << 30, 2 << 30))
import velmora
from velmora._velmora import StemmerCore, TrieBuilder, compile
loaders = {
    "StemmerCore": StemmerCore,
    "TrieBuilder": TrieBuilder,
    "Stemmer": velmora.Stemmer,
    "compile": lambda p: compile(p, os.path.join(sys.argv[3], "out.vmc")),
}
try:
    loaders[sys.argv[1]](sys.argv[2])
except ValueError as e:
    print(e)
"""


@pytest.mark.parametrize("loader", ["StemmerCore", "TrieBuilder", "Stemmer", "compile"])
@pytest.mark.parametrize("kind", ["character device", "pipe"])
def test_a_device_or_pipe_is_refused_as_a_model(tmp_path, loader, kind):
    import os
    import subprocess
    import sys

    if kind == "pipe":
        path = str(tmp_path / "fifo")
        os.mkfifo(path)  # nobody writes to it: an open that waited would never return
    else:
        path = "/dev/zero"
    # The timeout only guards the test run against a loader that waits forever.
    done = subprocess.run([sys.executable, "-c", READ_NON_REGULAR, loader, path, str(tmp_path)],
                          capture_output=True, text=True, timeout=120)
    assert done.stdout.strip().endswith(f"{path!r}: not a regular file (a {kind})"), done.stderr
    assert not (tmp_path / "out.vmc").exists()


def test_cli_info_refuses_a_device(tmp_path):
    import subprocess
    import sys

    done = subprocess.run([sys.executable, "-m", "velmora", "info", "/dev/zero"], capture_output=True, text=True,
                          timeout=120)
    assert done.returncode == 1
    assert done.stderr == "velmora info: error: cannot read model '/dev/zero': not a regular file (a character device)\n"


def test_ctrl_c_stops_a_builder_loading_a_dictionary(polish_source):
    # Loading the Polish dictionary into a builder takes several seconds of CPU; Ctrl-C
    # must end it at once, not after the whole load.
    import time

    from conftest import cpu_seconds_after, ctrl_c_after

    cpu = time.process_time()
    with ctrl_c_after(0.3):
        TrieBuilder(str(polish_source))
    used = time.process_time() - cpu
    assert used < 2.5  # the whole load takes about three times that
    assert cpu_seconds_after(0.3, 1.0) < 0.5  # 0.3 s: the last checkpoint's stretch of work

"""stem_arrow against hostile producers: capsules already released or consumed, offsets that
overflow, buffers changed by another thread during the walk, threads under memory pressure."""
import ctypes
import subprocess
import sys
import textwrap

import pytest

from velmora import _velmora

pa = pytest.importorskip("pyarrow")

# Where `release` sits in the C Data Interface structures (64-bit).
SCHEMA_RELEASE_AT = 7 * 8
ARRAY_RELEASE_AT = 8 * 8
STREAM_RELEASE_AT = 3 * 8

_get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
_get_pointer.restype = ctypes.c_void_p
_get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]


def clear_release(capsule, name, at):
    """Forges a released structure: its release callback set to NULL (the producer's memory leaks)."""
    ctypes.c_void_p.from_address(_get_pointer(capsule, name) + at).value = None


class ArrayCapsules:
    """An exporter that hands out the same capsules on every call."""

    def __init__(self, schema, array):
        self.capsules = (schema, array)

    def __arrow_c_array__(self, requested_schema=None):
        return self.capsules


class StreamCapsule:
    def __init__(self, capsule):
        self.capsule = capsule

    def __arrow_c_stream__(self, requested_schema=None):
        return self.capsule


@pytest.fixture
def core(small_dict):
    return _velmora.StemmerCore(small_dict, cache_size=0)


WORDS = ["cats", "walked", None, "geese"] * 25


def test_a_stream_capsule_gives_its_rows_once(core):
    stream = StreamCapsule(pa.chunked_array([pa.array(WORDS)]).__arrow_c_stream__())
    assert len(core.stem_arrow(stream)) == 100
    with pytest.raises(ValueError, match="Arrow stream was already released"):
        core.stem_arrow(stream)


def test_a_stream_consumed_by_pyarrow_is_refused(core):
    capsule = pa.chunked_array([pa.array(WORDS)]).__arrow_c_stream__()
    assert pa.ChunkedArray._import_from_c_capsule(capsule).to_pylist() == WORDS
    with pytest.raises(ValueError, match="Arrow stream was already released"):
        core.stem_arrow(StreamCapsule(capsule))


def test_array_capsules_imported_before_are_refused(core):
    schema, array = pa.array(WORDS).__arrow_c_array__()
    pa.Array._import_from_c_capsule(schema, array)
    with pytest.raises(ValueError, match="already released"):
        core.stem_arrow(ArrayCapsules(schema, array))


@pytest.mark.parametrize("which", ["schema", "array"])
def test_forged_released_structures_are_refused(core, which):
    schema, array = pa.array(WORDS).__arrow_c_array__()
    if which == "schema":
        clear_release(schema, b"arrow_schema", SCHEMA_RELEASE_AT)
    else:
        clear_release(array, b"arrow_array", ARRAY_RELEASE_AT)
    with pytest.raises(ValueError, match=f"Arrow {which} was already released"):
        core.stem_arrow(ArrayCapsules(schema, array))


def test_a_forged_released_stream_is_refused(core):
    capsule = pa.chunked_array([pa.array(WORDS)]).__arrow_c_stream__()
    clear_release(capsule, b"arrow_array_stream", STREAM_RELEASE_AT)
    with pytest.raises(ValueError, match="Arrow stream was already released"):
        core.stem_arrow(StreamCapsule(capsule))


def test_array_capsules_are_moved_out_once_stemmed(core):
    # The structures now belong to the walk: importing them again must fail in pyarrow, not crash.
    schema, array = pa.array(WORDS).__arrow_c_array__()
    assert core.stem_arrow(ArrayCapsules(schema, array)).to_pylist()[:4] == ["cat", "walk", None, "goose"]
    with pytest.raises(ValueError, match="already released"):
        core.stem_arrow(ArrayCapsules(schema, array))


@pytest.mark.parametrize("last", [2**62, 2**63 - 1, 2**48 + 1])
def test_offsets_past_any_buffer_are_refused(core, last):
    np = pytest.importorskip("numpy")
    offsets = np.array([0, 4, 4], dtype=np.int64)
    column = pa.Array.from_buffers(pa.large_string(), 2, [None, pa.py_buffer(offsets), pa.py_buffer(b"cats")])
    offsets[2] = last  # after pyarrow's own validation, as a producer without one would hand it over
    with pytest.raises(ValueError, match="malformed Arrow array: offsets out of range"):
        core.stem_arrow(column)


def run_python(code, timeout=240):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          timeout=timeout)


# A thread of the producer rewrites an offset in the middle of the column while the walk runs with
# the interpreter lock released: the walk must keep to what it checked (a crash kills the child).
MUTATING_PRODUCER = """
import threading, numpy as np, pyarrow as pa
from velmora import _velmora
core = _velmora.StemmerCore({model!r}, cache_size=0)
n = 1_000_000
offs = np.arange(0, 4 * (n + 1), 4, dtype=np.int32)
column = pa.Array.from_buffers(pa.string(), n, [None, pa.py_buffer(offs), pa.py_buffer(b"cats" * n)])
stop = False
def mutate():
    while not stop:
        offs[n // 2] = 2**31 - 1000
        offs[n // 2] = 2 * n
        offs[n // 2 + 7] = -4
        offs[n // 2 + 7] = 4 * (n // 2 + 7)
t = threading.Thread(target=mutate)
t.start()
try:
    for threads in (1, 2, 1, 2):
        out = core.stem_arrow(column, threads=threads)
        assert len(out) == n and out[0].as_py() == "cat" and out[n - 1].as_py() == "cat"
finally:
    stop = True
    t.join()
print("ok")
"""


def test_offsets_changed_during_the_walk_stay_in_bounds(small_dict):
    pytest.importorskip("numpy")
    result = run_python(MUTATING_PRODUCER.format(model=small_dict))
    assert result.returncode == 0, result.stderr[-2000:]
    assert result.stdout.strip() == "ok"


# Far more threads than cores, in an address space a little larger than the process needs: every
# run ends with the stems or a MemoryError, never with an abort.
THREADS_UNDER_PRESSURE = """
import resource, pyarrow as pa
from velmora import _velmora
core = _velmora.StemmerCore({model!r}, cache_size=0)
column = pa.array(["walked", "cats", "geese"] * 1_000_000)
with open("/proc/self/statm") as f:
    used = int(f.read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (used + 400 * 2**20, resource.RLIM_INFINITY))
outcomes = []
for _ in range(4):
    try:
        out = core.stem_arrow(column, threads=1024)
        outcomes.append(out[1].as_py())
        del out
    except MemoryError:
        outcomes.append("MemoryError")
print(outcomes)
"""


def test_many_threads_under_memory_pressure_never_abort(small_dict):
    result = run_python(THREADS_UNDER_PRESSURE.format(model=small_dict))
    assert result.returncode == 0, result.stderr[-2000:]
    outcomes = eval(result.stdout)  # noqa: S307 - the child's own repr of a list of str
    assert len(outcomes) == 4 and set(outcomes) <= {"cat", "MemoryError"}


def test_more_threads_than_cores_give_the_same_stems(core):
    column = pa.array(["walked", "cats", None, "geese"] * 20000)
    assert core.stem_arrow(column, threads=1024).to_pylist() == core.stem_arrow(column, threads=1).to_pylist()

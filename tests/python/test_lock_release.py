"""Long native operations release the interpreter lock, and a compile stops at Ctrl-C
without leaving an output file."""
import _thread
import signal
import threading
import time

import pytest

from velmora import _velmora


def progress_during(call):
    """How many times another Python thread ran its loop while `call` was running."""
    count = 0
    started = threading.Event()
    stop = threading.Event()

    def spin():
        nonlocal count
        started.set()
        while not stop.is_set():
            count += 1

    thread = threading.Thread(target=spin)
    thread.start()
    started.wait()
    before = count
    try:
        call()
    finally:
        during = count - before
        stop.set()
        thread.join()
    return during


def test_compile_lets_other_threads_run(en_source, tmp_path):
    # Under the lock the spinning thread would be frozen for the whole compile.
    assert progress_during(lambda: _velmora.compile(en_source, str(tmp_path / "en.vmc"))) > 10_000


def test_builder_operations_let_other_threads_run(en_image, tmp_path):
    builder = _velmora.TrieBuilder(en_image)

    def work():
        for _ in range(3):
            builder.to_bytes()
            builder.save(str(tmp_path / "copy.vmc"))
            builder.build()

    assert progress_during(work) > 10_000


def test_arrow_stemming_lets_other_threads_run(en_image, en_words):
    pa = pytest.importorskip("pyarrow")
    core = _velmora.StemmerCore(en_image, cache_size=0)
    column = pa.array(en_words * 3, type=pa.large_string())
    assert progress_during(lambda: [core.stem_arrow(column, threads=1) for _ in range(5)]) > 10_000


def test_ctrl_c_stops_a_compile_and_leaves_no_file(en_source, tmp_path):
    out = tmp_path / "interrupted.vmc"
    # Other tests may leave another SIGINT handler behind; Ctrl-C's own one is wanted here.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        interrupt_compile(en_source, out)
    finally:
        signal.signal(signal.SIGINT, previous)


def interrupt_compile(en_source, out):
    timer = threading.Timer(0.05, _thread.interrupt_main)
    timer.start()
    t0 = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        _velmora.compile(en_source, str(out))
        time.sleep(5)  # a compile finished before the interrupt: let the interrupt land here
    timer.join()
    if time.monotonic() - t0 < 5:
        assert not out.exists()


def test_ctrl_c_stops_the_compile_itself(tmp_path, polish_source):
    # Ctrl-C frees the caller at once; the native compile must stop too, not run on
    # unobserved for the rest of its half minute. Process CPU time counts every thread.
    from conftest import cpu_seconds_after, ctrl_c_after

    with ctrl_c_after(1.0):
        _velmora.compile(str(polish_source), str(tmp_path / "pl.vmc"))
        time.sleep(5)
    assert cpu_seconds_after(0.3, 1.5) < 0.5  # 0.3 s: the last checkpoint's stretch of work
    assert not (tmp_path / "pl.vmc").exists()

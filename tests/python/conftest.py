import _thread
import contextlib
import gzip
import pathlib
import signal
import threading
import time

import pytest

from velmora import _velmora

REPO = pathlib.Path(__file__).resolve().parents[2]
DATA = REPO.parent / "shared" / "data"
REFERENCE = REPO.parent / "shared" / "reference"
EN_SOURCE = DATA / "en_US.tsv.gz"


@pytest.fixture
def write_dict(tmp_path):
    """Writes dictionary text to a file (gzip when asked) and returns its path as str."""
    counter = iter(range(1_000_000))

    def write(text, *, gz=False):
        path = tmp_path / f"dict{next(counter)}.tsv{'.gz' if gz else ''}"
        data = text.encode("utf-8") if isinstance(text, str) else text
        path.write_bytes(gzip.compress(data) if gz else data)
        return str(path)

    return write


SMALL_DICT = """\
# a small English-like dictionary
run\trunning\truns\tran
cat\tcats
walk\twalked\twalking\twalks
goose\tgeese
mouse\tmice
car\tcars
"""


@pytest.fixture
def small_dict(write_dict):
    return write_dict(SMALL_DICT)


@pytest.fixture(scope="session")
def en_source():
    if not EN_SOURCE.exists():
        pytest.skip("shared English dictionary not present")
    return str(EN_SOURCE)


@pytest.fixture(scope="session")
def en_image(en_source, tmp_path_factory):
    out = tmp_path_factory.mktemp("models") / "en.vmc"
    _velmora.compile(en_source, str(out))
    return str(out)


@pytest.fixture(scope="session")
def en_words(en_source):
    words = []
    with gzip.open(en_source, "rt", encoding="utf-8") as f:
        for line in f:
            words.extend(w for w in line.rstrip("\n").split("\t") if w and not w.startswith("#"))
    return words


@pytest.fixture
def polish_source():
    """The shared Polish source dictionary: seconds of native work, long enough to interrupt."""
    source = DATA / "pl_PL.tsv.gz"
    if not source.exists():
        pytest.skip("the Polish source dictionary is not here")
    return source


@contextlib.contextmanager
def ctrl_c_after(seconds):
    """Delivers a Ctrl-C (SIGINT, default handler) `seconds` into the block, which must end with
    KeyboardInterrupt."""
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    timer = threading.Timer(seconds, _thread.interrupt_main)
    try:
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            yield
        timer.join()
    finally:
        timer.cancel()
        signal.signal(signal.SIGINT, previous)


def cpu_seconds_after(settle, window):
    """Process CPU time (every thread's) used in `window` seconds, `settle` seconds from now:
    what work that should have stopped still does."""
    time.sleep(settle)
    cpu = time.process_time()
    time.sleep(window)
    return time.process_time() - cpu

"""Saving replaces a model whole or not at all; every path argument takes str, bytes and os.PathLike."""
import os
import pathlib
import resource
import signal
import stat
import subprocess
import sys

import pytest

from velmora._velmora import StemmerCore, TrieBuilder, compile

SOURCE = b"run\truns\trunning\nwalk\twalks\twalked\n"


@pytest.fixture
def source(tmp_path):
    path = tmp_path / "src.tsv"
    path.write_bytes(SOURCE)
    return path


def builder():
    return TrieBuilder.from_bytes(SOURCE)


def save_with(how, target, src):
    if how == "save":
        builder().save(target)
    else:
        compile(src, target)


@pytest.mark.parametrize("kind", [str, pathlib.Path, os.fsencode])
def test_every_path_argument_takes_str_bytes_and_pathlike(tmp_path, source, kind):
    out = tmp_path / "a.vmc"
    compile(kind(source), kind(out))
    assert StemmerCore(kind(out)).stem("running") == "run"
    assert TrieBuilder(kind(out)).build().stem("walked") == "walk"
    builder().save(kind(tmp_path / "b.vmc"))
    assert (tmp_path / "b.vmc").read_bytes() == out.read_bytes()


@pytest.mark.parametrize("call", [
    lambda p: StemmerCore(p),
    lambda p: TrieBuilder(p),
    lambda p: builder().save(p),
    lambda p: compile(p, "unused.vmc"),
    lambda p: compile(SOURCE_PATH[0], p),
])
def test_nul_in_a_path_is_refused(tmp_path, source, call):
    SOURCE_PATH[:] = [str(source)]
    for bad in (str(source) + "\0x", str(tmp_path / "victim\0.vmc"), pathlib.PurePosixPath("a\0b")):
        with pytest.raises(ValueError, match="^embedded null byte$"):
            call(bad)
    assert sorted(os.listdir(tmp_path)) == ["src.tsv"]


SOURCE_PATH = [""]


def test_other_types_keep_their_type_error():
    with pytest.raises(TypeError, match="^argument 'path': 'int' object cannot be converted to 'PyString'$"):
        StemmerCore(3)


@pytest.mark.parametrize("how", ["save", "compile"])
def test_replacing_keeps_mode_and_writes_through_links(tmp_path, source, how):
    target = tmp_path / "model.vmc"
    target.write_bytes(b"old")
    os.chmod(target, 0o640)
    link = tmp_path / "link.vmc"
    link.symlink_to(target)
    save_with(how, link, source)
    assert link.is_symlink()
    assert stat.S_IMODE(target.stat().st_mode) == 0o640
    assert StemmerCore(str(target)).stem("walks") == "walk"
    assert sorted(os.listdir(tmp_path)) == ["link.vmc", "model.vmc", "src.tsv"]


def test_new_file_mode_follows_umask(tmp_path, source):
    old = os.umask(0o027)
    try:
        builder().save(tmp_path / "new.vmc")
    finally:
        os.umask(old)
    assert stat.S_IMODE((tmp_path / "new.vmc").stat().st_mode) == 0o640


def test_non_regular_target_is_written_directly(tmp_path):
    read, write = os.pipe()
    try:
        builder().save(f"/proc/self/fd/{write}")
        os.close(write)
        data = os.read(read, 1 << 16)
    finally:
        os.close(read)
    assert data == builder().to_bytes()


# A file-size limit makes the write fail part-way: the old model must survive whole.
FAIL_MID_WRITE = """
import resource, signal, sys
from velmora._velmora import TrieBuilder, compile
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
resource.setrlimit(resource.RLIMIT_FSIZE, (64, 64))
try:
    if sys.argv[1] == "save":
        TrieBuilder.from_bytes(open(sys.argv[3], "rb").read()).save(sys.argv[2])
    else:
        compile(sys.argv[3], sys.argv[2])
except OSError as e:
    print("OSError", e)
"""


@pytest.mark.parametrize("how", ["save", "compile"])
def test_a_failure_mid_write_leaves_the_target_as_it_was(tmp_path, source, how):
    target = tmp_path / "model.vmc"
    old = b"previous model " * 3
    target.write_bytes(old)
    done = subprocess.run([sys.executable, "-c", FAIL_MID_WRITE, how, str(target), str(source)],
                          capture_output=True, text=True, check=True)
    assert done.stdout.startswith("OSError File too large")
    assert target.read_bytes() == old
    assert sorted(os.listdir(tmp_path)) == ["model.vmc", "src.tsv"]


@pytest.mark.parametrize("how", ["save", "compile"])
def test_a_full_file_system_leaves_the_target_as_it_was(tmp_path, source, how):
    mount = tmp_path / "small"
    mount.mkdir()
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(mount)],
                      capture_output=True).returncode != 0:
        pytest.skip("mounting a tmpfs is not permitted here")
    try:
        target = mount / "model.vmc"
        old = os.urandom(20_000)
        target.write_bytes(old)
        (mount / "filler").write_bytes(b"\0" * (64 * 1024 - 24_576))
        words = [os.urandom(6).hex().encode() for _ in range(3000)]
        big = SOURCE + b"".join(w + b"\t" + w[::-1] + b"\n" for w in words)
        source.write_bytes(big)
        with pytest.raises(OSError, match="No space left on device"):
            if how == "save":
                TrieBuilder.from_bytes(big).save(target)
            else:
                compile(source, target)
        assert target.read_bytes() == old
        assert sorted(os.listdir(mount)) == ["filler", "model.vmc"]
    finally:
        subprocess.run(["umount", str(mount)], check=False)

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
    elif sys.argv[1] == "write_file":
        from velmora._velmora import _write_file as write_file
        write_file(sys.argv[2], TrieBuilder.from_bytes(open(sys.argv[3], "rb").read()).to_bytes())
    else:
        compile(sys.argv[3], sys.argv[2])
except OSError as e:
    print("OSError", e)
"""


@pytest.mark.parametrize("how", ["save", "compile", "write_file"])
def test_a_failure_mid_write_leaves_the_target_as_it_was(tmp_path, source, how):
    target = tmp_path / "model.vmc"
    old = b"previous model " * 3
    target.write_bytes(old)
    done = subprocess.run([sys.executable, "-c", FAIL_MID_WRITE, how, str(target), str(source)],
                          capture_output=True, text=True, check=True)
    assert done.stdout == f"OSError [Errno 27] File too large (os error 27): {str(target)!r}\n"
    assert target.read_bytes() == old
    assert sorted(os.listdir(tmp_path)) == ["model.vmc", "src.tsv"]


@pytest.mark.parametrize("how", ["save", "compile", "write_file"])
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
            elif how == "write_file":
                from velmora._velmora import _write_file as write_file

                write_file(target, TrieBuilder.from_bytes(big).to_bytes())
            else:
                compile(source, target)
        assert target.read_bytes() == old
        assert sorted(os.listdir(mount)) == ["filler", "model.vmc"]
    finally:
        subprocess.run(["umount", str(mount)], check=False)


# ---- the one writer: temporary names, links, odd targets ------------------------

def write_with(how, target, src):
    """Writes a model to `target` by one of the package's writers."""
    if how == "write_file":
        from velmora._velmora import _write_file as write_file

        write_file(target, builder().to_bytes())
    elif how == "build_model":
        from velmora import lexicon

        import tempfile

        with tempfile.TemporaryDirectory() as folder:
            pairs = os.path.join(folder, "pairs.tsv")
            with open(pairs, "w") as f:
                f.write("runs\trun\nrunning\trun\nwalks\twalk\nwalked\twalk\n")
            lexicon.build_model(lexicon.recipe_from_files([pairs]), target)
    else:
        save_with(how, target, src)


WRITERS = ["save", "compile", "write_file", "build_model"]


@pytest.mark.parametrize("how", WRITERS)
def test_a_link_planted_at_the_old_temporary_name_is_left_alone(tmp_path, source, how):
    victim = tmp_path / "victim"
    victim.write_bytes(b"precious")
    for planted in ("out.vmc.tmp", ".out.vmc.tmp"):
        (tmp_path / planted).symlink_to(victim)
    write_with(how, tmp_path / "out.vmc", source)
    assert victim.read_bytes() == b"precious"
    assert not (tmp_path / "out.vmc").is_symlink()
    assert StemmerCore(str(tmp_path / "out.vmc")).stem("walks") == "walk"
    assert sorted(os.listdir(tmp_path)) == [".out.vmc.tmp", "out.vmc", "out.vmc.tmp", "src.tsv", "victim"]


def test_cli_build_model_never_writes_through_a_planted_link(tmp_path, source):
    victim = tmp_path / "victim"
    victim.write_bytes(b"precious")
    (tmp_path / "out.vmc.tmp").symlink_to(victim)
    done = subprocess.run([sys.executable, "-m", "velmora", "build-model", "--quiet", "--tsv", str(source),
                           "-o", str(tmp_path / "out.vmc")], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert victim.read_bytes() == b"precious" and not (tmp_path / "out.vmc").is_symlink()


@pytest.mark.parametrize("spelling", ["folder/", "folder", "missing/"])
def test_cli_build_model_into_a_folder_is_a_clear_error(tmp_path, source, spelling):
    (tmp_path / "folder").mkdir()
    out = f"{tmp_path}/{spelling}"
    done = subprocess.run([sys.executable, "-m", "velmora", "build-model", "--quiet", "--tsv", str(source),
                           "-o", out], capture_output=True, text=True)
    assert done.returncode == 1
    assert "Is a directory" in done.stderr and repr(out) in done.stderr
    assert os.listdir(tmp_path / "folder") == []
    assert sorted(os.listdir(tmp_path)) == ["folder", "src.tsv"]


@pytest.mark.parametrize("how", WRITERS)
def test_a_longest_legal_name_can_be_written(tmp_path, source, how):
    target = tmp_path / ("m" * 246 + ".vmc")  # 250 bytes; the file system allows 255
    write_with(how, target, source)
    assert StemmerCore(str(target)).stem("runs") == "run"
    assert sorted(os.listdir(tmp_path)) == sorted([target.name, "src.tsv"])


@pytest.mark.parametrize("how", WRITERS)
def test_os_errors_carry_errno_and_the_path(tmp_path, source, how):
    target = tmp_path / "missing" / "m.vmc"
    with pytest.raises(FileNotFoundError) as e:
        write_with(how, target, source)
    assert e.value.errno == 2 and e.value.filename == str(target)
    assert str(target) in str(e.value)


def test_a_folder_that_refuses_new_entries_names_the_target(tmp_path, source):
    folder = tmp_path / "locked"
    folder.mkdir()
    target = folder / "m.vmc"
    target.write_bytes(b"old")
    if subprocess.run(["chattr", "+i", str(folder)], capture_output=True).returncode != 0:
        pytest.skip("chattr +i is not permitted here")
    try:
        with pytest.raises(PermissionError) as e:
            builder().save(target)
        assert e.value.errno == 1 and e.value.filename == str(target)
        assert target.read_bytes() == b"old"
    finally:
        subprocess.run(["chattr", "-i", str(folder)], check=True)
    assert os.listdir(folder) == ["m.vmc"]


@pytest.mark.skipif(os.geteuid() != 0, reason="giving a file to another owner needs root")
@pytest.mark.parametrize("how", ["save", "compile", "write_file"])
def test_replacing_another_owners_file_drops_set_id_bits(tmp_path, source, how):
    target = tmp_path / "model.vmc"
    target.write_bytes(b"old")
    os.chown(target, 65534, 65534)
    os.chmod(target, 0o6777)
    write_with(how, target, source)
    st = target.stat()
    assert (st.st_uid, stat.S_IMODE(st.st_mode)) == (0, 0o777)


@pytest.mark.parametrize("how", ["save", "compile", "write_file"])
def test_a_pipe_nobody_reads_fails_at_once(tmp_path, source, how):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    script = (
        "import sys\n"
        "sys.path.insert(0, sys.argv[3])\n"
        "from test_saving_and_paths import write_with\n"
        "import pathlib\n"
        "try:\n"
        "    write_with(sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[4]))\n"
        "except OSError as e:\n"
        "    print(e.errno, e.filename)\n"
    )
    # Blocking in open() would hang; the timeout only guards the test run itself.
    done = subprocess.run([sys.executable, "-c", script, how, str(fifo), os.path.dirname(__file__), str(source)],
                          capture_output=True, text=True, timeout=120)
    assert done.stdout.split() == ["6", str(fifo)], done.stderr
    assert stat.S_ISFIFO(os.lstat(fifo).st_mode)


def test_a_link_at_a_cache_target_is_replaced_not_followed(tmp_path):
    from velmora._velmora import _write_file as write_file

    victim = tmp_path / "victim"
    victim.write_bytes(b"precious")
    entry = tmp_path / "entry.vmc"
    entry.symlink_to(victim)
    write_file(entry, b"new", replace_links=True)
    assert victim.read_bytes() == b"precious"
    assert not entry.is_symlink() and entry.read_bytes() == b"new"


# ---- compile never replaces its own source ---------------------------------------

@pytest.mark.parametrize("spelling", ["same", "dotdot", "symlink", "hardlink", "bytes"])
def test_compile_refuses_to_overwrite_its_source(tmp_path, source, spelling):
    (tmp_path / "sub").mkdir()
    if spelling == "same":
        out = str(source)
    elif spelling == "dotdot":
        out = str(tmp_path / "sub" / ".." / "src.tsv")
    elif spelling == "symlink":
        out = str(tmp_path / "link.tsv")
        os.symlink(source, out)
    elif spelling == "hardlink":
        out = str(tmp_path / "hard.tsv")
        os.link(source, out)
    else:
        out = os.fsencode(source)
    with pytest.raises(ValueError, match="is the source file"):
        compile(source, out)
    assert source.read_bytes() == SOURCE


# ---- Ctrl-C while the new file is written ----------------------------------------

def test_ctrl_c_while_writing_leaves_the_old_file_and_no_temporary(tmp_path):
    import _thread
    import threading

    from velmora._velmora import _write_file as write_file

    target = tmp_path / "model.vmc"
    target.write_bytes(b"old")
    data = os.urandom(1 << 20) * 96
    seen = threading.Event()

    def interrupt_once_the_new_file_appears():
        while not seen.is_set():
            if len(os.listdir(tmp_path)) > 1:
                seen.set()
                _thread.interrupt_main()

    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    watcher = threading.Thread(target=interrupt_once_the_new_file_appears)
    watcher.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            write_file(target, data)
    finally:
        seen.set()
        watcher.join()
        signal.signal(signal.SIGINT, previous)
    assert target.read_bytes() == b"old"
    assert os.listdir(tmp_path) == ["model.vmc"]

"""Models built on demand from Hunspell dictionaries: found by name or path, built once, cached by
content, rebuilt when the dictionary changes; progress only for slow steps."""
import io
import os
import pathlib
import shutil
import subprocess
import sys
import time

import pytest

import velmora
from velmora import _ondemand
from velmora._progress import Progress

AFF = "SET UTF-8\nSFX S Y 1\nSFX S 0 s .\nSFX D Y 2\nSFX D 0 ed [^e]\nSFX D 0 d e\n"
DIC = "3\nwalk/SD\nbake/SD\nblue\n"


@pytest.fixture
def dictionary(tmp_path):
    (tmp_path / "xx_YY.aff").write_text(AFF, encoding="utf-8")
    (tmp_path / "xx_YY.dic").write_text(DIC, encoding="utf-8")
    return tmp_path / "xx_YY.dic"


def test_builds_once_and_reuses_the_cache(dictionary, tmp_path, monkeypatch):
    cache = tmp_path / "cache"
    stemmer = velmora.Stemmer.from_hunspell(dictionary, cache_dir=cache, progress=False)
    assert stemmer.stem_batch(["walks", "walked", "baked", "bakes", "blue"]) == ["walk", "walk", "bake", "bake", "blue"]
    built = list((cache / "hunspell").iterdir())
    assert len(built) == 1 and built[0].suffix == ".vmc"

    def no_rebuild(*args, **kwargs):
        raise AssertionError("rebuilt although the dictionary did not change")

    monkeypatch.setattr("velmora.lexicon.build_model", no_rebuild)
    again = velmora.Stemmer.from_hunspell(str(dictionary), cache_dir=cache, progress=False)
    assert again.stem("walked") == "walk"


def test_a_changed_dictionary_is_rebuilt_and_the_old_image_removed(dictionary, tmp_path):
    cache = tmp_path / "cache"
    first = _ondemand.hunspell_model(dictionary, cache_dir=cache, progress=False)
    dictionary.write_text("4\nwalk/SD\nbake/SD\nblue\njump/SD\n", encoding="utf-8")
    second = _ondemand.hunspell_model(dictionary, cache_dir=cache, progress=False)
    assert second != first and not os.path.exists(first)
    assert velmora.Stemmer(second).stem("jumped") == "jump"


def test_cache_folder_follows_xdg(monkeypatch, tmp_path):
    monkeypatch.setenv("XDG_CACHE_HOME", str(tmp_path))
    assert _ondemand.cache_folder() == str(tmp_path / "velmora")
    monkeypatch.delenv("XDG_CACHE_HOME")
    assert _ondemand.cache_folder() == os.path.join(os.path.expanduser("~"), ".cache", "velmora")


@pytest.mark.parametrize("xdg", ["", "relative/cache", "./cache"])
def test_a_relative_or_empty_xdg_cache_home_is_ignored(monkeypatch, tmp_path, xdg):
    monkeypatch.setenv("XDG_CACHE_HOME", xdg)
    monkeypatch.setenv("HOME", str(tmp_path))
    assert _ondemand.cache_folder() == str(tmp_path / ".cache" / "velmora")


@pytest.mark.parametrize("home", [None, "", "relative/home"])
def test_an_unusable_home_falls_back_to_the_accounts_home(monkeypatch, home):
    import pwd

    monkeypatch.delenv("XDG_CACHE_HOME", raising=False)
    if home is None:
        monkeypatch.delenv("HOME", raising=False)
    else:
        monkeypatch.setenv("HOME", home)
    account = pwd.getpwuid(os.getuid()).pw_dir
    assert _ondemand.cache_folder() == os.path.join(account, ".cache", "velmora")


def test_no_home_at_all_is_a_clear_error(monkeypatch):
    import pwd

    monkeypatch.delenv("XDG_CACHE_HOME", raising=False)
    monkeypatch.setenv("HOME", "")

    def no_account(uid):
        raise KeyError(uid)

    monkeypatch.setattr(pwd, "getpwuid", no_account)
    with pytest.raises(ValueError, match="no cache folder: .*set XDG_CACHE_HOME or pass cache_dir"):
        _ondemand.cache_folder()


def only_entry(cache):
    entries = [p for p in (cache / "hunspell").iterdir()]
    assert len(entries) == 1
    return entries[0]


def stems_of(path):
    return velmora.Stemmer(path).stem_batch(["walks", "walked", "baked"])


@pytest.mark.parametrize("damage", ["link", "truncated", "garbage", "folder"])
def test_a_damaged_or_replaced_entry_is_built_again(dictionary, tmp_path, damage):
    cache = tmp_path / "cache"
    _ondemand.hunspell_model(dictionary, cache_dir=cache, progress=False)
    entry = only_entry(cache)
    good = entry.read_bytes()
    other = tmp_path / "other.vmc"
    other.write_bytes(velmora._velmora.TrieBuilder.from_bytes(b"walk\tzzz\n").to_bytes())
    entry.unlink()
    if damage == "link":
        entry.symlink_to(other)
    elif damage == "truncated":
        entry.write_bytes(good[: len(good) // 2])
    elif damage == "garbage":
        entry.write_bytes(b"\x1f\x8b not a model")
    else:
        entry.mkdir()
    if damage == "folder":
        # A folder in an entry's place cannot be removed as an entry; the error names it.
        with pytest.raises(OSError) as e:
            _ondemand.hunspell_model(dictionary, cache_dir=cache, progress=False)
        assert e.value.filename == str(entry)
        return
    path = _ondemand.hunspell_model(dictionary, cache_dir=cache, progress=False)
    assert stems_of(path) == ["walk", "walk", "bake"]
    assert only_entry(cache) == entry and not entry.is_symlink() and entry.read_bytes() == good
    assert other.exists()


def test_the_cache_never_touches_the_process_umask(dictionary, tmp_path, monkeypatch):
    def no_umask(mask):
        raise AssertionError("the process umask was changed")

    mask = os.umask(0o022)
    os.umask(mask)
    monkeypatch.setattr(os, "umask", no_umask)
    path = _ondemand.hunspell_model(dictionary, cache_dir=tmp_path / "cache", progress=False)
    assert os.stat(path).st_mode & 0o777 == 0o666 & ~mask
    assert stems_of(path) == ["walk", "walk", "bake"]


def test_a_long_dictionary_name_fits_in_an_entry_name(tmp_path):
    name = "d" * 240
    (tmp_path / f"{name}.aff").write_text(AFF, encoding="utf-8")
    (tmp_path / f"{name}.dic").write_text(DIC, encoding="utf-8")
    path = _ondemand.hunspell_model(tmp_path / f"{name}.dic", cache_dir=tmp_path / "cache", progress=False)
    assert stems_of(path) == ["walk", "walk", "bake"]


def test_missing_dictionary_names_the_folders(tmp_path):
    with pytest.raises(FileNotFoundError, match="no Hunspell dictionary 'zz_QQ'.*searched: .*hunspell"):
        velmora.Stemmer.from_hunspell("zz_QQ", cache_dir=tmp_path)


@pytest.mark.skipif(not pathlib.Path("/usr/share/hunspell/en_US.dic").exists(), reason="hunspell-en-us not installed")
def test_installed_debian_dictionary_by_name(tmp_path):
    stemmer = velmora.Stemmer.from_hunspell("en_US", cache_dir=tmp_path, progress=False)
    # Regular inflections of the Hunspell suffix rules; prefix rules are off, so return keeps its start.
    assert stemmer.stem_batch(["cats", "walked", "boxes", "return"]) == ["cat", "walk", "box", "return"]


def test_cli_builds_into_the_cache_and_prints_the_path(dictionary, tmp_path):
    env = dict(os.environ, XDG_CACHE_HOME=str(tmp_path / "xdg"))
    r = subprocess.run([sys.executable, "-m", "velmora", "build-model", "--hunspell", str(dictionary)],
                       capture_output=True, text=True, env=env)
    assert r.returncode == 0, r.stderr
    path = r.stdout.strip()
    assert path.startswith(str(tmp_path / "xdg" / "velmora" / "hunspell")) and velmora.Stemmer(path).stem("bakes") == "bake"
    r = subprocess.run([sys.executable, "-m", "velmora", "build-model", "--tsv", "x.tsv"], capture_output=True, text=True)
    assert r.returncode == 1 and "--out is required" in r.stderr


@pytest.mark.parametrize("work, shown", [(0.0, False), (0.3, True)])
def test_progress_only_for_slow_steps(work, shown):
    out = io.StringIO()
    with Progress("building", delay=0.1, stream=out) as progress:
        time.sleep(work)
        progress.step("compiling")
    text = out.getvalue()
    assert ("building ..." in text and "building: done in" in text and "compiling" in text) == shown
    assert bool(text) == shown


def test_progress_reports_a_stopped_step():
    out = io.StringIO()
    with pytest.raises(KeyboardInterrupt):
        with Progress("building", delay=0.0, stream=out):
            time.sleep(0.1)
            raise KeyboardInterrupt
    assert "building: stopped in" in out.getvalue()

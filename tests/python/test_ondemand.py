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

    monkeypatch.setattr("velmora.build.build_model", no_rebuild)
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

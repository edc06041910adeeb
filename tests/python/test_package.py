"""The velmora package: bundled models, Stemmer, pickling, the command line."""
import multiprocessing
import pickle
import subprocess
import sys

import pytest

import velmora


def test_bundled_models():
    codes = velmora.available_models()
    assert {"en", "pl", "de", "fr", "es"} <= set(codes) and codes == sorted(codes)
    assert velmora.Stemmer().stem("running") == "run"
    assert velmora.Stemmer("pl").stem("kotów") == "kot"
    with pytest.raises(ValueError, match=f"unknown model 'xx'; available: {', '.join(codes)}"):
        velmora.Stemmer("xx")


def test_stemmer_api_and_repr(small_dict):
    s = velmora.Stemmer(small_dict, lookup="last", cache_size=0)
    assert s.stem("cats") == "cat"
    assert s.stem_word(b"cats") == s.stemWord(b"cats") == b"cat"
    assert s.stem_words(["cats", "qqq"]) == s.stemWords(["cats", "qqq"]) == ["cat", "qqq"]
    assert s.stem_batch(["mice"]) == ["mouse"]
    assert s.stem_all("cats") == ["cat"]
    assert "lookup='last'" in repr(s) and small_dict in repr(s)


def _stem_in_child(stemmer):
    return stemmer.stem_batch(["running", "cats"])


@pytest.mark.parametrize("kind", ["bundled", "path", "memory"])
def test_pickling_and_multiprocessing(kind, small_dict):
    if kind == "bundled":
        stemmer = velmora.Stemmer("en")
    elif kind == "path":
        stemmer = velmora.Stemmer(small_dict)
    else:
        builder = velmora.TrieBuilder(small_dict)
        builder.add("cats", "kitten")
        stemmer = velmora.Stemmer.from_builder(builder)
    clone = pickle.loads(pickle.dumps(stemmer))
    assert clone.stem_batch(["running", "cats"]) == stemmer.stem_batch(["running", "cats"])
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        assert pool.map(_stem_in_child, [stemmer, stemmer]) == [_stem_in_child(stemmer)] * 2


def run_cli(*args, input=None):
    return subprocess.run([sys.executable, "-m", "velmora", *args], input=input, text=True, capture_output=True)


def test_cli_stem_words_and_stdin():
    r = run_cli("stem", "Running", "cats")
    assert r.returncode == 0 and r.stdout.split() == ["run", "cat"]
    r = run_cli("stem", input="The cats were running.\nMice!\n")
    assert r.stdout.split() == ["the", "cat", "be", "run", "mouse"]
    r = run_cli("stem", "--all", "running")
    assert r.stdout.strip().split("\t")[0] == "running"


def test_cli_compile_and_info(tmp_path, small_dict):
    out = tmp_path / "m.vmc"
    assert run_cli("compile", small_dict, str(out), "--forward").returncode == 0
    r = run_cli("info", str(out))
    assert r.returncode == 0 and "traversalDirection: FORWARD" in r.stdout


@pytest.mark.parametrize("args", [("stem", "--model", "/missing/model", "x"), ("info", "/missing"), ("compile", "/missing", "/tmp/x.vmc")])
def test_cli_user_errors_have_no_traceback(args):
    r = run_cli(*args)
    assert r.returncode == 1
    assert "error" in r.stderr and "Traceback" not in r.stderr


def test_cli_invalid_image(tmp_path):
    bad = tmp_path / "bad.vmc"
    bad.write_bytes(b"LXTR\x00\x00\x00\x09")
    r = run_cli("stem", "--model", str(bad), "x")
    assert r.returncode == 1 and "unsupported trie stream version 9" in r.stderr


def test_help_for_every_command():
    for command in ([], ["stem"], ["compile"], ["info"]):
        assert run_cli(*command, "--help").returncode == 0


def test_typed_usage_passes_mypy():
    api = pytest.importorskip("mypy.api")
    from conftest import REPO

    out, err, status = api.run(["--strict", "--no-incremental", str(REPO / "examples" / "typed_usage.py")])
    assert status == 0, out + err


def test_typed_usage_runs_with_every_kind_of_path():
    # The script calls every public function with str, bytes and pathlib.Path paths.
    pytest.importorskip("nltk")
    pytest.importorskip("sklearn")
    import subprocess
    import sys

    from conftest import REPO

    done = subprocess.run([sys.executable, str(REPO / "examples" / "typed_usage.py")], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr

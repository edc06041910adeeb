"""The command line: output formats, checks made before anything is written, one-line errors."""
import json
import pathlib
import subprocess
import sys

import pytest


def run_cli(*args, input=None, cwd=None):
    return subprocess.run(
        [sys.executable, "-m", "velmora", *args], input=input, text=True, capture_output=True, cwd=cwd
    )


def test_formats_agree_and_case_follows_one_rule(small_dict):
    words = ["Running", "QZX", "Cats"]
    stems = run_cli("stem", "--model", small_dict, *words).stdout.split("\n")[:3]
    # Known and unknown words alike come out lowercased by a lowercasing model.
    assert stems == ["run", "qzx", "cat"]
    pairs = run_cli("stem", "--model", small_dict, "--format", "pairs", *words).stdout.splitlines()
    assert pairs == [f"{w}\t{s}" for w, s in zip(words, stems)]
    objects = [json.loads(l) for l in run_cli("stem", "--model", small_dict, "--format", "json", *words).stdout.splitlines()]
    assert objects == [{"word": w, "stem": s} for w, s in zip(words, stems)]


def test_unknown_model_name(small_dict):
    for args in (("stem", "--model", "klingon", "x"), ("info", "klingon")):
        r = run_cli(*args)
        assert r.returncode == 1 and r.stdout == ""
        assert "unknown model 'klingon'; available: " in r.stderr
        assert "en" in r.stderr.split("available: ", 1)[1].strip().split(", ")
        assert len(r.stderr.strip().splitlines()) == 1


def test_compile_refuses_to_overwrite_its_source(tmp_path, small_dict):
    source = tmp_path / "d.tsv"
    source.write_bytes(pathlib.Path(small_dict).read_bytes())
    before = source.read_bytes()
    r = run_cli("compile", str(source), str(source))
    assert r.returncode == 1 and "is the source file" in r.stderr
    assert source.read_bytes() == before


@pytest.mark.parametrize("content", [b"", b"\x00\xff\xfe binary"])
def test_compile_refuses_a_source_without_entries(tmp_path, content):
    source, out = tmp_path / "x.bin", tmp_path / "out.vmc"
    source.write_bytes(content)
    r = run_cli("compile", str(source), str(out))
    assert r.returncode == 1 and f"'{source}' holds no dictionary entries" in r.stderr
    assert not out.exists()


def test_info_validates_before_printing():
    r = run_cli("info", "en", "--sample", "/no/such/sample.txt")
    assert r.returncode == 1 and r.stdout == ""
    assert r.stderr.strip() == "velmora info: error: cannot read sample '/no/such/sample.txt': No such file or directory"


def test_info_sample_follows_the_model(small_dict):
    assert "patch statistics of" in run_cli("info", "pl").stdout
    assert "patch statistics" not in run_cli("info", small_dict).stdout

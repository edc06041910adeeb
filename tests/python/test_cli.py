"""The command line: output formats, checks made before anything is written, one-line errors."""
import json
import os
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


@pytest.mark.parametrize(
    "content, message",
    [(b"", "'{}' holds no dictionary entries"), (b"no tabs here\n", "'{}' holds no dictionary entries"),
     (b"\x00\xff\xfe binary", "source '{}' is binary, not a text dictionary (30% NUL or undecodable bytes)")],
)
def test_compile_refuses_a_source_without_entries(tmp_path, content, message):
    source, out = tmp_path / "x.bin", tmp_path / "out.vmc"
    source.write_bytes(content)
    r = run_cli("compile", str(source), str(out))
    assert r.returncode == 1 and message.format(source) in r.stderr
    assert not out.exists()


def test_info_validates_before_printing():
    r = run_cli("info", "en", "--sample", "/no/such/sample.txt")
    assert r.returncode == 1 and r.stdout == ""
    assert r.stderr.strip() == "velmora info: error: cannot read sample '/no/such/sample.txt': No such file or directory"


def test_info_sample_follows_the_model(small_dict):
    assert "patch statistics of" in run_cli("info", "pl").stdout
    assert "patch statistics" not in run_cli("info", small_dict).stdout


# ---- options, inputs and outputs -----------------------------------------------------------


def test_version_and_help_for_every_option():
    import velmora
    from velmora.cli import build_parser

    r = run_cli("--version")
    assert r.returncode == 0 and r.stdout.strip() == f"velmora {velmora.__version__}"
    parser = build_parser()
    subparsers = next(a for a in parser._actions if a.choices and isinstance(a.choices, dict)).choices
    for name, sub in subparsers.items():
        for action in sub._actions:
            assert action.help, f"velmora {name} {action.option_strings or action.dest} has no help"


def test_inputs_in_order_with_dash_for_stdin(tmp_path, small_dict):
    first, second = tmp_path / "a.txt", tmp_path / "b.txt"
    first.write_text("cats walked\n", encoding="utf-8")
    second.write_text("geese", encoding="utf-8")
    r = run_cli("stem", "--model", small_dict, "running", "-i", str(first), "-i", "-", "--input", str(second),
                input="mice, ran")
    assert r.returncode == 0, r.stderr
    assert r.stdout.split() == ["run", "cat", "walk", "mouse", "run", "goose"]


def test_a_missing_input_names_its_path(small_dict):
    r = run_cli("stem", "--model", small_dict, "-i", "/no/such/text.txt")
    assert r.returncode == 1
    assert r.stderr.strip() == "velmora stem: error: cannot read input '/no/such/text.txt': No such file or directory"


@pytest.mark.parametrize(
    "data, offset",
    [(b"caf\xe9s", 3), ("ż".encode() * 40000 + b" x\xff", 80002), (b"ok " * 30000 + "ż".encode()[:1], 90000)],
)
def test_undecodable_input_is_an_error_naming_the_byte(small_dict, data, offset):
    r = subprocess.run([sys.executable, "-m", "velmora", "stem", "--model", small_dict], input=data, capture_output=True)
    assert r.returncode == 1
    message = r.stderr.decode().strip()
    assert message.startswith("velmora stem: error: <stdin> is not valid utf-8 text: ")
    assert f" at byte {offset} (0x" in message and "--encoding" in message


@pytest.mark.parametrize(
    "options, words", [(["--encoding", "latin-1"], ["cafés", "x"]), (["--errors", "replace"], ["caf\ufffds", "x"])]
)
def test_encoding_and_errors_options(small_dict, options, words):
    r = subprocess.run([sys.executable, "-m", "velmora", "stem", "--model", small_dict, "--format", "pairs", *options],
                       input=b"caf\xe9s x", capture_output=True)
    assert r.returncode == 0, r.stderr
    assert [line.split("\t")[0] for line in r.stdout.decode().splitlines()] == words


def test_streamed_words_match_the_whole_text():
    import random

    from velmora._text import stream_words, words_of

    rng = random.Random(7)
    alphabet = ["a", "b", "ż", "e\u0301", "'", "\u2019", " ", ".", "-", "\n", "क्", "_"]
    for _ in range(300):
        text = "".join(rng.choice(alphabet) for _ in range(rng.randrange(0, 60)))
        cuts = sorted(rng.randrange(0, len(text) + 1) for _ in range(rng.randrange(0, 6)))
        pieces = [text[a:b] for a, b in zip([0] + cuts, cuts + [len(text)])]
        assert list(stream_words(pieces)) == words_of(text), (text, pieces)


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer's shadow memory and quarantine swamp the peak this measures")
def test_a_long_word_is_cut_and_memory_stays_bounded(tmp_path, small_dict):
    from velmora._text import MAX_WORD_CHARS

    def peak(data):
        text = tmp_path / "input.txt"
        text.write_bytes(data)
        # A parent that holds none of the input measures the command's own peak.
        script = ("import resource, subprocess, sys; r = subprocess.run([sys.executable, '-m', 'velmora', 'stem', "
                  f"'--model', {small_dict!r}, '-i', {str(text)!r}], stdout=subprocess.PIPE); "
                  "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, len(r.stdout.split()), r.returncode)")
        # Under AddressSanitizer, freed memory waits in a quarantine that would count as held.
        env = dict(os.environ)
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0"
        out = subprocess.run([sys.executable, "-c", script], capture_output=True, check=True, env=env).stdout
        kb, lines, status = map(int, out.split())
        assert status == 0
        return kb, lines

    base, _ = peak(b"cats\n")
    size = 40 << 20
    punctuation, lines = peak(b"." * size + b" cats")
    assert lines == 1
    word, lines = peak(b"a" * size)
    assert lines == size // MAX_WORD_CHARS
    # One 40 MiB line, held whole, would add at least 40 MiB to the peak (and its words many more).
    assert punctuation - base < 16 * 1024 and word - base < 24 * 1024, (base, punctuation, word)


def test_compile_reads_stdin_and_writes_stdout(tmp_path, small_dict):
    source = pathlib.Path(small_dict).read_bytes()
    expected = tmp_path / "file.vmc"
    assert run_cli("compile", small_dict, str(expected)).returncode == 0
    r = subprocess.run([sys.executable, "-m", "velmora", "compile", "-", "-"], input=source, capture_output=True)
    assert r.returncode == 0, r.stderr
    assert r.stdout == expected.read_bytes()
    out = tmp_path / "from-stdin.vmc"
    r = subprocess.run([sys.executable, "-m", "velmora", "compile", "-", str(out)], input=source, capture_output=True)
    assert r.returncode == 0 and out.read_bytes() == expected.read_bytes()
    assert not (tmp_path / "-").exists()
    r = subprocess.run([sys.executable, "-m", "velmora", "compile", "-", "-"], input=expected.read_bytes(), capture_output=True)
    assert r.returncode == 1 and b"already a compiled image" in r.stderr


@pytest.mark.parametrize("args", [("stem", "--model", "{bin}", "x"), ("compile", "{bin}", "{out}"), ("info", "{bin}")])
def test_binary_models_and_sources_are_refused_in_one_line(tmp_path, args):
    binary = tmp_path / "prog"
    binary.write_bytes(pathlib.Path(sys.executable).read_bytes()[:200000])
    out = tmp_path / "out.vmc"
    r = run_cli(*[a.format(bin=binary, out=out) for a in args])
    assert r.returncode == 1 and r.stdout == ""
    assert len(r.stderr.strip().splitlines()) == 1
    assert "is binary, not a text dictionary" in r.stderr
    assert not out.exists()


def test_a_few_bad_bytes_warn_in_one_line(tmp_path):
    source = tmp_path / "d.tsv"
    source.write_bytes(b"cat\tcats\ncaf\xe9\tcaf\xe9s\n" + b"dog\tdogs\n" * 20)
    r = run_cli("stem", "--model", str(source), "cats")
    assert r.returncode == 0 and r.stdout.strip() == "cat"
    assert r.stderr.strip().splitlines() == [
        f"velmora stem: warning: model '{source}' has undecodable bytes (first at byte 12); they are read as U+FFFD"
    ]


def test_errors_name_paths_and_what_they_are(tmp_path, small_dict):
    r = run_cli("compile", "/no/such/source.tsv", str(tmp_path / "x.vmc"))
    assert r.stderr.strip() == "velmora compile: error: cannot read source '/no/such/source.tsv': No such file or directory"
    r = run_cli("compile", small_dict, "/no/such/folder/x.vmc")
    assert r.returncode == 1
    assert r.stderr.strip() == "velmora compile: error: cannot write '/no/such/folder/x.vmc': No such file or directory"


@pytest.mark.parametrize("encoding, message", [("nope", "unknown encoding 'nope'"), ("base64", "'base64' is not a text encoding")])
def test_an_unusable_encoding_is_refused_before_reading(small_dict, encoding, message):
    r = run_cli("stem", "--model", small_dict, "--encoding", encoding, input="cats")
    assert r.returncode == 1 and r.stdout == ""
    assert r.stderr.strip() == f"velmora stem: error: {message}"


def test_build_model_errors_name_the_path(tmp_path):
    pairs = tmp_path / "pairs.tsv"
    pairs.write_text("cats\tcat\n", encoding="utf-8")
    r = run_cli("build-model", "--tsv", str(pairs), "-o", "/no/such/folder/x.vmc", "--quiet")
    assert r.returncode == 1
    assert r.stderr.strip() == "velmora build-model: error: cannot write '/no/such/folder/x.vmc': No such file or directory"
    r = run_cli("build-model", "--tsv", str(tmp_path / "missing.tsv"), "-o", str(tmp_path / "x.vmc"), "--quiet")
    assert r.returncode == 1
    assert r.stderr.strip() == f"velmora build-model: error: cannot read source '{tmp_path / 'missing.tsv'}': No such file or directory"


def test_a_word_that_names_a_file_gets_a_hint(tmp_path, small_dict):
    text = tmp_path / "big.txt"
    text.write_text("cats", encoding="utf-8")
    r = run_cli("stem", "--model", small_dict, str(text))
    assert r.returncode == 0 and r.stdout.strip() == str(text).lower()
    assert r.stderr.strip() == f"velmora stem: warning: '{text}' is stemmed as a word; to stem the words of that file, give -i {text}"

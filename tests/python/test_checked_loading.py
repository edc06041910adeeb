"""The checked load of a model or source file: the extension reads the file once, decides what it
is (image or dictionary, gzip or plain), refuses what cannot serve as a model and words the
warnings that the package layer only issues."""
import gzip
import json
import os
import shutil
import subprocess
import sys

import pytest

from velmora._velmora import StemmerCore, TrieBuilder

DICTIONARY = b"walk\twalks\twalking\ncat\tcats\n"


def _image(source: bytes) -> bytes:
    return TrieBuilder.from_bytes(source).to_bytes()


# Each kind of file: what to put at the path (None: nothing; a folder: "dir").
KINDS = {
    "image": lambda: _image(DICTIONARY),
    "gzip image": lambda: _image(DICTIONARY),
    "plain image": lambda: gzip.decompress(_image(DICTIONARY)),
    "plain dictionary": lambda: DICTIONARY,
    "gzip dictionary": lambda: gzip.compress(DICTIONARY),
    "dictionary with a bad byte": lambda: DICTIONARY + b"caf\xe9\tcaf\xe9s\n",
    "empty dictionary": lambda: b"",
    "stems without words": lambda: b"walk\ncat\n",
    "binary file": lambda: b"\x00\xff\xfe binary",
    "image without rules": lambda: _image(b""),
    "directory": lambda: "dir",
    "missing file": lambda: None,
    "no permission": lambda: DICTIONARY,
}

# Loads `path` the way argv[1] names and prints one JSON object: the stem of "walks", the kind
# the loaded model reports and the warnings, or the exception's class, text, errno and filename.
RUN_LOADER = """
import json, sys, warnings
import velmora
from velmora._velmora import StemmerCore, TrieBuilder

def load(how, path):
    if how == "StemmerCore._load_checked":
        core, texts = StemmerCore._load_checked(path, shown=repr(path))
        return core, texts
    if how == "TrieBuilder._from_source":
        builder, texts = TrieBuilder._from_source(path, shown=repr(path))
        return builder.build(), texts
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        stemmer = velmora.Stemmer(path)
    return stemmer.core, [str(w.message) for w in caught]

out = []
for path in sys.argv[2:]:
    try:
        core, texts = load(sys.argv[1], path)
        kind = "dictionary" if core.recorded_modes is None else "image"
        out.append({"stem": core.stem("walks"), "kind": kind, "warnings": texts})
    except Exception as e:
        out.append({"error": type(e).__name__, "args": [str(a) for a in e.args], "text": str(e),
                    "errno": getattr(e, "errno", None), "filename": getattr(e, "filename", None)})
print(json.dumps(out))
"""

LOADERS = ["StemmerCore._load_checked", "TrieBuilder._from_source", "Stemmer"]


def _no_dac_prefix():
    """The command prefix that takes root's power to read any file away (a test as root would
    otherwise read a file of mode 000)."""
    if os.geteuid() != 0:
        return []
    if shutil.which("setpriv") is None:
        pytest.skip("running as root without setpriv to drop the file access override")
    return ["setpriv", "--bounding-set", "-dac_override,-dac_read_search"]


@pytest.fixture(scope="module")
def outcomes(tmp_path_factory):
    """Every loader's outcome for every kind of file, one process per loader."""
    folder = tmp_path_factory.mktemp("kinds")
    paths = {}
    for i, (kind, content) in enumerate(KINDS.items()):
        path = folder / f"m{i}.vmc"
        made = content()
        if made == "dir":
            path.mkdir()
        elif made is not None:
            path.write_bytes(made)
        if kind == "no permission":
            path.chmod(0)
        paths[kind] = str(path)
    prefix = _no_dac_prefix()
    results = {}
    for loader in LOADERS:
        done = subprocess.run([*prefix, sys.executable, "-c", RUN_LOADER, loader, *paths.values()],
                              capture_output=True, text=True, timeout=300)
        assert done.returncode == 0, done.stderr
        results[loader] = dict(zip(paths, json.loads(done.stdout)))
    return paths, results


LOADS = {"stem": "walk", "warnings": []}
OS_ERRORS = {
    "directory": ("IsADirectoryError", 21, "Is a directory"),
    "missing file": ("FileNotFoundError", 2, "No such file or directory"),
    "no permission": ("PermissionError", 13, "Permission denied"),
}


def expected(loader, kind, path):
    source = loader == "TrieBuilder._from_source"
    what = "source" if source else "model"
    if kind in ("image", "gzip image", "plain image", "image without rules") and source:
        return {"error": "ValueError", "text": f"{path!r} is already a compiled image, not a source dictionary"}
    if kind in ("image", "gzip image", "plain image"):
        return dict(LOADS, kind="image")
    if kind in ("plain dictionary", "gzip dictionary"):
        return dict(LOADS, kind="dictionary")
    if kind == "dictionary with a bad byte":
        return {"stem": "walk", "kind": "dictionary",
                "warnings": [f"{what} {path!r} has undecodable bytes (first at byte {len(DICTIONARY) + 3}); they are read as U+FFFD"]}
    if kind in ("empty dictionary", "stems without words", "image without rules"):
        return {"error": "ValueError", "text": f"{path!r} holds no dictionary entries"}
    if kind == "binary file":
        return {"error": "ValueError",
                "text": f"{what} {path!r} is binary, not a text dictionary (30% NUL or undecodable bytes)"}
    name, number, reason = OS_ERRORS[kind]
    if loader == "Stemmer":
        # The package layer names the file and what it was read as.
        return {"error": name, "text": f"cannot read model {path!r}: {reason}", "errno": number}
    # The extension's own shape: one argument ending in "(os error N)", errno and filename set.
    return {"error": name, "args": [f"{reason}: {path!r} (os error {number})"], "errno": number, "filename": path}


@pytest.mark.parametrize("loader", LOADERS)
@pytest.mark.parametrize("kind", list(KINDS))
def test_each_kind_of_file_loads_or_is_refused_by_the_extension(outcomes, loader, kind):
    paths, results = outcomes
    got = results[loader][kind]
    want = expected(loader, kind, paths[kind])
    assert {key: got.get(key) for key in want} == want


def test_a_checked_builder_compiles_what_compile_compiles(tmp_path):
    from velmora._velmora import compile

    source = tmp_path / "d.tsv"
    source.write_bytes(DICTIONARY)
    compile(str(source), str(tmp_path / "out.vmc"), backward=False, lowercase=False)
    for given in (str(source), DICTIONARY):
        builder, texts = TrieBuilder._from_source(given, backward=False, lowercase=False, shown="d")
        assert texts == []
        assert builder.to_bytes() == (tmp_path / "out.vmc").read_bytes()


def test_bytes_are_named_as_the_caller_shows_them():
    with pytest.raises(ValueError, match=r"^<stdin> holds no dictionary entries$"):
        TrieBuilder._from_source(b"# only a comment\n", shown="<stdin>")
    with pytest.raises(ValueError, match=r"^data holds no dictionary entries$"):
        TrieBuilder._from_source(b"")


def test_unchecked_loaders_still_take_any_bytes(tmp_path):
    # StemmerCore and TrieBuilder keep their contract: an empty dictionary is an empty model.
    path = tmp_path / "empty.tsv"
    path.write_bytes(b"")
    assert StemmerCore(str(path)).stem("walks") is None
    assert TrieBuilder(str(path)).build().stem("walks") is None

"""Every sample of the README runs, and the results it shows are the real ones: each Python
expression followed by a `# result` comment is compared with the repr of its value, and each
`$ velmora ...` line of a console block with the lines printed after it."""
import ast
import gzip
import os
import re
import shlex
import subprocess
import sys
import warnings

import pytest

from conftest import REPO

README = (REPO / "README.md").read_text(encoding="utf-8")
PYTHON = re.compile(r"```python\n(.*?)```", re.S)
CONSOLE = re.compile(r"```console\n(.*?)```", re.S)
# "expr  # 'shown'" or "expr  # ['shown']: an explanation"; the shown text is a repr.
SHOWN = re.compile(r"#\s+(?P<repr>(?:['\"\[(]|None\b|True\b|False\b|b'|-?\d).*?)(?::\s.*)?$")


@pytest.fixture
def sandbox(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    os.symlink(REPO / "python", tmp_path / "python")
    (tmp_path / "my_dict.tsv.gz").write_bytes(gzip.compress(b"run\trunning\truns\n"))
    (tmp_path / "corpus.txt").write_text("The cats walked.\n", encoding="utf-8")
    return tmp_path


def shown_results(block):
    """(statement, shown repr or None) for each top-level statement of a block."""
    lines = block.splitlines()
    for statement in ast.parse(block).body:
        comment = SHOWN.search(lines[statement.end_lineno - 1]) if isinstance(statement, ast.Expr) else None
        yield statement, (comment["repr"].strip() if comment else None)


def test_readme_samples(sandbox):
    blocks = PYTHON.findall(README)
    assert blocks
    namespace = {}
    checked = 0
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # a sample that warns (a deprecated call) is stale
        warnings.filterwarnings("ignore", message=".*pandas >= 3.0.0.*")
        for block in blocks:
            for statement, shown in shown_results(block):
                if shown is None:
                    exec(compile(ast.Module([statement], []), "README.md", "exec"), namespace)
                    continue
                value = eval(compile(ast.Expression(statement.value), "README.md", "eval"), namespace)
                assert repr(value) == shown, ast.unparse(statement)
                checked += 1
    assert checked >= 20


def console_commands(block):
    """(arguments, expected output) for each `$ velmora` line and the lines after it."""
    commands = []
    for line in block.splitlines():
        if line.startswith("$ "):
            commands.append((shlex.split(line[2:]), []))
        else:
            commands[-1][1].append(line)
    return [(args, "\n".join(out)) for args, out in commands]


def test_console_samples_print_what_they_show(sandbox):
    blocks = CONSOLE.findall(README)
    assert blocks
    ran = 0
    for block in blocks:
        for args, expected in console_commands(block):
            assert args[0] == "velmora"
            done = subprocess.run([sys.executable, "-m", "velmora", *args[1:]], capture_output=True, text=True)
            assert (done.stdout + done.stderr).rstrip("\n") == expected, args
            assert done.returncode == (1 if "error:" in expected else 0), args
            ran += 1
    assert ran >= 4

"""Every Python sample of the README runs, and the results its comments show are the real ones."""
import gzip
import os
import re

from conftest import REPO

BLOCK = re.compile(r"```python\n(.*?)```", re.S)
SHOWN = re.compile(r"^(?P<expr>[^=#]+?)\s+#\s+(?P<repr>['\[(N].*?)(?::.*)?$")


def test_readme_samples(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    os.symlink(REPO / "python", tmp_path / "python")
    (tmp_path / "my_dict.tsv.gz").write_bytes(gzip.compress(b"run\trunning\truns\n"))
    namespace = {}
    blocks = BLOCK.findall((REPO / "README.md").read_text(encoding="utf-8"))
    assert blocks
    checked = 0
    for block in blocks:
        exec(compile(block, "README.md", "exec"), namespace)
        for line in block.splitlines():
            m = SHOWN.match(line)
            if m:
                assert repr(eval(m["expr"], namespace)) == m["repr"].strip(), line
                checked += 1
    assert checked >= 7

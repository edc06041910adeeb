"""Regenerates the bundled compiled models from the source dictionaries.

Usage: python tools/build_models.py [DATA_DIR]   (default: ../shared/data beside the repository)
"""
import pathlib
import sys

from velmora import _velmora

REPO = pathlib.Path(__file__).resolve().parents[1]
MODELS = {"en": "en_US.tsv.gz", "pl": "pl_PL.tsv.gz"}


def main() -> int:
    data = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else REPO.parent / "shared" / "data"
    out_dir = REPO / "python" / "velmora" / "models"
    out_dir.mkdir(parents=True, exist_ok=True)
    for name, source in MODELS.items():
        out = out_dir / f"{name}.vmc"
        _velmora.compile(str(data / source), str(out))
        print(f"{out.relative_to(REPO)}: {out.stat().st_size} bytes from {source}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""Rebuilds the bundled compiled models from their recipes (velmora.build.recipes) and records provenance.

Usage: python tools/build_models.py [LANG ...]   (default: every language with a recipe)

The output is byte-for-byte reproducible for the same source package versions: every step sorts its data,
and the compiled image has no timestamp. The versions used are written to python/velmora/models/SOURCES.json.
"""
import json
import pathlib
import sys
import time

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "python"))

from velmora.build import RECIPES, compile_pairs, recipe, training_pairs  # noqa: E402

MODELS = REPO / "python" / "velmora" / "models"
SOURCES = MODELS / "SOURCES.json"


def provenance(lang: str) -> list:
    return [
        {
            "source": s.name,
            "package": f"{s.package_kind}:{s.package}",
            "version": s.package_version(),
            "licence": s.licence,
            "priority": s.priority,
        }
        for s in recipe(lang).sources
    ]


def main(argv: list) -> int:
    langs = argv or sorted(RECIPES)
    record = json.loads(SOURCES.read_text(encoding="utf-8")) if SOURCES.exists() else {}
    for lang in langs:
        t0 = time.perf_counter()
        pairs = training_pairs(lang)
        t1 = time.perf_counter()
        image = compile_pairs(pairs)
        t2 = time.perf_counter()
        out = MODELS / f"{lang}.vmc"
        out.write_bytes(image)
        record[lang] = {"pairs": len(pairs), "bytes": len(image), "sources": provenance(lang)}
        print(f"{out.relative_to(REPO)}: {len(image)} bytes from {len(pairs)} pairs "
              f"(sources read in {t1 - t0:.1f} s, compiled in {t2 - t1:.1f} s)")
    SOURCES.write_text(json.dumps(record, indent=2, sort_keys=True, ensure_ascii=False) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

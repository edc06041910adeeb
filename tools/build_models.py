"""Rebuilds the bundled compiled models from their recipes (velmora.lexicon.recipes) and records provenance.

Usage: python tools/build_models.py [LANG ...]   (default: every language with a recipe)
Runs against the installed velmora (`make install`); writes into this checkout's python/velmora/models.

The output is byte-for-byte reproducible for the same source package versions: every step sorts its data,
and the compiled image has no timestamp. The versions used are written to python/velmora/models/SOURCES.json.
"""
import json
import logging
import pathlib
import re
import sys
import time

REPO = pathlib.Path(__file__).resolve().parents[1]
# The installed package is used (`make models` installs it first): the source tree has no compiled extension,
# and the package imports it on load.

from velmora.lexicon import RECIPES, compile_pairs, readers, recipe, training_pairs  # noqa: E402
from velmora import _velmora  # noqa: E402
from provenance import source_version  # noqa: E402

MODELS = REPO / "python" / "velmora" / "models"
SOURCES = MODELS / "SOURCES.json"
LICENSES = MODELS / "LICENSES"
# Debian copyright files up to this size are copied whole; bigger ones (libreoffice-dictionaries' file covers
# every language) are cut down to the paragraphs about the dictionary's own folder and the licences they name.
WHOLE_COPYRIGHT_BYTES = 20_000


def provenance(lang: str) -> list:
    return [
        {
            "source": s.name,
            "package": f"{s.package_kind}:{s.package}",
            "version": source_version(s),
            "licence": s.licence,
            "priority": s.priority,
        }
        for s in recipe(lang).sources
    ]


def copyright_excerpt(text: str, dictionary: str) -> str:
    paragraphs = text.split("\n\n")
    folder = re.compile(rf"dictionaries/{re.escape(dictionary.split('_')[0])}(_[A-Za-z]+)?/")
    about = [p for p in paragraphs if p.startswith("Files:") and folder.search(p.split("License:")[0])]
    names = {m.strip() for p in about for m in re.findall(r"^License:\s*(.+)$", p, re.M)}
    names = {part.strip() for n in names for part in re.split(r"\s+or\s+|\s+and\s+", n)}
    texts = [p for p in paragraphs if p.startswith("License:") and p.split("\n")[0][8:].strip() in names]
    return "\n\n".join(about + texts) + "\n"


def simplemma_licence() -> str:
    """simplemma's licence file and the part of its package description that names where its dictionaries come
    from and under which licences (the wheel carries no licence file of the data itself)."""
    from importlib import metadata

    dist = metadata.distribution("simplemma")
    files = [f for f in dist.files or () if f.name.upper().startswith("LICEN")]
    licence = "\n".join(f.read_text() or "" for f in files)
    description = dist.metadata.get_payload() or ""
    credits = description.split("## Credits and licenses", 1)[-1].split("\n## ", 1)[0]
    return (f"simplemma {dist.version}: licence of the package\n\n{licence.strip()}\n\n"
            f"Sources and licences of its dictionaries, from the package description:\n{credits.rstrip()}\n")


def write_licences(lang: str) -> None:
    """Copies the licence files of a language's sources into models/LICENSES (files already there are kept:
    some were written by hand from the package's documentation)."""
    from velmora.lexicon.readers import spacy_lookup_dir

    LICENSES.mkdir(exist_ok=True)
    for source in recipe(lang).sources:
        if source.package == "spacy-lookups-data":
            for path in sorted(spacy_lookup_dir().glob(f"{lang}_licen[cs]e.txt")) + sorted(
                spacy_lookup_dir().glob(f"{lang}_source.txt")
            ):
                out = LICENSES / f"spacy-lookups-data-{path.name}"
                if not out.exists():
                    out.write_bytes(path.read_bytes())
        elif source.package == "simplemma":
            out = LICENSES / "simplemma.txt"
            if not out.exists():
                out.write_text(simplemma_licence(), encoding="utf-8")
        elif source.package_kind == "debian":
            if any(LICENSES.glob(f"{source.package}*")):
                continue
            copyright_file = pathlib.Path("/usr/share/doc") / source.package / "copyright"
            text = copyright_file.read_text(encoding="utf-8", errors="replace")
            if len(text) > WHOLE_COPYRIGHT_BYTES and source.name.startswith("Hunspell "):
                text = copyright_excerpt(text, source.name.split()[1])
            (LICENSES / f"{source.package}.txt").write_text(text, encoding="utf-8")


def main(argv: list) -> int:
    # the pipeline logs what its cross-source checks dropped per language (logger velmora.lexicon)
    logging.basicConfig(level=logging.INFO, format="%(message)s", stream=sys.stdout)
    langs = argv or sorted(RECIPES)
    record = json.loads(SOURCES.read_text(encoding="utf-8")) if SOURCES.exists() else {}
    record = {code: entry for code, entry in record.items() if code in RECIPES}
    for lang in langs:
        t0 = time.perf_counter()
        pairs = training_pairs(lang)
        t1 = time.perf_counter()
        image = compile_pairs(pairs)
        t2 = time.perf_counter()
        out = MODELS / f"{lang}.vmc"
        _velmora._write_file(str(out), image)  # replaced whole or not at all, as every model file
        write_licences(lang)
        # a recipe reads a dictionary's expansion twice at most, and the next language never: free it
        cached = getattr(readers, "_hunspell_expansion", readers.hunspell_expansion)
        if hasattr(cached, "cache_clear"):
            cached.cache_clear()
        record[lang] = {"pairs": len(pairs), "bytes": len(image), "sources": provenance(lang)}
        print(f"{out.relative_to(REPO)}: {len(image)} bytes from {len(pairs)} pairs "
              f"(sources read in {t1 - t0:.1f} s, compiled in {t2 - t1:.1f} s)", flush=True)
        # written after every model, so that an interrupted run leaves the record true to the files
        SOURCES.write_text(json.dumps(record, indent=2, sort_keys=True, ensure_ascii=False) + "\n", encoding="utf-8")
    SOURCES.write_text(json.dumps(record, indent=2, sort_keys=True, ensure_ascii=False) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

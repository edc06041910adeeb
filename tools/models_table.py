"""Prints the README's table of bundled languages from the models' provenance and the quality results.

Usage: python tools/models_table.py [--provenance] [RESULTS.json ...]   (after `make models` and `make quality`)
Later results files (bench/quality.py --json, a run over some languages) override the default one per language.
--provenance prints the table of python/velmora/models/README.md instead: sources, versions, full licences.
"""
import json
import pathlib
import re
import sys

REPO = pathlib.Path(__file__).resolve().parents[1]
# The installed package is read (`make install`): the source tree has no compiled extension to load.

from velmora._registry import LANGUAGE_NAMES  # noqa: E402
from velmora.lexicon import recipe  # noqa: E402

MODELS = REPO / "python" / "velmora" / "models"
RESULTS = REPO / "bench" / "quality_results.json"


def short_licence(licence: str) -> str:
    """`GPL-2 or LGPL-2.1 or MPL-1.1, used under the MPL-1.1` -> `MPL-1.1`; `CC0 (...); package MIT` -> `CC0`."""
    used = re.search(r"used under (?:the |its )?([^;,(]+)", licence)
    if used:
        return re.sub(r" (option|licence)$", "", used.group(1).strip())
    if licence.startswith("no licence file"):
        return "MIT"
    return re.split(r"\s*[(;]", licence, maxsplit=1)[0].strip()


def short_source(name: str) -> str:
    name = re.sub(r"^spacy-lookups-data (\w+) lemma lookup.*", "spaCy table", name)
    name = re.sub(r"^spacy-lookups-data (\w+) lemma exceptions.*", "spaCy exceptions", name)
    name = re.sub(r"^spacy-lookups-data (\w+) lemma rules.*", "spaCy rules", name)
    name = re.sub(r"^spaCy (\w+) stop words.*", "spaCy stop words", name)
    name = re.sub(r"^closed-class words.*", "closed-class paradigms", name)
    name = re.sub(r"^Hunspell (\S+) \(.*", r"Hunspell \1", name)
    return name


def system_row(results: dict, code: str, system: str) -> dict:
    for entry in results.get("languages", []):
        if entry["language"] == code:
            row = next((r for r in entry["rows"] if r["system"] == system), {})
            return {**row, "gold": entry.get("gold")}
    return {}


def velmora_row(results: dict, code: str) -> dict:
    return system_row(results, code, "velmora")


def gold_cell(row: dict) -> str:
    """The gold of the figures, and whether the model was built from its data."""
    if not row.get("gold"):
        return "none"
    return f"{row['gold']} ({'shared with the sources' if row.get('built_from_gold_data') else 'independent'})"


def figure(value, shared=False) -> str:
    if value is None:
        return "—"
    return f"{value:.3f}" + (" ¹" if shared else "")


def count(value) -> str:
    return "—" if value is None else str(value)


def provenance(record: dict, codes) -> None:
    print("| file | size | pairs | sources (priority; package version) | licences |")
    print("|---|---|---|---|---|")
    for code in codes:
        entry = record[code]
        sources = "; ".join(f"{s['source']} ({s['priority']}; {s['package']} {s['version']})" for s in entry["sources"])
        licences = "; ".join(dict.fromkeys(s["licence"] for s in entry["sources"]))
        print(f"| `{code}.vmc` | {entry['bytes']:,} bytes | {entry['pairs']:,} | {sources} | {licences} |")


def main() -> int:
    record = json.loads((MODELS / "SOURCES.json").read_text(encoding="utf-8"))
    if "--provenance" in sys.argv[1:]:
        provenance(record, [c for c in sorted(record) if c not in ("en", "pl") and (MODELS / f"{c}.vmc").exists()])
        return 0
    results = json.loads(RESULTS.read_text(encoding="utf-8")) if RESULTS.exists() else {"languages": []}
    for extra in [a for a in sys.argv[1:] if not a.startswith("--")]:
        newer = {e["language"]: e for e in json.loads(pathlib.Path(extra).read_text(encoding="utf-8"))["languages"]}
        results["languages"] = [newer.pop(e["language"], e) for e in results["languages"]] + list(newer.values())
    print("| code | language | sources | licences | size | lemma accuracy | wrong merges | non-words | "
          "Snowball acc. / merges | gold | held-out exact |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    total = 0
    for code in sorted(record):
        model = MODELS / f"{code}.vmc"
        if not model.exists():
            continue
        size = model.stat().st_size
        total += size
        sources = recipe(code).sources
        names = list(dict.fromkeys(short_source(s.name) for s in sources))
        licences = list(dict.fromkeys(short_licence(s.licence) for s in sources))
        row = velmora_row(results, code)
        snow = system_row(results, code, "Snowball (PyStemmer)")
        snowball = (f"{figure(snow.get('lemma_accuracy'))} / {figure(snow.get('wrong_merges'))}"
                    if snow.get("lemma_accuracy") is not None else "—")
        name = LANGUAGE_NAMES.get(code, (code,))[0].title()
        print(f"| `{code}` | {name} | {', '.join(names)} | {', '.join(licences)} | {size / 1e6:.2f} MB | "
              f"{figure(row.get('lemma_accuracy'), row.get('built_from_gold_data', False))} | "
              f"{figure(row.get('wrong_merges'))} | {count(row.get('non_words'))} | {snowball} | "
              f"{gold_cell(row)} | {figure(row.get('held_out_exact'))} |")
    print(f"\nTotal: {total / 1e6:.1f} MB")
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""Quality benchmark: how often each bundled model's stem is the lemma a user expects, beside peer systems.

Usage: python bench/quality.py [--lang CODE ...] [--model CODE=PATH ...] [--top-n N] [--fresh] [--no-chart] [--update]
                                [--no-training] [--json FILE]
Prints a markdown table, writes bench/quality_results.json and docs/quality.png.

Per language, on the alphabetic words among the top N of wordfreq's list that a gold analyser knows
(weight = the word's wordfreq frequency, out(w) = the system's output, the word itself when it has none; all
lowercased):
- lemma accuracy = sum of weight(w) * [out(w) in gold(w)] / sum of weight;
- wrong merges = sum of weight(w) * [some other listed v has out(v) = out(w) and gold(v), gold(w) disjoint]
  / sum of weight.
Every installed gold analyser of the language (bench/quality_languages.py) is scored, each a line of its own; the
headline gold is the first one the model was not built from. A system built from a gold's own data is marked.
For the bundled model also, from the pairs it is built from (velmora.lexicon.training_pairs):
- known words = share of the distinct forms whose stem is one of the form's listed lemmas;
- held-out = a fixed 10% of the forms removed, the rest compiled, the removed forms stemmed: 'exact' when the
  stem is one of the form's lemmas, 'unchanged' when it is the form itself.
For every system, where the language has a Hunspell dictionary (bench/quality_nonwords.py):
- non-words = of the 1,000 most frequent words the dictionary accepts, how many come out as a word it rejects
  (as written and capitalised).
"""
from __future__ import annotations

import argparse
import datetime
import hashlib
import json
import os
import pathlib
import platform
import resource
import subprocess
import sys
import time
from typing import Callable, Dict, List, Optional, Tuple

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "tools"))

import velmora  # noqa: E402
from quality_gold import CACHE, REPO, TOP_N, ScoredList, gold_analyser, package_version, scored_list  # noqa: E402
from quality_languages import LANGUAGES, Language, language  # noqa: E402
from quality_metrics import form_scores, lemma_accuracy, lemmas_by_form, split_held_out, wrong_merges  # noqa: E402
import quality_peers  # noqa: E402
from provenance import source_version  # noqa: E402
from quality_nonwords import known_frequent_words, non_words  # noqa: E402

SHARED_DATA = REPO.parent / "shared" / "data"
RESULTS = HERE / "quality_results.json"
CHART = REPO / "docs" / "quality.png"
PEER_PACKAGES = ("wordfreq", "lemminflect", "morfeusz2", "simplemma", "PyStemmer", "spacy-lookups-data", "matplotlib",
                 "lemmagen3", "lemmy", "cs-core-news-sm")

VELMORA = "velmora"
BEFORE = "velmora before"
SNOWBALL = "Snowball (PyStemmer)"
SIMPLEMMA = "simplemma"
SPACY = "spaCy lookup"
SYSTEMS = (VELMORA, BEFORE, SNOWBALL, SIMPLEMMA, SPACY)


def log(message: str) -> None:
    print(message, file=sys.stderr, flush=True)


def model_sources(code: str) -> str:
    """Everything recorded about what a language's model is built from, as one lowercased text: the
    pipeline's recipe (source names, licences, notes) and the provenance files beside the bundled models."""
    texts = []
    try:
        from velmora.lexicon import recipe

        texts += [f"{s.name} {s.package} {s.licence} {s.notes}" for s in recipe(code).sources]
    except Exception:  # no pipeline or no recipe for the language: the provenance files are all there is
        pass
    folder = pathlib.Path(velmora.__file__).parent / "models"
    for name in ("SOURCES.json", "models.json"):
        path = folder / name
        if path.exists():
            texts.append(json.dumps(provenance_entry(json.loads(path.read_text(encoding="utf-8")), code),
                                    ensure_ascii=False))
    return " ".join(texts).lower()


def provenance_entry(record: object, code: str) -> object:
    """A language's entry in a provenance file: {code: entry}, {"models": {code: entry}} or a list of entries
    carrying their "code"."""
    if isinstance(record, dict) and isinstance(record.get("models"), (dict, list)):
        record = record["models"]
    if isinstance(record, dict):
        return record.get(code, {})
    if isinstance(record, list):
        return next((e for e in record if isinstance(e, dict) and e.get("code") == code), {})
    return {}


def choose_gold(language: Language, sources: str) -> Tuple[Optional[str], bool]:
    """The language's first installed gold analyser that its bundled model was not built from; failing that, the
    first installed one, flagged as shared with the model."""
    lines = gold_lines(language, sources)
    return lines[0] if lines else (None, False)


def gold_lines(language: Language, sources: str) -> List[Tuple[str, bool]]:
    """Every installed gold analyser of the language, each flagged when the model was built from its data: the
    independent ones first, in the table's order."""
    installed = [g for g in language.gold if gold_analyser(g).available()]
    flagged = [(name, any(marker in sources for marker in gold_analyser(name).markers)) for name in installed]
    return [line for line in flagged if not line[1]] + [line for line in flagged if line[1]]


def before_model(language: Language) -> Optional[velmora.StemmerCore]:
    """The model compiled the old way from ../shared/data; None when that folder is not beside the repository."""
    if language.before is None:
        return None
    source = SHARED_DATA / language.before
    if not source.exists():
        return None
    engine = pathlib.Path(velmora._velmora.__file__).stat()
    stamp = f"{source.stat().st_size}-{source.stat().st_mtime_ns}-{engine.st_size}-{engine.st_mtime_ns}"
    image = CACHE / f"before-{language.code}-{stamp}.vmc"
    if not image.exists():
        log(f"  compiling {source.name} (before)")
        CACHE.mkdir(parents=True, exist_ok=True)
        for stale in CACHE.glob(f"before-{language.code}-*.vmc"):
            stale.unlink()
        velmora.compile(str(source), str(image) + ".tmp")
        os.replace(str(image) + ".tmp", image)
    return velmora.StemmerCore(str(image))


def model_file(code: str, models: Dict[str, pathlib.Path]) -> Optional[pathlib.Path]:
    """The model scored for a language: one given with --model, else the bundled one."""
    if code in models:
        return models[code]
    if code not in [str(m) for m in velmora.available_models()]:
        return None
    return pathlib.Path(velmora.model_path(code))


def training_stamp(code: str, model: pathlib.Path) -> str:
    """What the training figures depend on: the pipeline's code, the versions of the language's sources, the
    bundled model and the engine. Assembling the training pairs of a large language takes minutes, so the
    figures are reused while none of these changes."""
    digest = hashlib.sha256()
    package = pathlib.Path(velmora.__file__).parent
    for path in [HERE / "quality_metrics.py", *sorted((package / "lexicon").rglob("*.py"))]:
        digest.update(path.name.encode() + path.read_bytes())
    try:
        from velmora.lexicon import recipe

        for source in recipe(code).sources:
            digest.update(f"{source.name}={source_version(source)}".encode())
    except Exception as error:  # a pipeline without recipes: its code alone identifies the pairs
        digest.update(repr(error).encode())
    digest.update(model.read_bytes())
    engine = pathlib.Path(velmora._velmora.__file__).stat()
    digest.update(f"{engine.st_size}-{engine.st_mtime_ns}".encode())
    return digest.hexdigest()[:20]


# Assembling a language's training pairs can take gigabytes; a child process under this address-space cap
# fails alone, rather than the machine's other work, when a recipe grows beyond it.
MEMORY_LIMIT_GIB = float(os.environ.get("VELMORA_QUALITY_MEMORY_GIB", "12"))


def training_figures(code: str, model: pathlib.Path, reuse: bool = True) -> Dict[str, object]:
    """Known-word accuracy of the model and the 10% held-out figures, from the language's training pairs."""
    try:
        import velmora.lexicon  # noqa: F401
    except ImportError as error:
        return {"note": f"no model pipeline ({error})"}
    cached = CACHE / f"training-{code}-{training_stamp(code, model)}.json"
    if reuse and cached.exists():
        log("  training figures unchanged since the last run (cached)")
        return json.loads(cached.read_text(encoding="utf-8"))
    limit = int(MEMORY_LIMIT_GIB * 2**30)
    done = subprocess.run([sys.executable, __file__, "--training-figures", code, str(model)], stdout=subprocess.PIPE,
                          text=True, preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
    if done.returncode != 0:
        log(f"  training figures failed (exit {done.returncode}, memory cap {MEMORY_LIMIT_GIB:g} GiB)")
        return {"note": f"training figures failed (exit {done.returncode}, memory cap {MEMORY_LIMIT_GIB:g} GiB)"}
    figures = json.loads(done.stdout.strip().splitlines()[-1])
    CACHE.mkdir(parents=True, exist_ok=True)
    for stale in CACHE.glob(f"training-{code}-*.json"):
        stale.unlink()
    cached.write_text(json.dumps(figures), encoding="utf-8")
    return figures


def measure_training_figures(code: str, model: pathlib.Path) -> Dict[str, object]:
    from velmora.lexicon import compile_pairs, training_pairs

    core = velmora.StemmerCore(str(model))
    t0 = time.perf_counter()
    pairs = list(training_pairs(code))
    log(f"  {len(pairs):,} training pairs in {time.perf_counter() - t0:.0f} s")
    lemmas = lemmas_by_form(pairs)
    forms = list(lemmas)
    known = form_scores(lemmas, dict(zip(forms, core.stemWords(forms))))
    kept, held = split_held_out(pairs)
    log(f"  held-out: compiling {len(kept):,} of {len(pairs):,} pairs")
    t1 = time.perf_counter()
    held_core = velmora.TrieBuilder.from_bytes(compile_pairs(kept)).build()
    log(f"  compiled in {time.perf_counter() - t1:.0f} s")
    held_forms = list(held)
    held_scores = form_scores(held, dict(zip(held_forms, held_core.stemWords(held_forms))))
    return {
        "training_pairs": len(pairs),
        "training_forms": len(forms),
        "known_words": known["exact"],
        "held_out_forms": held_scores["forms"],
        "held_out_exact": held_scores["exact"],
        "held_out_unchanged": held_scores["unchanged"],
        "seconds": time.perf_counter() - t0,
    }


TRAINING_FIELDS = ("training_pairs", "training_forms", "known_words", "held_out_forms", "held_out_exact",
                   "held_out_unchanged", "seconds")


def keep_training_figures(old: Dict[str, object], new: Dict[str, object]) -> None:
    """Copies the earlier run's training figures of velmora's row into a rescore that left them out."""
    before = next((r for r in old["rows"] if r["system"] == VELMORA), None)
    now = next((r for r in new["rows"] if r["system"] == VELMORA), None)
    if before is not None and now is not None:
        now.update({k: before[k] for k in TRAINING_FIELDS if k in before and k not in now})


def score(scored: Optional[ScoredList], outputs, frequent=None, others=()) -> Dict[str, object]:
    """The figures on the headline gold `scored`, the non-words, and under "by_gold" the lemma accuracy and
    wrong merges on each of `others`, (gold name, shared with this system, scored list)."""
    figures: Dict[str, object] = {}
    if outputs is None:
        return figures

    def on(listed: ScoredList) -> Dict[str, float]:
        out = [listed.fold(o if o is not None else w) for o, w in zip(outputs(listed.words), listed.words)]
        return {"lemma_accuracy": lemma_accuracy(listed.weights, listed.gold, out),
                "wrong_merges": wrong_merges(listed.weights, listed.gold, out)}

    if scored is not None:
        figures.update(on(scored))
    if others:
        figures["by_gold"] = [{"gold": name, **on(listed), "built_from_gold_data": shared}
                              for name, shared, listed in others]
    if frequent is not None:
        count, examples = non_words(frequent, outputs)
        figures["non_words"] = count
        figures["non_word_examples"] = examples[:12]
    return figures


def run_language(language: Language, top_n: int, models: Dict[str, pathlib.Path],
                 reuse: bool = True, training: bool = True) -> Dict[str, object]:
    log(f"{language.code}:")
    t0 = time.perf_counter()
    lines = gold_lines(language, model_sources(language.code)) if language.wordfreq else []
    gold, gold_shared = lines[0] if lines else (None, False)
    listed = {name: scored_list(language.wordfreq, name, top_n) for name, _ in lines}
    scored = listed[gold] if gold else None

    def others(shared_with: Callable[[str, bool], bool]):
        return [(name, shared_with(name, shared), listed[name]) for name, shared in lines]

    speller = language.spell_dictionary()
    frequent = known_frequent_words(language.wordfreq, speller) if speller and language.wordfreq else None
    rows: List[Dict[str, object]] = []

    model = model_file(language.code, models)
    if model is not None:
        core = velmora.StemmerCore(str(model))
        row = {"system": VELMORA, **score(scored, core.stemWords, frequent, others(lambda name, shared: shared)),
               **(training_figures(language.code, model, reuse) if training else {})}
        row["built_from_gold_data"] = gold_shared
        rows.append(row)
    before = before_model(language)
    if before is not None:
        rows.append({"system": BEFORE, **score(scored, before.stemWords, frequent, others(lambda name, shared: False)),
                     "built_from_gold_data": False})
    for name, outputs in ((SNOWBALL, quality_peers.snowball(language.snowball)),
                          (SIMPLEMMA, quality_peers.simplemma_lemmatizer(language.simplemma)),
                          (SPACY, quality_peers.spacy_lookup(language.spacy))):
        if outputs is not None:
            from_gold = name in language.peers_from_gold_data  # of the headline gold
            rows.append({"system": name, **score(scored, outputs, frequent,
                                                 others(lambda g, shared: from_gold and g == gold)),
                         "built_from_gold_data": from_gold})
    return {
        "language": language.code,
        "frequency_list": f"wordfreq:{language.wordfreq}" if language.wordfreq else None,
        "gold": gold if scored else None,
        "gold_description": gold_analyser(gold).describe if scored else None,
        "gold_version": gold_analyser(gold).version() if scored else None,
        "top_n": scored.top_n if scored else None,
        "scored_words": len(scored.words) if scored else None,
        "golds": [{"gold": name, "description": gold_analyser(name).describe, "version": gold_analyser(name).version(),
                   "scored_words": len(listed[name].words), "independent": not shared} for name, shared in lines],
        "non_word_dictionary": frequent.dictionary if frequent else None,
        "non_word_list": len(frequent.words) if frequent else None,
        "rows": rows,
        "seconds": time.perf_counter() - t0,
    }


def versions() -> Dict[str, str]:
    found = {name: package_version(name) for name in PEER_PACKAGES}
    if found["morfeusz2"] != "absent":
        found["morfeusz2"] = gold_analyser("morfeusz2").version()
    try:
        commit = subprocess.run(["git", "-C", str(REPO), "rev-parse", "--short", "HEAD"], capture_output=True,
                                text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        commit = "unknown"
    return {"velmora": f"{velmora.__version__} ({commit})", "python": platform.python_version(), **found}


def figure(value) -> str:
    return "—" if value is None else f"{value:.3f}"


def count(value) -> str:
    return "—" if value is None else str(value)


def on_gold(row: Dict[str, object], gold: Optional[str]) -> Dict[str, object]:
    """A system's lemma accuracy, wrong merges and shared-data flag on one gold (results without "by_gold" have
    the headline gold's alone)."""
    for line in row.get("by_gold") or ():
        if line["gold"] == gold:
            return line
    return row


def markdown_by_language(results: List[Dict[str, object]]) -> str:
    """One line per language and gold, each system's "lemma accuracy / wrong merges" side by side: the README
    form once many languages are bundled. The first line of a language is its headline gold; the non-word and
    training columns, which need no gold, are given there only."""
    lines = [
        "| language | gold | velmora | non-words | known words | held-out exact | " + " | ".join(SYSTEMS[1:]) + " |",
        "|---|---|---|---|---|---|" + "---|" * (len(SYSTEMS) - 1),
    ]
    for lang in results:
        rows = {row["system"]: row for row in lang["rows"]}
        golds = [g["gold"] for g in lang.get("golds") or ()] or [lang.get("gold")]
        for k, gold in enumerate(golds):
            def pair(system: str) -> str:
                row = rows.get(system)
                figures = on_gold(row, gold) if row is not None else None
                if figures is None or figures.get("lemma_accuracy") is None:
                    return "—"
                mark = " ¹" if figures.get("built_from_gold_data") else ""
                found = (f" ({row['non_words']})" if k == 0 and row.get("non_words") is not None and system != VELMORA
                         else "")
                return f"{figures['lemma_accuracy']:.3f} / {figures['wrong_merges']:.3f}{mark}{found}"

            own = rows.get(VELMORA, {}) if k == 0 else {}
            lines.append(f"| {lang['language'] if k == 0 else ''} | {gold or 'none'} | {pair(VELMORA)} | "
                         f"{count(own.get('non_words')) if k == 0 else ''} | "
                         f"{figure(own.get('known_words')) if k == 0 else ''} | "
                         f"{figure(own.get('held_out_exact')) if k == 0 else ''} | "
                         + " | ".join(pair(s) for s in SYSTEMS[1:]) + " |")
    return "\n".join(lines)


def markdown(results: List[Dict[str, object]]) -> str:
    lines = [
        "| language | system | lemma accuracy | wrong merges | non-words | known words | held-out exact | "
        "held-out unchanged |",
        "|---|---|---|---|---|---|---|---|",
    ]
    for lang in results:
        for row in lang["rows"]:
            system = row["system"] + (" ¹" if row.get("built_from_gold_data") else "")
            lines.append(
                f"| {lang['language']} | {system} | {figure(row.get('lemma_accuracy'))} | "
                f"{figure(row.get('wrong_merges'))} | {count(row.get('non_words'))} | {figure(row.get('known_words'))} | "
                f"{figure(row.get('held_out_exact'))} | {figure(row.get('held_out_unchanged'))} |"
            )
    notes = ["", "Gold per language (words scored of the top list):"]
    for lang in results:
        if lang["gold"]:
            for gold in lang.get("golds") or [{"description": lang["gold_description"],
                                               "scored_words": lang["scored_words"], "independent": True}]:
                shared = "" if gold["independent"] else "; the model is built from its data"
                notes.append(f"- {lang['language']}: {gold['description']} ({gold['scored_words']:,} of "
                             f"{lang['top_n']:,} words{shared})")
        elif lang["frequency_list"] is None:
            notes.append(f"- {lang['language']}: no frequency list for the language; held-out figures only")
        else:
            notes.append(f"- {lang['language']}: no gold analyser installed; held-out figures only")
    for lang in results:
        for row in lang["rows"]:
            if row.get("note"):
                notes.append(f"- {lang['language']}, {row['system']}: {row['note']}")
    if any(row.get("built_from_gold_data") for lang in results for row in lang["rows"]):
        notes.append("")
        notes.append("¹ built from the same data that serves as gold, so its lemma accuracy is not independent.")
    return "\n".join(lines + notes)


def chart(results: List[Dict[str, object]], path: pathlib.Path) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    scored = [r for r in results if r["gold"]]
    held = [r for r in results if any(row.get("held_out_exact") is not None for row in r["rows"])]
    panels = [(p, langs) for p, langs in (("lemma_accuracy", scored), ("wrong_merges", scored),
                                          ("held_out_exact", held)) if langs]
    if not panels:
        return
    widest = max(len(langs) for _, langs in panels)
    fig, axes = plt.subplots(len(panels), 1, figsize=(max(7.0, 0.55 * widest + 3), 2.6 * len(panels) + 0.6),
                             squeeze=False)
    colours = dict(zip(SYSTEMS, ("#1f6feb", "#9db4d6", "#d4a72c", "#2da44e", "#cf222e")))
    titles = {"lemma_accuracy": "Lemma accuracy, frequency-weighted (higher is better)",
              "wrong_merges": "Wrong merges, frequency-weighted (lower is better)",
              "held_out_exact": "velmora, 10% held-out forms: stem is a listed lemma (higher is better)"}
    handles = {}
    hatched = False
    for ax, (metric, langs) in zip(axes[:, 0], panels):
        systems = [s for s in SYSTEMS if any(row["system"] == s and row.get(metric) is not None
                                             for r in langs for row in r["rows"])]
        width = 0.8 / max(1, len(systems))
        top = 0.0
        for k, system in enumerate(systems):
            xs, ys, shared = [], [], []
            for i, r in enumerate(langs):
                row = next((row for row in r["rows"] if row["system"] == system), {})
                if row.get(metric) is not None:
                    xs.append(i + (k - (len(systems) - 1) / 2) * width)
                    ys.append(row[metric])
                    shared.append(metric != "held_out_exact" and bool(row.get("built_from_gold_data")))
            bars = ax.bar(xs, ys, width, label=system, color=colours[system])
            for bar, from_gold in zip(bars, shared):
                if from_gold:
                    bar.set_hatch("///")
                    bar.set_edgecolor("white")
            if len(langs) <= 6:  # with few languages there is room to print the figures
                ax.bar_label(bars, fmt="%.3f", fontsize=6, padding=1)
            handles[system] = bars
            hatched = hatched or any(shared)
            top = max([top, *ys])
        ax.set_xticks(range(len(langs)), [r["language"] for r in langs])
        ax.set_xlim(-0.5, len(langs) - 0.5)
        ax.set_ylim(0, 1.08 if metric != "wrong_merges" else min(1.0, max(0.1, top * 1.2)))
        ax.set_title(titles[metric], fontsize=10)
        ax.grid(axis="y", alpha=0.3)
        ax.set_axisbelow(True)
    order = [s for s in SYSTEMS if s in handles]
    fig.legend([handles[s] for s in order], order, loc="upper center", ncol=len(order), fontsize=8, frameon=False)
    bottom = 0.0
    if hatched:
        fig.text(0.5, 0.005, "hatched: built from the same data that serves as gold", ha="center", va="bottom",
                 fontsize=8)
        bottom = 0.25 / fig.get_figheight()
    fig.tight_layout(rect=(0, bottom, 1, 1 - 0.35 / fig.get_figheight()))
    path.parent.mkdir(parents=True, exist_ok=True)
    fig.savefig(path, dpi=110)
    plt.close(fig)


def main(argv: Optional[List[str]] = None) -> int:
    argv = sys.argv[1:] if argv is None else argv
    if argv[:1] == ["--training-figures"]:  # the child process of training_figures
        print(json.dumps(measure_training_figures(argv[1], pathlib.Path(argv[2]))))
        return 0
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--lang", action="append", help="score only this language (repeatable)")
    parser.add_argument("--top-n", type=int, default=TOP_N)
    parser.add_argument("--no-chart", action="store_true")
    parser.add_argument("--model", action="append", default=[], metavar="CODE=PATH",
                        help="score this model file for a language instead of the bundled one")
    parser.add_argument("--fresh", action="store_true", help="recompute training figures even if nothing changed")
    parser.add_argument("--update", action="store_true",
                        help="keep the other languages of the results file, replacing only those scored now (with "
                             "--no-training, a rescored language keeps its earlier known-word and held-out figures: "
                             "for a model that did not change)")
    parser.add_argument("--no-training", action="store_true",
                        help="leave out the known-word and held-out figures (they rebuild the training pairs)")
    parser.add_argument("--json", type=pathlib.Path,
                        help=f"results file (default {RESULTS.relative_to(REPO)}; with --model, build/quality-trial.json)")
    args = parser.parse_args(argv)
    trial = bool(args.model)  # figures of models that are not the bundled ones stay out of the README's files
    if args.json is None:
        args.json = REPO / "build" / "quality-trial.json" if trial else RESULTS

    models = {}
    for given in args.model:
        code, sep, path = given.partition("=")
        if not sep or not pathlib.Path(path).is_file():
            parser.error(f"--model wants CODE=PATH of an existing model file, not {given!r}")
        models[code] = pathlib.Path(path)
    bundled = [str(m) for m in velmora.available_models()]
    order = {code: i for i, code in enumerate(LANGUAGES)}
    codes = args.lang or sorted(set(bundled) | set(models), key=lambda c: (order.get(c, len(order)), c))
    guessed = [c for c in codes if c not in LANGUAGES]
    if guessed:
        log(f"not in bench/quality_languages.py, peers and gold guessed from the code: {', '.join(guessed)}")

    t0 = time.perf_counter()
    results = [run_language(language(c), args.top_n, models, not args.fresh, not args.no_training) for c in codes]
    if args.update and args.json.exists():
        scored = {r["language"]: r for r in results}
        kept = json.loads(args.json.read_text(encoding="utf-8")).get("languages", [])
        if args.no_training:
            for old in kept:
                if old["language"] in scored:
                    keep_training_figures(old, scored[old["language"]])
        results = [scored.pop(r["language"], r) for r in kept] + list(scored.values())
    table = markdown(results)
    print(table)
    payload = {
        "generated": datetime.datetime.now(datetime.timezone.utc).isoformat(timespec="seconds"),
        "definitions": __doc__.split("\n\n", 2)[2].strip(),
        "top_n": args.top_n,
        "versions": versions(),
        "seconds": time.perf_counter() - t0,
        "languages": results,
        "table": table,
        "table_by_language": markdown_by_language(results),
    }
    args.json.write_text(json.dumps(payload, indent=1, ensure_ascii=False) + "\n", encoding="utf-8")
    if not args.no_chart and not trial:
        chart(results, CHART)
    log(f"done in {payload['seconds']:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())

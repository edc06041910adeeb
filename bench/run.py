"""Benchmark suite: model figures, the stage ladder of our pipeline, and peer stemmers.

Usage: python bench/run.py [--data DIR] [--reps N] [--quick]
Prints a table, writes bench/results.json and docs/throughput.png. Every figure of one table is
measured in the same run, interleaved, as the median of several repetitions.
"""
from __future__ import annotations

import os

# NumPy's OpenBLAS (loaded with pyarrow, pandas and Polars) keeps worker threads spinning after
# use; on a 2-core machine they would take the core the threaded rows are measured on.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import argparse
import gzip
import json
import pathlib
import platform
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import time

from velmora import _velmora

REPO = pathlib.Path(__file__).resolve().parents[1]


def read_words(path: pathlib.Path) -> list[str]:
    words = []
    with gzip.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            words.extend(w for w in line.rstrip("\n").split("\t") if w and not w.startswith("#"))
    return words


def median_seconds(fn, reps: int) -> float:
    times = []
    for _ in range(reps):
        t0 = time.perf_counter_ns()
        fn()
        times.append(time.perf_counter_ns() - t0)
    return statistics.median(times) / 1e9


def compile_in_subprocess(source: pathlib.Path, out: pathlib.Path) -> tuple[float, int]:
    """Wall time and peak RSS (KiB) of compiling one dictionary in a fresh process."""
    code = (
        "import resource, sys, time\n"
        "from velmora import _velmora\n"
        "t = time.perf_counter(); _velmora.compile(sys.argv[1], sys.argv[2]); t = time.perf_counter() - t\n"
        "print(t, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)\n"
    )
    out_text = subprocess.run([sys.executable, "-c", code, str(source), str(out)], check=True,
                              capture_output=True, text=True).stdout.split()
    return float(out_text[0]), int(out_text[1])


def model_figures(name: str, source: pathlib.Path, workdir: pathlib.Path, reps: int) -> dict:
    image = workdir / f"{name}.vmc"
    compile_s, compile_rss = compile_in_subprocess(source, image)
    load_image_s = median_seconds(lambda: _velmora.StemmerCore(str(image)), reps)
    rebuild_s = median_seconds(lambda: _velmora.TrieBuilder(str(image)).to_bytes(), 1)
    core = _velmora.StemmerCore(str(image))
    nodes, refs, patches = core._value_layout_stats()
    return {
        "model": name,
        "compile_s": compile_s,
        "compile_peak_rss_mib": compile_rss / 1024,
        "image_bytes": image.stat().st_size,
        "load_image_s": load_image_s,
        "compile_over_load": compile_s / load_image_s,
        "rebuild_and_write_s": rebuild_s,
        "nodes": nodes,
        "value_refs": refs,
        "patches": patches,
    }


def peer_stemmers(words: list[str]) -> dict:
    peers = {}
    try:
        import Stemmer as pystemmer

        ps = pystemmer.Stemmer("english")
        ps.maxCacheSize = 0
        peers["PyStemmer stemWords (C, no cache)"] = lambda ws: ps.stemWords(ws)
        cached = pystemmer.Stemmer("english")
        peers["PyStemmer stemWords (C, cached)"] = lambda ws: cached.stemWords(ws)
    except ImportError:
        pass
    try:
        # The module picks PyStemmer as its backend when installed; take the pure-Python class.
        from snowballstemmer.english_stemmer import EnglishStemmer

        sb = EnglishStemmer()
        peers["snowballstemmer (pure Python)"] = lambda ws: sb.stemWords(ws)
    except ImportError:
        pass
    try:
        from nltk.stem import PorterStemmer, SnowballStemmer

        porter = PorterStemmer()
        peers["NLTK Porter"] = lambda ws: [porter.stem(w) for w in ws]
        snow = SnowballStemmer("english")
        peers["NLTK Snowball"] = lambda ws: [snow.stem(w) for w in ws]
    except ImportError:
        pass
    try:
        import simplemma

        peers["simplemma lemmatize"] = lambda ws: [simplemma.lemmatize(w, lang="en") for w in ws]
    except ImportError:
        pass
    return peers


def other_thread_speed_during_compile(source: pathlib.Path, workdir: pathlib.Path, rounds: int = 3) -> float:
    """Iterations per second of a pure-Python loop while another thread compiles `source`,
    over its solo rate just before: 1.0 means the compile took nothing from it. The median of
    `rounds` such pairs, since one window of a shared machine can be slowed by anything."""
    import threading

    def spin(stop):
        # The same loop body alone and beside the compile: only the stop event ends it.
        n, t0 = 0, time.perf_counter()
        while not stop.is_set():
            n += 1
        return n / (time.perf_counter() - t0)

    ratios = []
    for _ in range(rounds):
        alone = threading.Event()
        timer = threading.Timer(1.5, alone.set)
        timer.start()
        solo = spin(alone)
        timer.join()
        stop = threading.Event()
        worker = threading.Thread(
            target=lambda: (_velmora.compile(str(source), str(workdir / "busy.vmc")), stop.set()))
        worker.start()
        during = spin(stop)
        worker.join()
        ratios.append(during / solo)
    return statistics.median(ratios)


def arrow_rows(image: str, words: list[str]) -> list:
    """The data-engineering rows: Arrow columns in and out, thread scaling, and the per-row
    peers a pandas or Polars user would otherwise write."""
    rows = []
    try:
        import pyarrow as pa
    except ImportError:
        return rows
    core = _velmora.StemmerCore(image, cache_size=0)
    column = pa.array(words, type=pa.large_string())
    cores = os.cpu_count() or 1
    for threads in sorted({1, 2, cores}):
        rows.append(("velmora", f"stem_arrow large_string threads={threads}",
                     lambda ws, t=threads: core.stem_arrow(column, threads=t), words))
    rows.append(("velmora", "stem_batch cache=0 threads=2", lambda ws: core.stem_batch(ws, threads=2), words))
    try:
        import Stemmer as pystemmer

        ps = pystemmer.Stemmer("english")
        ps.maxCacheSize = 0
        try:
            import pandas as pd

            series = pd.Series(words, dtype="string[pyarrow]")
            rows.append(("peer", "pandas Series.map(PyStemmer.stemWord)", lambda ws: series.map(ps.stemWord), words))
            rows.append(("velmora", "pandas stem_arrow(Series)", lambda ws: core.stem_arrow(series), words))
        except ImportError:
            pass
        try:
            import polars as pl

            pseries = pl.Series(words)
            rows.append(("peer", "Polars map_elements(PyStemmer.stemWord)",
                         lambda ws: pseries.map_elements(ps.stemWord, return_dtype=pl.String), words))
            rows.append(("velmora", "Polars stem_arrow(Series)", lambda ws: core.stem_arrow(pseries), words))
        except ImportError:
            pass
    except ImportError:
        pass
    return rows


def run(args) -> dict:
    data = pathlib.Path(args.data)
    reps = args.reps
    results = {"machine": platform.platform(), "python": platform.python_version(), "models": [], "throughput": []}
    with tempfile.TemporaryDirectory() as tmp:
        workdir = pathlib.Path(tmp)
        sources = [(name, data / SOURCE_FILES[name]) for name in (["en"] if args.quick else ["en", "pl"])]
        for name, source in sources:
            print(f"building {name} ...", file=sys.stderr)
            results["models"].append(model_figures(name, source, workdir, reps))

        results["other_thread_speed_during_compile"] = other_thread_speed_during_compile(sources[-1][1], workdir)
        words = read_words(data / "en_US.tsv.gz")
        en = str(workdir / "en.vmc")
        entries = []  # (group, label, fn, words)

        for lowercase in (False, True):
            tag = f"lowercase={lowercase}"
            plain = _velmora.StemmerCore(en, lowercase=lowercase, cache_size=0)
            cached = _velmora.StemmerCore(en, lowercase=lowercase)
            for label, fn in [
                ("_echo_batch", plain._echo_batch),
                ("_encode_batch", plain._encode_batch),
                ("_encodefind_batch", plain._encodefind_batch),
                ("_stem_lengths_batch", plain._stem_lengths_batch),
                ("_stem_utf8_lengths_batch", plain._stem_utf8_lengths_batch),
                ("stem_batch cache=0", lambda ws, s=plain: s.stem_batch(ws, threads=1)),
                ("stem_batch cache=10000", cached.stem_batch),
                ("stemWords cache=10000", cached.stemWords),
            ]:
                entries.append(("velmora", f"{label} [{tag}]", fn, words))

        # A running-text-like stream: 400k tokens drawn from the list with Zipf's law,
        # so frequent words repeat as they do in real text and a cache can help.
        rng = random.Random(7)
        ranked = words[:]
        rng.shuffle(ranked)
        weights = [1.0 / (i + 1) for i in range(len(ranked))]
        corpus = rng.choices(ranked, weights=weights, k=400_000)
        for lowercase in (True,):
            cached = _velmora.StemmerCore(en, lowercase=lowercase)
            plain = _velmora.StemmerCore(en, lowercase=lowercase, cache_size=0)
            entries.append(("velmora", "_echo_batch [Zipf text]", plain._echo_batch, corpus))
            entries.append(("velmora", "stem_batch cache=0 [Zipf text]", plain.stem_batch, corpus))
            entries.append(("velmora", "stem_batch cache=10000 [Zipf text]", cached.stem_batch, corpus))

        entries += arrow_rows(en, words)

        slow_sample = words[:: max(1, len(words) // 20000)]
        for label, fn in peer_stemmers(words).items():
            slow = "NLTK" in label or "simplemma" in label or "pure Python" in label
            entries.append(("peer", label, fn, slow_sample if slow else words))

        # Side by side: every repetition runs every entry once, so load changes on
        # the machine touch all figures alike.
        for _, _, fn, ws in entries:
            fn(ws)  # warm-up (fills caches that are meant to be filled)
        times = {label: [] for _, label, _, _ in entries}
        for _ in range(reps):
            for _, label, fn, ws in entries:
                t0 = time.perf_counter_ns()
                fn(ws)
                times[label].append(time.perf_counter_ns() - t0)
        rows = []
        for group, label, _, ws in entries:
            seconds = statistics.median(times[label]) / 1e9
            rows.append({"group": group, "label": label, "words": len(ws), "seconds": seconds,
                         "words_per_s": len(ws) / seconds, "rep_seconds": [t / 1e9 for t in times[label]]})
        results["throughput"] = rows
    return results


def ratio(rows, a, b):
    """How many times faster row b runs than row a, in words per second: the median of the
    ratios of each repetition, whose two timings were taken moments apart. On a shared
    machine whose speed drifts between repetitions, this pairing keeps the drift out of the
    ratio, where a ratio of the two medians could pair a fast moment with a slow one."""
    by = {r["label"]: r for r in rows}
    if a not in by or b not in by:
        return float("nan")
    ra, rb = by[a], by[b]
    return statistics.median(rb["words"] * ta / (ra["words"] * tb)
                             for ta, tb in zip(ra["rep_seconds"], rb["rep_seconds"]))


# The benchmark's inputs: the shared source dictionaries, not the bundled models (whose figures
# are the models table's).
SOURCE_FILES = {"en": "en_US.tsv.gz", "pl": "pl_PL.tsv.gz"}


def report(results: dict) -> str:
    lines = ["| compiled from | compile s | peak RSS MiB | image bytes | load s | compile/load | rebuild+write s | nodes | value refs | patches |",
             "|---|---|---|---|---|---|---|---|---|---|"]
    for m in results["models"]:
        lines.append(f"| {m['model']}: `../shared/data/{SOURCE_FILES[m['model']]}` | {m['compile_s']:.2f} | {m['compile_peak_rss_mib']:.0f} | {m['image_bytes']:,} | "
                     f"{m['load_image_s']:.4f} | {m['compile_over_load']:.0f}x | {m['rebuild_and_write_s']:.2f} | "
                     f"{m['nodes']:,} | {m['value_refs']:,} | {m['patches']:,} |")
    lines += ["", "| what | words | words/s |", "|---|---|---|"]
    for r in results["throughput"]:
        lines.append(f"| {r['label']} | {r['words']:,} | {r['words_per_s']:,.0f} |")
    rows = results["throughput"]
    lines += ["", "Ratios (same run):"]
    for tag in ("lowercase=False", "lowercase=True"):
        lines.append(f"- stem_batch cache=0 costs {ratio(rows, f'stem_batch cache=0 [{tag}]', f'_echo_batch [{tag}]'):.2f}x "
                     f"_echo_batch [{tag}]")
    lines.append(f"- stem_batch cache=0 costs {ratio(rows, 'stem_batch cache=0 [Zipf text]', '_echo_batch [Zipf text]'):.2f}x "
                 "_echo_batch on the Zipf text")
    lines.append(f"- a Python thread runs at {results.get('other_thread_speed_during_compile', float('nan')):.0%} of its "
                 "solo speed while another thread compiles")
    arrow1 = "stem_arrow large_string threads=1"
    lines.append(f"- {arrow1} is {ratio(rows, 'stem_batch cache=0 [lowercase=True]', arrow1):.2f}x stem_batch cache=0 "
                 f"[lowercase=True] and {ratio(rows, 'PyStemmer stemWords (C, no cache)', arrow1):.2f}x PyStemmer stemWords "
                 "(no cache)")
    lines.append(f"- stem_arrow threads=2 is {ratio(rows, arrow1, 'stem_arrow large_string threads=2'):.2f}x threads=1")
    lines.append(f"- stem_batch threads=2 is {ratio(rows, 'stem_batch cache=0 [lowercase=True]', 'stem_batch cache=0 threads=2'):.2f}x "
                 "threads=1")
    for peer in ("PyStemmer stemWords (C, no cache)", "PyStemmer stemWords (C, cached)", "NLTK Porter"):
        lines.append(f"- stem_batch cache=0 [lowercase=True] is {ratio(rows, peer, 'stem_batch cache=0 [lowercase=True]'):.1f}x "
                     f"{peer}")
    return "\n".join(lines)


def chart(results: dict, path: pathlib.Path) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    rows = results["throughput"]
    labels = [r["label"] for r in rows]
    values = [r["words_per_s"] / 1e6 for r in rows]
    colors = ["#2a6f97" if r["group"] == "velmora" else "#c44536" for r in rows]
    fig, ax = plt.subplots(figsize=(9, 0.32 * len(rows) + 1))
    ax.barh(labels, values, color=colors)
    ax.invert_yaxis()
    ax.set_xscale("log")
    ax.set_xlabel("million words per second (log scale), English word list")
    ax.set_title("velmora stage ladder (blue) and peer stemmers (red)")
    fig.tight_layout()
    fig.savefig(path, dpi=110)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", default=str(REPO.parent / "shared" / "data"))
    parser.add_argument("--reps", type=int, default=7)
    parser.add_argument("--quick", action="store_true", help="English only")
    args = parser.parse_args()
    results = run(args)
    text = report(results)
    print(text)
    (REPO / "bench" / "results.json").write_text(json.dumps(results, indent=2) + "\n")
    chart(results, REPO / "docs" / "throughput.png")
    print(f"\nwrote bench/results.json and docs/throughput.png; peak RSS of this process "
          f"{resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024:.0f} MiB", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""Stem a large text corpus in parallel with Dask's multiprocessing scheduler.

A velmora.Stemmer pickles by model name (a bundled model) or by value (any other model: its
compiled image), so each worker process needs nothing but the package: it loads the model once
and stems its partitions. Words are found as `Stemmer.stem_text` finds them.

    pip install "velmora[dask]"
    python examples/dask_corpus.py corpus.txt [--workers 2] [--model en]
"""
import argparse
from collections import Counter
from typing import Iterable, List

import dask.bag as db

import velmora


def stem_partition(lines: Iterable[str], stemmer: velmora.Stemmer) -> List[Counter]:
    """The stem counts of a partition's lines, as a one-item list (Dask's partition type)."""
    return [Counter(stem for _, stem in stemmer.stem_text("\n".join(lines)))]


def count_stems(corpus: str, stemmer: velmora.Stemmer, workers: int = 2, blocksize: str = "16MiB") -> Counter:
    """How often each stem occurs in the corpus, counted by `workers` processes."""
    bag = db.read_text(corpus, blocksize=blocksize)
    counts = bag.map_partitions(stem_partition, stemmer).fold(lambda a, b: a + b, initial=Counter())
    return counts.compute(scheduler="processes", num_workers=workers)


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("corpus", help="a text file")
    parser.add_argument("--workers", type=int, default=2, help="worker processes (default: 2)")
    parser.add_argument("--model", default="en", help="bundled model name or model file (default: en)")
    args = parser.parse_args()
    total = count_stems(args.corpus, velmora.Stemmer(args.model), args.workers)
    for stem, n in total.most_common(20):
        print(f"{n:10d}  {stem}")


if __name__ == "__main__":
    main()

"""Stem a large text corpus in parallel with Dask's multiprocessing scheduler.

A velmora.Stemmer pickles as its model reference (bundled name, path, or image bytes),
so each worker process loads the model once and stems its partition.

    pip install "velmora[dask]"
    python examples/dask_corpus.py corpus.txt [--workers 2]
"""
import argparse
import re
from collections import Counter

import dask.bag as db

import velmora

TOKEN = re.compile(r"\w+")


def stem_partition(lines, stemmer):
    words = [w for line in lines for w in TOKEN.findall(line)]
    return [Counter(stemmer.stem_words(words))]


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("corpus")
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--model", default="en")
    args = parser.parse_args()
    stemmer = velmora.Stemmer(args.model)
    bag = db.read_text(args.corpus, blocksize="16MiB")
    counts = bag.map_partitions(stem_partition, stemmer).fold(lambda a, b: a + b, initial=Counter())
    total = counts.compute(scheduler="processes", num_workers=args.workers)
    for stem, n in total.most_common(20):
        print(f"{n:10d}  {stem}")


if __name__ == "__main__":
    main()

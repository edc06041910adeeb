"""The `velmora` command: stem words or text, compile dictionaries, inspect models."""
from __future__ import annotations

import argparse
import re
import sys
from typing import Iterable, Iterator, List, Optional, Sequence

from velmora import _velmora
from velmora._stemmer import available_models, model_path

TOKEN = re.compile(r"\w+(?:['\u2019]\w+)*")
BATCH = 4096
INFO_SAMPLE = (
    "The quick brown foxes were jumping over the lazy dogs while walking cats watched geese and mice "
    "running quickly through happier gardens and studies"
).split()


def _resolve(model: str) -> str:
    return model_path(model) if model in available_models() else model


def _tokens(lines: Iterable[str]) -> Iterator[str]:
    for line in lines:
        yield from TOKEN.findall(line)


def _batches(items: Iterator[str], size: int) -> Iterator[List[str]]:
    batch: List[str] = []
    for item in items:
        batch.append(item)
        if len(batch) == size:
            yield batch
            batch = []
    if batch:
        yield batch


def cmd_stem(args: argparse.Namespace) -> int:
    lookup = "all" if args.all else args.lookup
    stemmer = _velmora.StemmerCore(_resolve(args.model), lookup=lookup)
    out = sys.stdout
    words = iter(args.words) if args.words else _tokens(sys.stdin)
    for batch in _batches(words, BATCH):
        if args.all:
            lines = ("\t".join([w] + stems) for w, stems in zip(batch, stemmer.stem_all_batch(batch)))
        else:
            lines = iter(stemmer.stemWords(batch))
        out.write("\n".join(lines))
        out.write("\n")
    return 0


def cmd_compile(args: argparse.Namespace) -> int:
    _velmora.compile(
        args.source, args.out, backward=not args.forward, store_original=not args.no_store_original,
        lowercase=not args.no_lowercase,
    )
    return 0


def cmd_info(args: argparse.Namespace) -> int:
    path = _resolve(args.model)
    stemmer = _velmora.StemmerCore(path)
    modes = stemmer.recorded_modes
    nodes, refs, patches = stemmer._value_layout_stats()
    print(f"model: {path}")
    if modes is None:
        print("kind: source dictionary (compiled on load with default options)")
    else:
        print("kind: compiled image")
        for key in ("traversalDirection", "caseProcessingMode", "diacriticProcessingMode"):
            print(f"{key}: {modes[key]}")
    print(f"nodes: {nodes}\nvalue references: {refs}\ndistinct patches: {patches}")
    sample = list(_tokens(open(args.sample, encoding="utf-8"))) if args.sample else INFO_SAMPLE
    print(f"patch statistics of {len(sample)} sample words:")
    for label, count in stemmer._patch_stats_batch(sample):
        print(f"  {label:26} {count}")
    return 0


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="velmora", description="Dictionary-driven word stemmer.")
    sub = parser.add_subparsers(dest="command", required=True)
    models = ", ".join(available_models())

    stem = sub.add_parser("stem", help="stem words, or text read from stdin (one stem per token)")
    stem.add_argument("words", nargs="*", help="words to stem; without words, text is read from stdin")
    stem.add_argument("--model", default="en", help=f"bundled model ({models}) or model file (default: en)")
    stem.add_argument("--lookup", choices=["first", "last", "all"], default="first")
    stem.add_argument("--all", action="store_true", help="print every candidate stem, tab-separated")
    stem.set_defaults(run=cmd_stem)

    comp = sub.add_parser("compile", help="compile a source dictionary into a compiled image")
    comp.add_argument("source")
    comp.add_argument("out")
    comp.add_argument("--forward", action="store_true", help="walk words from their first character")
    comp.add_argument("--no-store-original", action="store_true", help="do not map stems to themselves")
    comp.add_argument("--no-lowercase", action="store_true", help="record case-preserving lookups")
    comp.set_defaults(run=cmd_compile)

    info = sub.add_parser("info", help="describe a model")
    info.add_argument("model", help=f"bundled model ({models}) or model file")
    info.add_argument("--sample", help="text file whose tokens are used for the patch statistics")
    info.set_defaults(run=cmd_info)
    return parser


def main(argv: Optional[Sequence[str]] = None) -> int:
    args = build_parser().parse_args(argv)
    try:
        return args.run(args)
    except BrokenPipeError:
        # The reader went away (e.g. `| head`): stop quietly, without a second error at exit.
        import os

        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 0
    except (OSError, ValueError) as e:
        print(f"velmora {args.command}: error: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 130

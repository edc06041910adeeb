"""The `velmora` command: stem words or text, compile dictionaries, inspect models."""
from __future__ import annotations

import argparse
import json
import os
import re
import sys
from typing import Iterable, Iterator, List, Optional, Sequence, Tuple

from velmora import _velmora
from velmora._model_files import check_model_file
from velmora._progress import Progress
from velmora._registry import bundled_model
from velmora._stemmer import Stemmer, available_models, resolve_model

TOKEN = re.compile(r"\w+(?:['\u2019]\w+)*")
BATCH = 4096
# Sample text per bundled language for `info`; a model of another language reports no sample.
INFO_SAMPLES = {
    "en": "The quick brown foxes were jumping over the lazy dogs while walking cats watched geese and mice "
    "running quickly through happier gardens and studies",
    "pl": "Psy biegały po ogrodach, a dzieci poszły potem do domów i czytały książki o kotach",
}


def _open(model: str, lookup: str = "first") -> Tuple[str, "_velmora.StemmerCore"]:
    """A checked model (the checks of `Stemmer`) and the path it was loaded from."""
    stemmer = Stemmer(model, lookup=lookup)  # type: ignore[arg-type]
    bundled = bundled_model(model)
    return (bundled.path if bundled is not None else str(stemmer._model)), stemmer.core


def _render(word: str, stem: Optional[str], lowercase: bool) -> str:
    """One rule for every word: a word without a stem is printed the way stems are, lowercased
    when the model lowercases."""
    if stem is not None:
        return stem
    return word.lower() if lowercase else word


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


def _stem_lines(args: argparse.Namespace, stemmer: "_velmora.StemmerCore", batch: List[str]) -> Iterator[str]:
    if args.all:
        return ("\t".join([w] + stems) for w, stems in zip(batch, stemmer.stem_all_batch(batch)))
    lowercase = stemmer._case_mode() != "AS_IS"
    stems = [_render(w, s, lowercase) for w, s in zip(batch, stemmer.stem_batch(batch))]
    if args.format == "pairs":
        return (f"{w}\t{s}" for w, s in zip(batch, stems))
    if args.format == "json":
        return (json.dumps({"word": w, "stem": s}, ensure_ascii=False) for w, s in zip(batch, stems))
    return iter(stems)


def cmd_stem(args: argparse.Namespace) -> int:
    lookup = "all" if args.all else args.lookup
    _, stemmer = _open(args.model, lookup=lookup)
    out = sys.stdout
    words = iter(args.words) if args.words else _tokens(sys.stdin)
    for batch in _batches(words, BATCH):
        out.write("\n".join(_stem_lines(args, stemmer, batch)))
        out.write("\n")
    return 0


def _same_file(a: str, b: str) -> bool:
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def cmd_compile(args: argparse.Namespace) -> int:
    source = check_model_file(args.source, what="source")
    if _same_file(source, args.out):
        raise ValueError(f"the output {args.out!r} is the source file; choose another output path")
    with Progress(f"compiling {source}", enabled=_shows_progress(args)):
        _velmora.compile(
            source, args.out, backward=not args.forward, store_original=not args.no_store_original,
            lowercase=not args.no_lowercase,
        )
    return 0


def _shows_progress(args: argparse.Namespace) -> bool:
    return not getattr(args, "quiet", False) and sys.stderr.isatty()


def _info_sample(args: argparse.Namespace) -> List[str]:
    if args.sample:
        try:
            with open(args.sample, encoding="utf-8") as f:
                return list(_tokens(f))
        except OSError as e:
            raise type(e)(f"cannot read sample {args.sample!r}: {e.strerror or e}") from e
        except UnicodeDecodeError as e:
            raise ValueError(f"sample {args.sample!r} is not UTF-8 text: {e.reason} at byte {e.start}") from e
    info = next((m for m in available_models() if m.path == resolve_model(args.model)[0]), None)
    return INFO_SAMPLES.get(info.code, "").split() if info is not None else []


def cmd_info(args: argparse.Namespace) -> int:
    # Everything that can fail is done before the first line is printed.
    path, stemmer = _open(args.model)
    sample = _info_sample(args)
    modes = stemmer.recorded_modes
    nodes, refs, patches = stemmer._value_layout_stats()
    stats = stemmer._patch_stats_batch(sample) if sample else []
    print(f"model: {path}")
    if modes is None:
        print("kind: source dictionary (compiled on load with default options)")
    else:
        print("kind: compiled image")
        for key in ("traversalDirection", "caseProcessingMode", "diacriticProcessingMode"):
            print(f"{key}: {modes[key]}")
    print(f"nodes: {nodes}\nvalue references: {refs}\ndistinct patches: {patches}")
    if sample:
        print(f"patch statistics of {len(sample)} sample words:")
        for label, count in stats:
            print(f"  {label:26} {count}")
    return 0


def cmd_build_model(args: argparse.Namespace) -> int:
    from velmora import build

    if args.lang and (args.tsv or args.conllu or args.hunspell):
        raise ValueError("give a language with a recipe, or source files, not both")
    if args.out is None:
        if args.lang or args.tsv or args.conllu or len(args.hunspell) != 1:
            raise ValueError("--out is required, except for one --hunspell dictionary (built into the cache)")
        from velmora._ondemand import hunspell_model

        print(hunspell_model(args.hunspell[0], progress=_shows_progress(args)))
        return 0
    if args.lang:
        rec = build.recipe(args.lang)
    else:
        rec = build.recipe_from_files(args.tsv, args.conllu, args.hunspell, frequency_lang=args.frequency)
    with Progress(f"building {args.out}", enabled=_shows_progress(args)):
        image = build.build_model(rec, args.out)
    if not args.quiet:
        print(f"velmora build-model: {args.out}: {len(image)} bytes", file=sys.stderr)
    return 0


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="velmora", description="Dictionary-driven word stemmer.")
    sub = parser.add_subparsers(dest="command", required=True)
    models = ", ".join(m.code for m in available_models())

    stem = sub.add_parser("stem", help="stem words, or text read from stdin (one stem per token)")
    stem.add_argument("words", nargs="*", help="words to stem; without words, text is read from stdin")
    stem.add_argument("--model", default="en", help=f"bundled model ({models}) or model file (default: en)")
    stem.add_argument("--lookup", choices=["first", "last", "all"], default="first")
    stem.add_argument("--all", action="store_true", help="print every candidate stem, tab-separated")
    stem.add_argument(
        "--format", choices=["stems", "pairs", "json"], default="stems",
        help="stems: one stem per line; pairs: word<TAB>stem; json: one {\"word\", \"stem\"} object per line",
    )
    stem.set_defaults(run=cmd_stem)

    comp = sub.add_parser("compile", help="compile a source dictionary into a compiled image")
    comp.add_argument("source")
    comp.add_argument("out")
    comp.add_argument("--forward", action="store_true", help="walk words from their first character")
    comp.add_argument("--no-store-original", action="store_true", help="do not map stems to themselves")
    comp.add_argument("--no-lowercase", action="store_true", help="record case-preserving lookups")
    comp.add_argument("--quiet", action="store_true", help="no progress on stderr")
    comp.set_defaults(run=cmd_compile)

    bm = sub.add_parser(
        "build-model", help="build a model from a language's recipe or from form/lemma sources",
        description="Sources rank in this order: form<TAB>lemma lists, CoNLL-U treebanks, Hunspell dictionaries; "
        "within a kind, earlier files rank higher.",
    )
    bm.add_argument("lang", nargs="?", help="a language with a recipe (see velmora.build.RECIPES)")
    bm.add_argument(
        "--out", "-o", help="compiled image to write; without it, one --hunspell dictionary is built into the "
        "user's cache ($XDG_CACHE_HOME/velmora) and the cached model's path printed",
    )
    bm.add_argument("--tsv", action="append", default=[], help="form<TAB>lemma file (repeatable)")
    bm.add_argument("--conllu", action="append", default=[], help="CoNLL-U treebank (repeatable)")
    bm.add_argument("--hunspell", action="append", default=[], help="Hunspell dictionary name or .dic path")
    bm.add_argument("--frequency", help="wordfreq language code whose frequencies rank candidate lemmas")
    bm.add_argument("--quiet", action="store_true", help="no summary on stderr")
    bm.set_defaults(run=cmd_build_model)

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

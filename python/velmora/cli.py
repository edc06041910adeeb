"""The `velmora` command: stem words or text, compile dictionaries, inspect models."""
from __future__ import annotations

import argparse
import codecs
import json
import os
import sys
import warnings
from typing import BinaryIO, Iterator, List, Optional, Sequence, Tuple, Union

from velmora import __version__, _velmora
from velmora._model_files import issue_warnings, named_error
from velmora._progress import Progress
from velmora._registry import bundled_model
from velmora._stemmer import Stemmer, available_models, resolve_model
from velmora._text import stream_word_lists, words_of

BATCH = 4096
BATCH_CHARS = 1 << 20
CHUNK_BYTES = 1 << 16
# Sample text per bundled language for `info`; a model of another language reports no sample.
INFO_SAMPLES = {
    "en": "The quick brown foxes were jumping over the lazy dogs while walking cats watched geese and mice "
    "running quickly through happier gardens and studies",
    "pl": "Psy biegały po ogrodach, a dzieci poszły potem do domów i czytały książki o kotach",
}
STDIN_NAME = "<stdin>"


def _open(model: str, lookup: str = "first", keep_unknown_case: bool = False) -> Tuple[str, Stemmer]:
    """A checked model (the checks of `Stemmer`) and the path it was loaded from."""
    stemmer = Stemmer(model, lookup=lookup, keep_unknown_case=keep_unknown_case)  # type: ignore[arg-type]
    bundled = bundled_model(model)
    return (bundled.path if bundled is not None else os.path.abspath(model)), stemmer


class InputError(ValueError):
    """Text input that cannot be read as asked: the message names the input and the byte."""


def _decoded_chunks(stream: BinaryIO, name: str, encoding: str, errors: str) -> Iterator[str]:
    """The text of a byte stream in pieces of at most CHUNK_BYTES bytes; undecodable bytes end the
    stream with an InputError naming their offset, unless `errors` says how to replace them."""
    decoder = codecs.getincrementaldecoder(encoding)(errors)
    offset = 0  # bytes decoded before the current chunk, those held by the decoder excluded
    while True:
        chunk = stream.read(CHUNK_BYTES)
        pending = len(decoder.getstate()[0])
        try:
            text = decoder.decode(chunk, final=not chunk)
        except UnicodeDecodeError as e:
            where = offset - pending + e.start
            bad = e.object[e.start : e.end]
            raise InputError(
                f"{name} is not valid {encoding} text: {e.reason} at byte {where} (0x{bad.hex()}); "
                f"name its encoding with --encoding, or pass --errors replace"
            ) from None
        offset += len(chunk)
        if text:
            yield text
        if not chunk:
            return


def _input_word_lists(args: argparse.Namespace) -> Iterator[List[str]]:
    """The words of every input in order, in lists: the words given, then each -i file (- for
    stdin); stdin alone when neither is given."""
    if args.words:
        yield list(args.words)
    inputs = args.input if args.input else ([] if args.words else ["-"])
    for path in inputs:
        if path == "-":
            yield from stream_word_lists(_decoded_chunks(sys.stdin.buffer, STDIN_NAME, args.encoding, args.errors))
            continue
        try:
            f = open(path, "rb")
        except OSError as e:
            raise named_error("read input", path, e) from None
        with f:
            yield from stream_word_lists(_decoded_chunks(f, repr(path), args.encoding, args.errors))


def _batches(lists: Iterator[List[str]]) -> Iterator[List[str]]:
    """Batches of up to BATCH words and about BATCH_CHARS characters (a batch and its results are
    what the command holds in memory; a list from one chunk of input adds at most 128 Ki)."""
    batch: List[str] = []
    chars = 0
    for words in lists:
        start = 0
        while start < len(words):
            taken = words[start : start + BATCH - len(batch)]
            start += len(taken)
            batch += taken
            chars += sum(map(len, taken))
            if len(batch) >= BATCH or chars >= BATCH_CHARS:
                yield batch
                batch, chars = [], 0
    if batch:
        yield batch


def _stem_lines(args: argparse.Namespace, stemmer: Stemmer, batch: List[str]) -> Iterator[str]:
    if args.all:
        return ("\t".join([w] + (stems or [])) for w, stems in zip(batch, stemmer.stem_all_batch(batch)))
    stems = stemmer.stem_words(batch)
    if args.format == "pairs":
        return (f"{w}\t{s}" for w, s in zip(batch, stems))
    if args.format == "json":
        return (json.dumps({"word": w, "stem": s}, ensure_ascii=False) for w, s in zip(batch, stems))
    return iter(stems)


def _check_encoding(name: str) -> None:
    """Refuses, before anything is read, an encoding Python does not know or one that does not
    decode bytes to text (base64, rot13 ...)."""
    try:
        info = codecs.lookup(name)
    except LookupError:
        raise ValueError(f"unknown encoding {name!r}") from None
    if not getattr(info, "_is_text_encoding", True):
        raise ValueError(f"{name!r} is not a text encoding")


def cmd_stem(args: argparse.Namespace) -> int:
    lookup = "all" if args.all else args.lookup
    _check_encoding(args.encoding)
    _, stemmer = _open(args.model, lookup=lookup, keep_unknown_case=args.keep_unknown_case)
    for word in args.words:
        if os.path.isfile(word):
            warnings.warn(f"{word!r} is stemmed as a word; to stem the words of that file, give -i {word}")
    out = sys.stdout
    for batch in _batches(_input_word_lists(args)):
        out.write("\n".join(_stem_lines(args, stemmer, batch)))
        out.write("\n")
    return 0


def _same_file(a: str, b: str) -> bool:
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def _source_builder(args: argparse.Namespace) -> "_velmora.TrieBuilder":
    """The source dictionary, "-" (stdin) or a path, as a builder: read once, an image, binary text
    or a dictionary without entries refused by the extension, which words the warnings issued here.
    Its image is the one `compile` writes for the same options."""
    if args.source == "-":
        source: Union[bytes, str] = sys.stdin.buffer.read()
        shown = STDIN_NAME
    else:
        source, shown = args.source, repr(args.source)
    try:
        builder, texts = _velmora.TrieBuilder._from_source(
            source,
            backward=not args.forward,
            store_original=not args.no_store_original,
            lowercase=not args.no_lowercase,
            shown=shown,
        )
    except OSError as e:
        raise named_error("read source", args.source, e) from None
    issue_warnings(texts, 2)
    return builder


def cmd_compile(args: argparse.Namespace) -> int:
    if args.out == "-" and sys.stdout.isatty():
        raise ValueError("refusing to write a compiled image to a terminal; redirect stdout or name an output file")
    if args.source != "-" and args.out != "-" and _same_file(args.source, args.out):
        raise ValueError(f"the output {args.out!r} is the source file; choose another output path")
    with Progress(f"compiling {args.source}", enabled=_shows_progress(args)):
        builder = _source_builder(args)
        if args.out == "-":
            image = builder.to_bytes()
        else:
            try:
                builder.save(args.out)
            except OSError as e:
                raise named_error("write", args.out, e) from None
            return 0
    sys.stdout.buffer.write(image)
    sys.stdout.buffer.flush()
    return 0


def _shows_progress(args: argparse.Namespace) -> bool:
    return not getattr(args, "quiet", False) and sys.stderr.isatty()


def _info_sample(args: argparse.Namespace) -> List[str]:
    if args.sample:
        try:
            with open(args.sample, encoding="utf-8") as f:
                return words_of(f.read())
        except OSError as e:
            raise type(e)(f"cannot read sample {args.sample!r}: {e.strerror or e}") from e
        except UnicodeDecodeError as e:
            raise ValueError(f"sample {args.sample!r} is not UTF-8 text: {e.reason} at byte {e.start}") from e
    info = next((m for m in available_models() if m.path == resolve_model(args.model)[0]), None)
    return INFO_SAMPLES.get(info.code, "").split() if info is not None else []


def cmd_info(args: argparse.Namespace) -> int:
    # Everything that can fail is done before the first line is printed.
    path, opened = _open(args.model)
    stemmer = opened.core
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
    from velmora import lexicon

    if args.lang and (args.tsv or args.conllu or args.hunspell):
        raise ValueError("give a language with a recipe, or source files, not both")
    if args.out is None:
        if args.lang or args.tsv or args.conllu or len(args.hunspell) != 1:
            raise ValueError("--out is required, except for one --hunspell dictionary (built into the cache)")
        from velmora._cache_bound import mark_used_and_trim
        from velmora._ondemand import hunspell_model

        path = hunspell_model(args.hunspell[0], progress=_shows_progress(args))
        mark_used_and_trim(path)
        print(path)
        return 0
    if args.lang:
        rec = lexicon.recipe(args.lang)
    else:
        rec = lexicon.recipe_from_files(args.tsv, args.conllu, args.hunspell, frequency_lang=args.frequency)
    with Progress(f"building {args.out}", enabled=_shows_progress(args)):
        try:
            image = lexicon.build_model(rec, args.out)
        except OSError as e:
            if e.filename is None:
                raise
            path = os.fsdecode(e.filename)
            raise named_error("write" if path == args.out else "read source", path, e) from None
    if not args.quiet:
        print(f"velmora build-model: {args.out}: {len(image)} bytes", file=sys.stderr)
    return 0


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="velmora", description="Dictionary-driven word stemmer.")
    parser.add_argument("--version", action="version", version=f"velmora {__version__}")
    sub = parser.add_subparsers(dest="command", required=True)
    models = ", ".join(m.code for m in available_models())

    stem = sub.add_parser(
        "stem", help="stem words, or the words of text from files or stdin (one line per word)",
        description="Stems the words given, then the words of each --input file; with neither, the words of "
        "stdin. Text is split into words as Stemmer.stem_text splits it (runs of letters, digits and marks, "
        "joined by an apostrophe) and streamed in bounded memory, whatever the length of its lines.",
    )
    stem.add_argument("words", nargs="*", help="words to stem (not file names: use -i FILE for a file)")
    stem.add_argument(
        "-i", "--input", action="append", default=[], metavar="FILE",
        help="a text file whose words are stemmed, - for stdin (repeatable; read in the order given)",
    )
    stem.add_argument("--model", default="en", help=f"bundled model ({models}) or model file (default: en)")
    stem.add_argument(
        "--lookup", choices=["first", "last", "all"], default="first",
        help="which node of a word's walk gives its stem: first, the shortest matching ending; last, the "
        "longest; all, as last (default: first)",
    )
    stem.add_argument("--all", action="store_true", help="print every candidate stem, tab-separated")
    stem.add_argument(
        "--format", choices=["stems", "pairs", "json"], default="stems",
        help="stems: one stem per line; pairs: word<TAB>stem; json: one {\"word\", \"stem\"} object per line",
    )
    stem.add_argument(
        "--keep-unknown-case", action="store_true",
        help="print a word without a stem as it was given (by default a lowercasing model lowercases it, "
        "as it lowercases stems)",
    )
    stem.add_argument("--encoding", default="utf-8", help="encoding of the input text (default: utf-8)")
    stem.add_argument(
        "--errors", choices=["strict", "replace", "ignore"], default="strict",
        help="what undecodable input bytes do: strict, stop with an error naming the byte's offset; "
        "replace, become U+FFFD; ignore, are dropped (default: strict)",
    )
    stem.set_defaults(run=cmd_stem)

    comp = sub.add_parser("compile", help="compile a source dictionary into a compiled image")
    comp.add_argument("source", help="source dictionary (stem<TAB>word... per line, plain or gzip), - for stdin")
    comp.add_argument("out", help="compiled image to write (replaced whole or not at all), - for stdout")
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
    bm.add_argument("lang", nargs="?", help="a language with a recipe (see velmora.lexicon.RECIPES)")
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


def _one_line_warnings(command: str) -> None:
    """Warnings (a dictionary with undecodable bytes) as one line each on stderr, like errors."""

    def show(message: object, category: type, filename: str, lineno: int, file: object = None, line: object = None) -> None:
        print(f"velmora {command}: warning: {message}", file=sys.stderr)

    warnings.showwarning = show  # type: ignore[assignment]


def main(argv: Optional[Sequence[str]] = None) -> int:
    args = build_parser().parse_args(argv)
    _one_line_warnings(args.command)
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

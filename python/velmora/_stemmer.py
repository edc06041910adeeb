"""The friendly Python face of velmora: bundled models by name, checked model files, pickling,
one convention for every word, and gaps in batches.

Every convention of `Stemmer` is listed once, in the README's "Conventions" table; `StemmerCore`
keeps its own, older contract underneath.
"""
from __future__ import annotations

import copyreg
import os
from typing import Any, Dict, Iterable, List, Literal, Optional, Sequence, Tuple, TypeVar, Union, overload

from velmora._model_files import issue_warnings, named_error
from velmora._registry import (
    ModelInfo,
    available_models,
    bundled_model,
    looks_like_model_name,
    unknown_model_error,
)
from velmora._text import words_of
from velmora._velmora import StemmerCore, TrieBuilder

Word = Union[str, bytes]
W = TypeVar("W", str, bytes)
PathArg = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
Lookup = Literal["first", "last", "all"]
DEFAULT_LOOKUP: Lookup = "first"
# No result cache by default: beside the walk it saves nothing on Zipf-distributed text (0.97-1.04x
# the time without it, 400,000 tokens of the English list) and costs 1.7x on a list of distinct
# words. StemmerCore keeps its own default of 10000.
DEFAULT_CACHE_SIZE = 0

__all__ = ["Stemmer", "available_models", "model_path", "resolve_model", "ModelInfo"]


def model_path(name: str) -> str:
    """File system path of a bundled model, by code, English name or locale ("de", "german", "de_DE")."""
    info = bundled_model(name)
    if info is None:
        raise unknown_model_error(name)
    return info.path


def resolve_model(model: PathArg) -> Tuple[str, bool]:
    """(path, bundled) for a bundled model name or a model file, refusing names that match no
    bundled model; the file itself is judged when it is loaded (`load_model_file`)."""
    if isinstance(model, str):
        info = bundled_model(model)
        if info is not None:
            return info.path, True
        if looks_like_model_name(model) and not os.path.exists(model):
            raise unknown_model_error(model)
    return os.path.abspath(os.fsdecode(model)), False


def load_model_file(path: str, shown: str, options: Dict[str, Any], *, stacklevel: int = 1) -> StemmerCore:
    """The extension's checked load of a model file, read once: an unreadable, binary or empty file
    is refused, naming it as `shown`; the warnings of a dictionary with a few bad bytes are issued
    (`stacklevel` counts from the caller)."""
    try:
        core, texts = StemmerCore._load_checked(path, **options, shown=repr(shown))
    except OSError as e:
        raise named_error("read model", shown, e) from e
    issue_warnings(texts, stacklevel + 1)
    return core


def _type_name(value: object) -> str:
    return type(value).__name__


def _is_gap(item: object) -> bool:
    """None, a float NaN (numpy's too) or pandas' NA: the gaps of a column turned into a list."""
    if item is None:
        return True
    if isinstance(item, float):
        return item != item
    kind = type(item)
    if kind.__name__ in ("NAType", "NaTType") and kind.__module__.startswith("pandas"):
        return True
    if kind.__module__ == "numpy" and kind.__name__.startswith("float"):
        return bool(item != item)
    return False


def _as_batch(words: Iterable[Any], method: str) -> Union[List[Any], Tuple[Any, ...]]:
    """A list or tuple of the batch's items; refuses a single word and what is not iterable."""
    if isinstance(words, (str, bytes, bytearray)):
        raise TypeError(
            f"Stemmer.{method}() takes a batch of words, not a single {_type_name(words)}; "
            f"wrap it in a list: {method}([word])"
        )
    if isinstance(words, (list, tuple)):
        return words
    try:
        return list(words)
    except TypeError as e:
        if not hasattr(words, "__iter__"):
            raise TypeError(f"Stemmer.{method}() takes an iterable of words, not {_type_name(words)}") from None
        raise e


def _item_type_error(method: str, index: int, item: object, expected: str = "str or bytes") -> TypeError:
    return TypeError(f"Stemmer.{method}(): item {index} is {_type_name(item)}, expected {expected} (or None for a gap)")


def _present_items(words: Sequence[Any], method: str, kinds: Tuple[type, ...] = (str, bytes)) -> Tuple[List[int], List[Any]]:
    """Positions and items of a batch that are words; gaps are left out, anything else refused."""
    positions: List[int] = []
    present: List[Any] = []
    for index, item in enumerate(words):
        if isinstance(item, kinds):
            positions.append(index)
            present.append(item)
        elif not _is_gap(item):
            expected = " or ".join(k.__name__ for k in kinds)
            raise _item_type_error(method, index, item, expected)
    return positions, present


def _check_cache_size(cache_size: object, caller: str) -> None:
    if isinstance(cache_size, bool) or not isinstance(cache_size, int):
        raise TypeError(f"{caller}: cache_size must be an int, not {_type_name(cache_size)}")
    if cache_size < 0:
        raise ValueError(f"{caller}: cache_size must be 0 (no cache) or more, not {cache_size}")


def _renamed(error: TypeError, method: str) -> TypeError:
    """The extension's TypeError about an argument, naming the Stemmer method it came through."""
    text = str(error)
    bare = method.split(".")[-1] + "() "
    return TypeError(f"Stemmer.{text}" if text.startswith(bare) else f"Stemmer.{method}(): {text}")


def _is_dictionary_encoded(column: Any) -> bool:
    """Whether an Arrow column is dictionary-encoded (pandas' category, Polars' Categorical, a
    pyarrow DictionaryArray), read from the schema it exports, without importing pyarrow."""
    kind = getattr(column, "type", None)  # a pyarrow array or chunked array
    if kind is not None and type(kind).__name__ == "DictionaryType":
        return True
    if not (hasattr(column, "__arrow_c_stream__") or hasattr(column, "__arrow_c_array__")):
        return False
    dtype = getattr(column, "dtype", None)  # pandas and Polars say it in their dtype
    return dtype is not None and str(dtype) in ("category", "Categorical", "Enum") or (
        dtype is not None and type(dtype).__name__ in ("CategoricalDtype", "Categorical", "Enum")
    )


def _none_positions(items: List[Any]) -> List[int]:
    """Where None stands in a list, found by the list's own search (a few per batch, as a rule)."""
    positions: List[int] = []
    start = 0
    try:
        while True:
            start = items.index(None, start) + 1
            positions.append(start - 1)
    except ValueError:
        return positions


class Stemmer:
    """Stems words with a bundled model or a model file.

    ``model`` is a bundled model's code, English name or locale (``"en"``, ``"german"``,
    ``"de_DE"``; :func:`velmora.available_models` lists them) or the path of a model file
    (``str``, ``bytes`` or ``os.PathLike``): a compiled image (``*.vmc``) or a source
    dictionary, gzip-compressed or plain.

    Options (the defaults suit the bundled models):

    - ``backward``, ``store_original``, ``lowercase``: how a source dictionary is compiled when
      ``model`` is one (words walked from their end, each stem mapped to itself, words
      lowercased). A compiled image records its direction and ignores the first two;
      ``lowercase`` sets the case mode of either.
    - ``lookup``: which node of a word's walk through the trie gives its stem. The walk goes
      from the word's last letter towards its first; ``"first"`` takes the shallowest node that
      holds rules (the shortest matching ending), ``"last"`` the deepest one (the longest
      matching ending, the whole word when it has rules of its own); ``"all"`` stems as
      ``"last"`` does, while :meth:`stem_all` lists the candidates of every node met, deepest
      first. They differ where a specific rule sits below a general one::

          builder = TrieBuilder(model_path("en"))
          builder.set("snarfed", "snarfy")  # a rule for the whole word, below the "-ed" rule
          Stemmer.from_builder(builder, lookup="first").stem("snarfed")  # 'snarf'
          Stemmer.from_builder(builder, lookup="last").stem("snarfed")   # 'snarfy'

    - ``cache_size``: how many results are kept (the first ``cache_size`` distinct words); 0, the
      default, keeps none: the walk costs about what a cache lookup does, so a cache gains nothing
      on running text and slows a list of distinct words down.
    - ``keep_unknown_case``: with a lowercasing model, :meth:`stem_word`, :meth:`stem_words`,
      :meth:`stem_text` and ``stem_arrow(keep_input=True)`` give a word without a stem
      lowercased, like the stems (which a lowercasing model always gives lowercased); ``True``
      gives such a word back as it came.

    Conventions, the same in every method: :meth:`stem` and :meth:`stem_batch` give ``None``
    for a word without a stem, :meth:`stem_word` and :meth:`stem_words` the word itself (see
    ``keep_unknown_case``); every word is stemmed by the model, with no exceptions for
    particular words; a result has the type of its word (``str`` or UTF-8 ``bytes``); a batch
    may hold gaps (``None``, NaN, pandas' ``NA``), which give ``None``.

    A ``Stemmer`` pickles: a bundled model by its name, any other model by value (its compiled
    image, compressed), so a worker on another host needs nothing but the package.

    >>> Stemmer().stem("running")
    'run'
    """

    __slots__ = ("_core", "_model", "_origin", "_options", "_lowercases", "_compiled", "__weakref__")

    def __init__(
        self,
        model: PathArg = "en",
        *,
        backward: bool = True,
        store_original: bool = True,
        lowercase: bool = True,
        lookup: Lookup = DEFAULT_LOOKUP,
        cache_size: int = DEFAULT_CACHE_SIZE,
        keep_unknown_case: bool = False,
    ) -> None:
        if not isinstance(model, (str, bytes, os.PathLike)):
            raise TypeError(
                f"Stemmer(): model must be a bundled model's name or a path (str, bytes or os.PathLike), "
                f"not {_type_name(model)}"
            )
        _check_cache_size(cache_size, "Stemmer()")
        self._options = dict(
            backward=backward, store_original=store_original, lowercase=lowercase, lookup=lookup, cache_size=cache_size
        )
        path, bundled = resolve_model(model)
        # A bundled model pickles by its code, so it unpickles against the receiver's package.
        self._model: Optional[str] = model if bundled else None  # type: ignore[assignment]
        self._origin = repr(model if bundled else path)
        self._core = load_model_file(path, path if bundled else os.fsdecode(model), self._options, stacklevel=2)
        self._finish(keep_unknown_case)

    def _finish(self, keep_unknown_case: bool) -> None:
        self._compiled: Optional[bytes] = None
        self._options["keep_unknown_case"] = bool(keep_unknown_case)
        self._lowercases = not keep_unknown_case and self._core._case_mode() != "AS_IS"

    @classmethod
    def from_hunspell(
        cls,
        dictionary: PathArg,
        *,
        prefixes: bool = False,
        cache_dir: Optional[PathArg] = None,
        progress: bool = True,
        lookup: Lookup = DEFAULT_LOOKUP,
        cache_size: int = DEFAULT_CACHE_SIZE,
        keep_unknown_case: bool = False,
    ) -> "Stemmer":
        """A stemmer over a Hunspell dictionary installed on this machine ("fr_FR", found in the
        usual folders such as /usr/share/hunspell) or given by the path of its `.dic`.

        The first use builds the model with velmora's own affix expander (suffix rules; prefix
        rules too with ``prefixes=True``) and caches the compiled image under
        ``$XDG_CACHE_HOME/velmora``, one entry per dictionary and options; later uses load it in
        milliseconds, and a changed dictionary is rebuilt. Once the cache holds more than
        ``$VELMORA_CACHE_MAX_BYTES`` (2 GiB), the entries used least recently are removed.
        ``progress`` reports builds longer than a second on stderr. The stemmer pickles by value,
        so a worker needs neither the dictionary nor the cache.
        """
        from velmora._cache_bound import mark_used_and_trim
        from velmora._ondemand import hunspell_model

        folder = None if cache_dir is None else os.fsdecode(cache_dir)
        path = hunspell_model(os.fsdecode(dictionary), prefixes=prefixes, cache_dir=folder, progress=progress)
        mark_used_and_trim(path)
        return cls(path, lookup=lookup, cache_size=cache_size, keep_unknown_case=keep_unknown_case)

    @classmethod
    def from_builder(
        cls,
        builder: TrieBuilder,
        *,
        lookup: Lookup = DEFAULT_LOOKUP,
        cache_size: int = DEFAULT_CACHE_SIZE,
        keep_unknown_case: bool = False,
    ) -> "Stemmer":
        """A stemmer over a builder's current content (later edits of the builder do not reach it)."""
        return cls._from_core(builder.build(cache_size=cache_size, lookup=lookup), keep_unknown_case)

    @classmethod
    def from_bytes(
        cls,
        data: bytes,
        *,
        lowercase: bool = True,
        lookup: Lookup = DEFAULT_LOOKUP,
        cache_size: int = DEFAULT_CACHE_SIZE,
        keep_unknown_case: bool = False,
    ) -> "Stemmer":
        """A stemmer over a compiled image held in memory (as :meth:`to_bytes` gives it)."""
        return cls._from_core(
            StemmerCore.from_bytes(data, lowercase=lowercase, lookup=lookup, cache_size=cache_size), keep_unknown_case
        )

    @classmethod
    def _from_core(cls, core: StemmerCore, keep_unknown_case: bool) -> "Stemmer":
        self = cls.__new__(cls)
        self._model = None
        self._origin = "<model held in memory>"
        self._core = core
        self._options = dict(lowercase=core._case_mode() != "AS_IS", lookup=core.lookup, cache_size=core.cache_size)
        self._finish(keep_unknown_case)
        return self

    @property
    def core(self) -> StemmerCore:
        """The underlying extension object."""
        return self._core

    def to_bytes(self) -> bytes:
        """The model as a compiled image (gzip-compressed), whatever it was loaded from."""
        if self._compiled is not None:
            return self._compiled
        image = self._core.to_bytes()
        if self._core.recorded_modes is None:
            # A dictionary is compiled to give its image: once, however often it is pickled.
            self._compiled = image
        return image

    # ---- one word ----------------------------------------------------------------------

    def _word_error(self, method: str, word: object) -> TypeError:
        return TypeError(f"Stemmer.{method}(): word must be str or bytes, not {_type_name(word)}")

    def _unknown(self, word: W) -> W:
        """A word without a stem, as the keep-input methods give it."""
        if not self._lowercases:
            return word
        if isinstance(word, bytes):
            return word.decode("utf-8").lower().encode("utf-8")
        return word.lower()

    @overload
    def stem(self, word: str) -> Optional[str]: ...
    @overload
    def stem(self, word: bytes) -> Optional[bytes]: ...
    def stem(self, word: Word) -> Optional[Word]:
        """The stem of one word (of the word's type), or None when no rule reaches it."""
        try:
            return self._core.stem(word)  # type: ignore[arg-type]
        except TypeError:
            if not isinstance(word, bytes):
                raise self._word_error("stem", word) from None
        return self._core.stem_batch([word])[0]

    @overload
    def stem_word(self, word: str) -> str: ...
    @overload
    def stem_word(self, word: bytes) -> bytes: ...
    def stem_word(self, word: Word) -> Word:
        """The stem of one word, of the word's type; the word itself when it has no stem
        (lowercased by a lowercasing model, unless ``keep_unknown_case``)."""
        try:
            stem = self._core.stem(word)  # type: ignore[arg-type]
        except TypeError:
            if not isinstance(word, bytes):
                raise self._word_error("stem_word", word) from None
            stem = self._core.stem_batch([word])[0]
        return self._unknown(word) if stem is None else stem

    stemWord = stem_word

    # ---- batches -----------------------------------------------------------------------

    def _stem_present(self, words: Sequence[Any], method: str, threads: Optional[int], keep: bool) -> List[Any]:
        """The general path: gaps give None, items of other types are refused by index."""
        positions, present = _present_items(words, method)
        stems = self._core.stem_batch(present, threads=threads)
        out: List[Any] = [None] * len(words)
        for index, word, stem in zip(positions, present, stems):
            out[index] = self._unknown(word) if keep and stem is None else stem
        return out

    def _batch(self, words: Iterable[Any], method: str, threads: Optional[int], keep: bool) -> List[Any]:
        batch = _as_batch(words, method)
        if threads is not None and (isinstance(threads, bool) or not isinstance(threads, int)):
            raise TypeError(f"Stemmer.{method}(): threads must be an int or None, not {_type_name(threads)}")
        try:
            out: List[Any] = self._core.stem_batch(batch, threads=threads)
        except TypeError:
            return self._stem_present(batch, method, threads, keep)
        if None in out:
            # A None is a word without a stem; the items behind them are checked here, as
            # some paths of the extension give None for an item that is not a word.
            unknown = _none_positions(out)
            if not all(isinstance(batch[i], (str, bytes)) for i in unknown):
                return self._stem_present(batch, method, threads, keep)
            if keep:
                for i in unknown:
                    out[i] = self._unknown(batch[i])
        return out

    @overload
    def stem_batch(self, words: Iterable[str], *, threads: Optional[int] = None) -> List[Optional[str]]: ...
    @overload
    def stem_batch(self, words: Iterable[bytes], *, threads: Optional[int] = None) -> List[Optional[bytes]]: ...
    @overload
    def stem_batch(
        self, words: Iterable[Optional[Word]], *, threads: Optional[int] = None
    ) -> List[Optional[Word]]: ...
    def stem_batch(self, words: Iterable[Any], *, threads: Optional[int] = None) -> List[Any]:
        """One result per word, in order, like :meth:`stem`: None for a word without a stem and
        for a gap (None, NaN, pandas' NA). Any iterable; a list is fastest. ``threads=N`` stems
        on N threads with the interpreter lock released (the cache is then not used); the result
        is the same for any count."""
        return self._batch(words, "stem_batch", threads, keep=False)

    @overload
    def stem_words(self, words: Iterable[str], *, threads: Optional[int] = None) -> List[str]: ...
    @overload
    def stem_words(self, words: Iterable[bytes], *, threads: Optional[int] = None) -> List[bytes]: ...
    @overload
    def stem_words(
        self, words: Iterable[Optional[Word]], *, threads: Optional[int] = None
    ) -> List[Optional[Word]]: ...
    def stem_words(self, words: Iterable[Any], *, threads: Optional[int] = None) -> List[Any]:
        """One result per word, in order, like :meth:`stem_word`; None for a gap."""
        return self._batch(words, "stem_words", threads, keep=True)

    stemWords = stem_words

    def stem_text(self, text: str) -> List[Tuple[str, str]]:
        """(word, stem) for each word of a text, in order, with the tokenizer of the ``velmora
        stem`` command (README, "What counts as a word"); a word without a stem stands for
        itself, as in :meth:`stem_word`."""
        if not isinstance(text, str):
            raise TypeError(f"Stemmer.stem_text(): text must be str, not {_type_name(text)}")
        words = words_of(text)
        return list(zip(words, self.stem_words(words)))

    def stem_arrow(self, column: Any, *, threads: Optional[int] = None, keep_input: bool = False) -> Any:
        """Stem an Arrow string column without a Python object per word.

        ``column`` is any object of the Arrow PyCapsule interface (``__arrow_c_array__`` or
        ``__arrow_c_stream__``): a pyarrow array or chunked array, a Polars Series, a pandas
        Series of ``string[pyarrow]``, a nanoarrow array, of type string, large_string or
        string_view. Returns a large_string array of the same length (a ``pyarrow.Array`` when
        pyarrow is installed, else an object exporting ``__arrow_c_array__``): nulls stay null,
        (a dictionary-encoded column, such as a pandas ``category`` or Polars ``Categorical``,
        gives a dictionary array whose dictionary was stemmed once, with its indices as they were;
        this step needs pyarrow),
        a word without a stem is null, or with ``keep_input=True`` itself, lowercased by a
        lowercasing model as in :meth:`stem_word` (this step needs pyarrow). The work runs off
        the interpreter lock on ``threads`` threads (None: one for small columns, every core
        for large ones); the result is the same for any thread count."""
        if _is_dictionary_encoded(column):
            return self._stem_dictionary_column(column, threads, keep_input)
        if not (keep_input and self._lowercases):
            try:
                return self._core.stem_arrow(column, threads=threads, keep_input=keep_input)
            except TypeError as e:
                if "dictionary-encoded" in str(e):  # from a producer whose dtype did not say so
                    return self._stem_dictionary_column(column, threads, keep_input)
                raise _renamed(e, "stem_arrow") from None
        try:
            import pyarrow as pa
            import pyarrow.compute as pc
        except ImportError:
            raise ImportError(
                "Stemmer.stem_arrow(keep_input=True) lowercases words without a stem with pyarrow; "
                "install pyarrow, or make the Stemmer with keep_unknown_case=True"
            ) from None
        try:
            kept = self._core.stem_arrow(column, threads=threads, keep_input=True)
        except TypeError as e:
            raise _renamed(e, "stem_arrow") from None
        stems = self._core.stem_arrow(column, threads=threads)
        if stems.null_count == kept.null_count:
            return kept
        # Only the words without a stem change, lowercased as stem_word lowercases them.
        unknown = pc.and_(pc.is_null(stems), pc.is_valid(kept))
        lowered = [word.lower() for word in pc.filter(kept, unknown).to_pylist()]
        return pc.replace_with_mask(kept, unknown, pa.array(lowered, type=kept.type))

    def _stem_dictionary_column(self, column: Any, threads: Optional[int], keep_input: bool) -> Any:
        """A dictionary-encoded column: each chunk's dictionary is stemmed once and the chunk's
        indices kept, so the cost follows the distinct words, not the rows. The result is one
        dictionary array over the chunks' unified dictionaries."""
        import pyarrow as pa
        import pyarrow.compute as pc

        chunks = pa.chunked_array(column) if hasattr(column, "__arrow_c_stream__") else pa.chunked_array([pa.array(column)])
        stemmed = []
        for chunk in chunks.chunks:
            stems = self.stem_arrow(chunk.dictionary, threads=threads, keep_input=keep_input)
            indices = chunk.indices
            if stems.null_count:
                # A row whose word has no stem becomes a null index, so the dictionaries hold no
                # nulls and the chunks' dictionaries can be unified.
                missing = pc.fill_null(pc.take(pc.is_null(stems), indices), False)
                indices = pc.if_else(missing, pa.scalar(None, indices.type), indices)
                stems = pc.fill_null(stems, "")
            stemmed.append(pa.DictionaryArray.from_arrays(indices, stems))
        if not stemmed:
            return pa.array([], pa.dictionary(chunks.type.index_type, pa.large_string()))
        return pa.chunked_array(stemmed).unify_dictionaries().combine_chunks()

    def stem_all(self, word: str) -> List[str]:
        """Every candidate stem of a word, best first (empty when there is none)."""
        try:
            return self._core.stem_all(word)
        except TypeError:
            raise TypeError(f"Stemmer.stem_all(): word must be str, not {_type_name(word)}") from None

    @overload
    def stem_all_batch(self, words: Iterable[str]) -> List[List[str]]: ...
    @overload
    def stem_all_batch(self, words: Iterable[Optional[str]]) -> List[Optional[List[str]]]: ...
    def stem_all_batch(self, words: Iterable[Optional[str]]) -> List[Optional[List[str]]]:  # type: ignore[misc]
        """:meth:`stem_all` for each word of any iterable; None for a gap."""
        batch = _as_batch(words, "stem_all_batch")
        try:
            return self._core.stem_all_batch(batch)  # type: ignore[return-value]
        except TypeError:
            positions, present = _present_items(batch, "stem_all_batch", (str,))
        out: List[Optional[List[str]]] = [None] * len(batch)
        for index, stems in zip(positions, self._core.stem_all_batch(present)):
            out[index] = stems
        return out

    # ---- pickling ----------------------------------------------------------------------

    def __reduce__(self) -> Tuple[Any, Tuple[Any, ...]]:
        if self._model is not None:
            return (_restore, (self._model, self._options))
        # The image is gzip-compressed already.
        options = {k: self._options[k] for k in ("lowercase", "lookup", "cache_size", "keep_unknown_case")}
        return (_restore_image, (self.to_bytes(), options))

    def __repr__(self) -> str:
        opts = ", ".join(f"{k}={v!r}" for k, v in self._options.items())
        return f"Stemmer({self._origin}, {opts})"


def _restore(model: str, options: dict) -> Stemmer:  # type: ignore[type-arg]
    return Stemmer(model, **options)


def _restore_image(image: bytes, options: dict) -> Stemmer:  # type: ignore[type-arg]
    return Stemmer.from_bytes(image, **options)


def _core_from_image(image: bytes, lowercase: bool, lookup: str, cache_size: int) -> StemmerCore:
    return StemmerCore.from_bytes(image, lowercase=lowercase, lookup=lookup, cache_size=cache_size)  # type: ignore[arg-type]


def _reduce_core(core: StemmerCore) -> Tuple[Any, Tuple[Any, ...]]:
    """A StemmerCore pickles by value: its compiled image and its options."""
    return (_core_from_image, (core.to_bytes(), core._case_mode() != "AS_IS", core.lookup, core.cache_size))


def _builder_from_image(image: bytes, store_original: bool, lowercase: bool) -> TrieBuilder:
    return TrieBuilder.from_bytes(image, store_original=store_original, lowercase=lowercase)


def _reduce_builder(builder: TrieBuilder) -> Tuple[Any, Tuple[Any, ...]]:
    """A TrieBuilder pickles as the image of its current rules and its options."""
    return (_builder_from_image, (builder.to_bytes(), builder.store_original, builder.lowercase))


copyreg.pickle(StemmerCore, _reduce_core)
copyreg.pickle(TrieBuilder, _reduce_builder)

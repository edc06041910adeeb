"""The friendly Python face of velmora: bundled models by name, checked model files, pickling,
batch arguments checked before they reach the extension."""
from __future__ import annotations

import os
from typing import Any, Iterable, List, Literal, Optional, Sequence, Tuple, Union, overload

from velmora._model_files import check_loaded_rules, check_model_file
from velmora._registry import (
    ModelInfo,
    available_models,
    bundled_model,
    looks_like_model_name,
    unknown_model_error,
)
from velmora._velmora import StemmerCore, TrieBuilder

Word = Union[str, bytes]
Lookup = Literal["first", "last", "all"]
DEFAULT_LOOKUP: Lookup = "first"
DEFAULT_CACHE_SIZE = 10000

__all__ = ["Stemmer", "available_models", "model_path", "resolve_model", "ModelInfo"]


def model_path(name: str) -> str:
    """File system path of a bundled model, by code, English name or locale ("de", "german", "de_DE")."""
    info = bundled_model(name)
    if info is None:
        raise unknown_model_error(name)
    return info.path


def resolve_model(model: Union[str, "os.PathLike[str]"], *, what: str = "model") -> Tuple[str, bool]:
    """(path, bundled) for a bundled model name or a model file, refusing unreadable files, files
    that yield no rules and names that match no bundled model."""
    if isinstance(model, str):
        info = bundled_model(model)
        if info is not None:
            return info.path, True
        if looks_like_model_name(model) and not os.path.exists(model):
            raise unknown_model_error(model)
    return os.path.abspath(check_model_file(model, what=what)), False


def _check_batch(words: Iterable[Word], method: str) -> None:
    if isinstance(words, (str, bytes, bytearray)):
        raise TypeError(
            f"{method}() takes a batch of words, not a single {type(words).__name__}; "
            f"wrap it in a list: {method}([word])"
        )


def _item_error(words: Iterable[Word], method: str, error: TypeError) -> TypeError:
    """The extension's TypeError about a batch item, re-worded to name the item's index."""
    if isinstance(words, Sequence):
        for index, word in enumerate(words):
            if not isinstance(word, (str, bytes)):
                return TypeError(f"{method}(): item {index} is {type(word).__name__}, expected str or bytes")
    return error


class Stemmer:
    """Stems words with a bundled model or a model file.

    ``model`` is a bundled model's code, English name or locale (``"en"``, ``"german"``,
    ``"de_DE"``; :func:`velmora.available_models` lists them) or the path of a model file: a
    compiled image (``*.vmc``) or a source dictionary, gzip-compressed or plain.

    Options (the defaults suit the bundled models):

    - ``backward``, ``store_original``, ``lowercase``: how a source dictionary is compiled when
      ``model`` is one (words walked from their end, each stem mapped to itself, words
      lowercased). A compiled image records its own modes and ignores them.
    - ``lookup``: which candidate a word takes: ``"first"`` the best-ranked, ``"last"`` the
      least, ``"all"`` the first as well, while :meth:`stem_all` lists every candidate.
    - ``cache_size``: how many recent results are kept; 0 turns the cache off. Running text
      repeats words, so the cache pays off there; lists of distinct words do best without it.

    Two conventions for a word without a stem: :meth:`stem` and :meth:`stem_batch` give ``None``;
    :meth:`stem_word` and :meth:`stem_words` give the word itself, as search pipelines expect.
    The second convention also passes the words ``"cars"`` and ``"unknown"`` (in any ASCII case)
    through unchanged: results of the companion Java implementation have always done so, and
    indexes built with it must keep matching. Use :meth:`stem` when that matters.

    A ``Stemmer`` pickles (by model name, absolute file path or image bytes), so it can be sent
    to worker processes.

    >>> Stemmer().stem("running")
    'run'
    """

    __slots__ = ("_core", "_model", "_image", "_options")

    def __init__(
        self,
        model: Union[str, "os.PathLike[str]"] = "en",
        *,
        backward: bool = True,
        store_original: bool = True,
        lowercase: bool = True,
        lookup: Lookup = DEFAULT_LOOKUP,
        cache_size: int = DEFAULT_CACHE_SIZE,
    ) -> None:
        self._options = dict(
            backward=backward, store_original=store_original, lowercase=lowercase, lookup=lookup, cache_size=cache_size
        )
        self._image: Optional[bytes] = None
        path, bundled = resolve_model(model)
        # A bundled model pickles by its code, so it unpickles against the receiver's package.
        self._model = model if bundled else path
        self._core = StemmerCore(path, **self._options)
        if not bundled:
            check_loaded_rules(path, self._core._value_layout_stats()[1])

    @classmethod
    def from_hunspell(
        cls,
        dictionary: Union[str, "os.PathLike[str]"],
        *,
        prefixes: bool = False,
        cache_dir: Optional[Union[str, "os.PathLike[str]"]] = None,
        progress: bool = True,
        lookup: Lookup = DEFAULT_LOOKUP,
        cache_size: int = DEFAULT_CACHE_SIZE,
    ) -> "Stemmer":
        """A stemmer over a Hunspell dictionary installed on this machine ("fr_FR", found in the
        usual folders such as /usr/share/hunspell) or given by the path of its `.dic`.

        The first use builds the model with velmora's own affix expander (suffix rules; prefix
        rules too with ``prefixes=True``) and caches the compiled image under
        ``$XDG_CACHE_HOME/velmora``; later uses load it in milliseconds, and a changed dictionary
        is rebuilt. ``progress`` reports builds longer than a second on stderr.
        """
        from velmora._ondemand import hunspell_model

        path = hunspell_model(dictionary, prefixes=prefixes, cache_dir=cache_dir, progress=progress)
        return cls(path, lookup=lookup, cache_size=cache_size)

    @classmethod
    def from_builder(
        cls, builder: TrieBuilder, *, lookup: Lookup = DEFAULT_LOOKUP, cache_size: int = DEFAULT_CACHE_SIZE
    ) -> "Stemmer":
        """A stemmer over a builder's current content; it pickles as the image bytes."""
        return cls._from_image(builder.to_bytes(), dict(lookup=lookup, cache_size=cache_size))

    @classmethod
    def _from_image(cls, image: bytes, options: dict) -> "Stemmer":
        self = cls.__new__(cls)
        self._model = None
        self._image = image
        self._options = dict(options)
        self._core = TrieBuilder.from_bytes(image).build(
            cache_size=options.get("cache_size", DEFAULT_CACHE_SIZE), lookup=options.get("lookup", DEFAULT_LOOKUP)
        )
        return self

    @property
    def core(self) -> StemmerCore:
        """The underlying extension object."""
        return self._core

    def stem(self, word: str) -> Optional[str]:
        """The stem of one word, or None when no rule reaches it."""
        return self._core.stem(word)

    @overload
    def stem_word(self, word: str) -> str: ...
    @overload
    def stem_word(self, word: bytes) -> bytes: ...
    def stem_word(self, word: Word) -> Word:
        """The stem of one word, of the word's type; the word itself when it has no stem."""
        return self._core.stemWord(word)

    stemWord = stem_word

    @overload
    def stem_words(self, words: Iterable[str]) -> List[str]: ...
    @overload
    def stem_words(self, words: Iterable[bytes]) -> List[bytes]: ...
    @overload
    def stem_words(self, words: Iterable[Word]) -> List[Word]: ...
    def stem_words(self, words: Iterable[Word]) -> List[Word]:
        """One result per word, in order, like :meth:`stem_word`."""
        _check_batch(words, "stem_words")
        try:
            return self._core.stemWords(words)
        except TypeError as e:
            raise _item_error(words, "stem_words", e) from e

    stemWords = stem_words

    @overload
    def stem_batch(self, words: Iterable[str]) -> List[Optional[str]]: ...
    @overload
    def stem_batch(self, words: Iterable[bytes]) -> List[Optional[bytes]]: ...
    @overload
    def stem_batch(self, words: Iterable[Word]) -> List[Optional[Word]]: ...
    def stem_batch(self, words: Iterable[Word]) -> List[Optional[Word]]:
        """One result per word, in order, like :meth:`stem` (None for a word without a stem).
        The fastest way to stem many words: pass a list."""
        _check_batch(words, "stem_batch")
        try:
            return self._core.stem_batch(words)
        except TypeError as e:
            raise _item_error(words, "stem_batch", e) from e

    def stem_arrow(self, column: Any, *, threads: Optional[int] = None, keep_input: bool = False) -> Any:
        """Stem an Arrow string column without a Python object per word.

        ``column`` is any object of the Arrow PyCapsule interface (``__arrow_c_array__`` or
        ``__arrow_c_stream__``): a pyarrow array or chunked array, a Polars Series, a pandas
        Series of ``string[pyarrow]``, a nanoarrow array, of type string, large_string or
        string_view. Returns a large_string array of the same length (a ``pyarrow.Array`` when
        pyarrow is installed, else an object exporting ``__arrow_c_array__``): nulls stay null,
        a word without a stem is null, or itself with ``keep_input=True``. The work runs off
        the interpreter lock on ``threads`` threads (None: one for small columns, every core
        for large ones); the result is the same for any thread count."""
        return self._core.stem_arrow(column, threads=threads, keep_input=keep_input)

    def stem_all(self, word: str) -> List[str]:
        """Every candidate stem of a word, best first (empty when there is none)."""
        return self._core.stem_all(word)

    def stem_all_batch(self, words: Sequence[str]) -> List[List[str]]:
        """:meth:`stem_all` for each word of a batch."""
        _check_batch(words, "stem_all_batch")
        try:
            return self._core.stem_all_batch(words)
        except TypeError as e:
            raise _item_error(words, "stem_all_batch", e) from e

    def __reduce__(self) -> Tuple[object, tuple]:
        if self._image is not None:
            return (Stemmer._from_image, (self._image, self._options))
        return (_restore, (self._model, self._options))

    def __repr__(self) -> str:
        source = f"<{len(self._image)} byte image>" if self._image is not None else repr(self._model)
        opts = ", ".join(f"{k}={v!r}" for k, v in self._options.items())
        return f"Stemmer({source}, {opts})"


def _restore(model: str, options: dict) -> Stemmer:
    return Stemmer(model, **options)

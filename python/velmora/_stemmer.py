"""The friendly Python face of velmora: bundled models by name, pickling, thin delegation."""
from __future__ import annotations

import os
from importlib import resources
from typing import Iterable, List, Optional, Sequence, Tuple, Union

from velmora._velmora import StemmerCore, TrieBuilder

Word = Union[str, bytes]
_MODEL_SUFFIX = ".vmc"


def available_models() -> List[str]:
    """Names of the compiled models shipped with the package."""
    folder = resources.files("velmora") / "models"
    return sorted(p.name[: -len(_MODEL_SUFFIX)] for p in folder.iterdir() if p.name.endswith(_MODEL_SUFFIX))


def model_path(name: str) -> str:
    """File system path of a bundled model."""
    if name not in available_models():
        raise ValueError(f"unknown bundled model {name!r}; available: {', '.join(available_models())}")
    return str(resources.files("velmora") / "models" / f"{name}{_MODEL_SUFFIX}")


class Stemmer:
    """A stemmer over a bundled model (by name) or a model file (image or dictionary, gzip or plain).

    >>> Stemmer().stem("running")
    'run'
    """

    __slots__ = ("_core", "_model", "_image", "_options")

    def __init__(
        self,
        model: Union[str, os.PathLike] = "en",
        *,
        backward: bool = True,
        store_original: bool = True,
        lowercase: bool = True,
        lookup: str = "first",
        cache_size: int = 10000,
    ) -> None:
        self._options = dict(
            backward=backward, store_original=store_original, lowercase=lowercase, lookup=lookup, cache_size=cache_size
        )
        self._image: Optional[bytes] = None
        if isinstance(model, str) and model in available_models():
            self._model = model
            path = model_path(model)
        else:
            self._model = os.fspath(model)
            path = self._model
        self._core = StemmerCore(path, **self._options)

    @classmethod
    def from_builder(cls, builder: TrieBuilder, *, lookup: str = "first", cache_size: int = 10000) -> "Stemmer":
        """A stemmer over a builder's current content; it pickles as the image bytes."""
        return cls._from_image(builder.to_bytes(), dict(lookup=lookup, cache_size=cache_size))

    @classmethod
    def _from_image(cls, image: bytes, options: dict) -> "Stemmer":
        self = cls.__new__(cls)
        self._model = None
        self._image = image
        self._options = dict(options)
        self._core = TrieBuilder.from_bytes(image).build(
            cache_size=options.get("cache_size", 10000), lookup=options.get("lookup", "first")
        )
        return self

    @property
    def core(self) -> StemmerCore:
        """The underlying extension object."""
        return self._core

    def stem(self, word: str) -> Optional[str]:
        return self._core.stem(word)

    def stem_word(self, word: Word) -> Word:
        return self._core.stemWord(word)

    stemWord = stem_word

    def stem_words(self, words: Iterable[Word]) -> List[Word]:
        return self._core.stemWords(words)

    stemWords = stem_words

    def stem_batch(self, words: Iterable[Word]) -> List[Optional[Word]]:
        return self._core.stem_batch(words)

    def stem_all(self, word: str) -> List[str]:
        return self._core.stem_all(word)

    def stem_all_batch(self, words: Sequence[str]) -> List[List[str]]:
        return self._core.stem_all_batch(words)

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

import os
from typing import Any, Dict, Iterable, List, Literal, Optional, Sequence, Tuple, Union, overload

__all__ = ["StemmerCore", "TrieBuilder", "compile"]

_Lookup = Literal["first", "last", "all"]
_Path = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

_unicode_version: str

class StemmerCore:
    """A stemmer backed by a patch-command trie: compiles a (gzipped) textual dictionary, or
    loads a compiled image, and stems words against it.

    cache_size results are kept (0: none), for words and stems of at most 128 UTF-8 bytes;
    longer words are stemmed every time, so a full cache holds about a kilobyte per entry at
    most."""

    def __new__(
        cls,
        path: _Path,
        backward: bool = True,
        store_original: bool = True,
        lowercase: bool = True,
        lookup: _Lookup = "first",
        cache_size: int = 10000,
    ) -> "StemmerCore": ...
    @classmethod
    def from_bytes(
        cls,
        data: bytes,
        backward: bool = True,
        store_original: bool = True,
        lowercase: bool = True,
        lookup: _Lookup = "first",
        cache_size: int = 10000,
    ) -> "StemmerCore": ...
    @classmethod
    def _load_checked(
        cls,
        path: _Path,
        backward: bool = True,
        store_original: bool = True,
        lowercase: bool = True,
        lookup: _Lookup = "first",
        cache_size: int = 10000,
        *,
        shown: Optional[str] = None,
        what: str = "model",
    ) -> Tuple["StemmerCore", List[str]]: ...
    def to_bytes(self) -> bytes: ...
    @property
    def lookup(self) -> _Lookup: ...
    @property
    def cache_size(self) -> int: ...
    @property
    def recorded_modes(self) -> Optional[Dict[str, str]]:
        """The modes recorded in the compiled image this stemmer was loaded from
        (traversalDirection, caseProcessingMode, diacriticProcessingMode, spelled as in
        the image); None when it was compiled from a source dictionary or built by a
        TrieBuilder."""
    def stem(self, word: str) -> Optional[str]: ...
    @overload
    def stemWord(self, word: str) -> str: ...
    @overload
    def stemWord(self, word: bytes) -> bytes: ...
    @overload
    def stem_batch(self, words: Iterable[str], *, threads: Optional[int] = None) -> List[Optional[str]]: ...
    @overload
    def stem_batch(self, words: Iterable[bytes], *, threads: Optional[int] = None) -> List[Optional[bytes]]: ...
    @overload
    def stem_batch(
        self, words: Iterable[Union[str, bytes]], *, threads: Optional[int] = None
    ) -> List[Union[str, bytes, None]]: ...
    @overload
    def stemWords(self, words: Iterable[str]) -> List[str]: ...
    @overload
    def stemWords(self, words: Iterable[bytes]) -> List[bytes]: ...
    @overload
    def stemWords(self, words: Iterable[Union[str, bytes]]) -> List[Union[str, bytes]]: ...
    def stem_arrow(self, column: Any, *, threads: Optional[int] = None, keep_input: bool = False) -> Any: ...
    def stem_all(self, word: str) -> List[str]: ...
    def stem_all_batch(self, words: Sequence[str]) -> List[List[str]]: ...
    def _echo_batch(self, words: Sequence[str]) -> List[str]: ...
    def _len_batch(self, words: Sequence[str]) -> int: ...
    def _encode_batch(self, words: Sequence[str]) -> int: ...
    def _encodefind_batch(self, words: Sequence[str]) -> int: ...
    def _stem_lengths_batch(self, words: Sequence[str]) -> int: ...
    def _stem_utf8_lengths_batch(self, words: Sequence[str]) -> int: ...
    def _patch_stats_batch(self, words: Sequence[str]) -> List[Tuple[str, int]]: ...
    def _backward_compound_patterns_batch(self, words: Sequence[str]) -> List[Tuple[str, int]]: ...
    def _case_mode(self) -> str: ...
    def _value_layout_stats(self) -> Tuple[int, int, int]: ...

class TrieBuilder:
    def __new__(
        cls,
        path: _Path,
        backward: Optional[bool] = None,
        store_original: bool = True,
        lowercase: bool = True,
    ) -> "TrieBuilder": ...
    @classmethod
    def from_bytes(
        cls,
        data: bytes,
        backward: Optional[bool] = None,
        store_original: bool = True,
        lowercase: bool = True,
    ) -> "TrieBuilder": ...
    @classmethod
    def _from_source(
        cls,
        source: Union[bytes, _Path],
        backward: Optional[bool] = None,
        store_original: bool = True,
        lowercase: bool = True,
        *,
        shown: Optional[str] = None,
    ) -> Tuple["TrieBuilder", List[str]]: ...
    def add(self, word: str, stem: str, count: Optional[int] = None, only_if_absent: bool = False) -> None: ...
    def add_many(
        self, pairs: Sequence[Tuple[str, str]], count: Optional[int] = None, only_if_absent: bool = False
    ) -> None: ...
    def set(self, word: str, stem: str) -> None: ...
    def remove(self, word: str, stem: Optional[str] = None) -> None: ...
    def build(self, cache_size: int = 10000, lookup: _Lookup = "first") -> StemmerCore: ...
    def to_bytes(self) -> bytes: ...
    def save(self, out_path: _Path) -> None: ...
    @property
    def store_original(self) -> bool: ...
    @property
    def lowercase(self) -> bool: ...

def compile(
    source_path: _Path,
    out_path: _Path,
    backward: bool = True,
    store_original: bool = True,
    lowercase: bool = True,
) -> None: ...
def _write_file(path: _Path, data: bytes, replace_links: bool = False) -> None: ...

"""Checks the package layer makes on a model file before the extension reads it.

The extension reads any bytes it is given (a file that is neither an image nor gzip is read as a
dictionary, invalid UTF-8 becomes U+FFFD), so a binary, empty or corrupt file would load as a model
that stems nothing. The package layer and the CLI refuse such files and name the path in every
error, while the extension keeps its own messages.
"""
from __future__ import annotations

import os
import re
import warnings
import zlib
from typing import BinaryIO, Tuple, Union

IMAGE_MAGIC = b"LXTR"
GZIP_MAGIC = b"\x1f\x8b"

# A dictionary line that yields a rule: a stem, a tab, then a word form before any comment.
_RULE_LINE = re.compile(rb"^[ \t]*[^\s#/][^\t\n#]*\t[ \t]*[^\s#/]", re.MULTILINE)


def read_error(path: str, error: OSError) -> OSError:
    """The same kind of OSError, naming the model file."""
    reason = error.strerror or str(error)
    named = type(error)(f"cannot read model {path!r}: {reason}")
    named.errno = error.errno
    return named


def _inflate(data: bytes) -> bytes:
    """Gzip content as the extension reads it: a stream that does not inflate is taken raw."""
    try:
        return zlib.decompress(data, wbits=47)
    except zlib.error:
        return data


def _starts_an_image(f: BinaryIO) -> Tuple[bool, bytes]:
    """Whether the open file holds a compiled image (plain or gzip), and the bytes read so far.
    Only as much is read as it takes to inflate the first four bytes."""
    data = f.read(4096)
    if not data.startswith(GZIP_MAGIC):
        return data.startswith(IMAGE_MAGIC), data
    inflater = zlib.decompressobj(wbits=47)
    out = b""
    chunk = data
    try:
        while len(out) < len(IMAGE_MAGIC) and chunk:
            out += inflater.decompress(chunk)
            chunk = f.read(65536)
            data += chunk
    except zlib.error:
        return False, data
    return out.startswith(IMAGE_MAGIC), data


def check_model_file(path: Union[str, "os.PathLike[str]"], *, what: str = "model") -> str:
    """Refuses a model or source file that cannot be read or yields no rules; warns when a
    dictionary has undecodable bytes or NUL characters. Returns the path as text.

    A compiled image is only opened for its first bytes here (the extension validates it); a
    dictionary is read whole, which costs little beside compiling it.
    """
    text_path = os.fspath(path)
    try:
        with open(text_path, "rb") as f:
            image, head = _starts_an_image(f)
            if image:
                return text_path
            data = head + f.read()
    except OSError as e:
        raise read_error(text_path, e) from e
    content = _inflate(data) if data.startswith(GZIP_MAGIC) else data
    if b"\x00" in content:
        warnings.warn(f"{what} {text_path!r} holds NUL characters", UnicodeWarning, stacklevel=4)
    try:
        content.decode("utf-8")
    except UnicodeDecodeError as e:
        warnings.warn(
            f"{what} {text_path!r} has undecodable bytes (first at byte {e.start}); they are read as U+FFFD",
            UnicodeWarning,
            stacklevel=4,
        )
    if not _RULE_LINE.search(content):
        raise ValueError(f"{text_path!r} holds no dictionary entries")
    return text_path


def check_loaded_rules(path: str, value_refs: int) -> None:
    """Refuses an image whose trie holds no rules at all (compiled from an empty source)."""
    if value_refs == 0:
        raise ValueError(f"{path!r} holds no dictionary entries")

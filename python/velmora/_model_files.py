"""Checks the package layer makes on a model file before the extension reads it.

The extension reads any bytes it is given (a file that is neither an image nor gzip is read as a
dictionary, invalid UTF-8 becomes U+FFFD), so a binary, empty or corrupt file would load as a model
that stems nothing. The package layer and the CLI refuse such files and name the path in every
error, while the extension keeps its own messages.
"""
from __future__ import annotations

import errno
import os
import re
import stat
import warnings
import zlib
from typing import BinaryIO, Tuple, Union

from velmora import _velmora

IMAGE_MAGIC = b"LXTR"
GZIP_MAGIC = b"\x1f\x8b"

# A dictionary line that yields a rule: a stem, a tab, then a word form before any comment.
_RULE_LINE = re.compile(rb"^[ \t]*[^\s#/][^\t\n#]*\t[ \t]*[^\s#/]", re.MULTILINE)


def read_error(path: str, error: OSError, what: str = "model") -> OSError:
    """The same kind of OSError, naming the file and what it was read as ("model", "source")."""
    reason = error.strerror or str(error)
    named = type(error)(f"cannot read {what} {path!r}: {reason}")
    named.errno = error.errno
    return named


# Flags for opening a file to read: without waiting for a pipe's writer, not inherited, binary. The
# POSIX ones are absent on Windows, where none of them is needed.
READ_FLAGS = os.O_RDONLY | getattr(os, "O_NONBLOCK", 0) | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)
# Refuses a link at the path itself where the system can (ELOOP).
NO_FOLLOW = getattr(os, "O_NOFOLLOW", 0)

_NOT_REGULAR = (
    (stat.S_ISCHR, "a character device"),
    (stat.S_ISBLK, "a block device"),
    (stat.S_ISFIFO, "a pipe"),
    (stat.S_ISSOCK, "a socket"),
)


def _open_regular(path: str, what: str) -> BinaryIO:
    """The file opened for reading, when it is a regular file. A device or pipe may never end
    (/dev/zero, a pipe nobody closes), so it is refused with ValueError before a byte is read;
    the open itself does not wait for a pipe's writer."""
    fd = os.open(path, READ_FLAGS)
    try:
        mode = os.fstat(fd).st_mode
        if stat.S_ISDIR(mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), path)
        if not stat.S_ISREG(mode):
            kind = next((name for test, name in _NOT_REGULAR if test(mode)), "not a file")
            raise ValueError(f"cannot read {what} {path!r}: not a regular file ({kind})")
        if hasattr(os, "O_NONBLOCK"):
            os.set_blocking(fd, True)
        return os.fdopen(fd, "rb")
    except BaseException:
        os.close(fd)
        raise


def write_file(path: Union[str, "os.PathLike[str]"], data: bytes, *, replace_links: bool = False) -> None:
    """Replaces the file at `path` by `data`, whole or not at all: a new file with a short random name
    is created exclusively beside it (never through a link planted there), synced, and renamed over
    it; any failure or a Ctrl-C before the rename removes it. A replaced file keeps its mode (minus
    set-ID bits when the owner changes); a link at `path` is written through, or replaced itself with
    `replace_links`; a device or pipe is written in place (a pipe without a reader fails at once).
    Failures raise OSError with errno and filename set."""
    _velmora._write_file(path, data, replace_links=replace_links)


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
        with _open_regular(text_path, what) as f:
            image, head = _starts_an_image(f)
            if image:
                return text_path
            data = head + f.read()
    except OSError as e:
        raise read_error(text_path, e, what) from e
    _check_text(_inflate(data) if data.startswith(GZIP_MAGIC) else data, repr(text_path), what)
    return text_path


# Past this share of NUL characters and undecodable sequences, a file is binary, not a dictionary
# with a few bad bytes.
BINARY_SHARE = 0.10


def _check_text(content: bytes, shown: str, what: str) -> None:
    """Refuses binary content and content without dictionary entries; warns about a few NUL
    characters or undecodable bytes (read as U+FFFD)."""
    nul = content.count(b"\x00")
    bad = content.decode("utf-8", "replace").count("\ufffd") - content.count("\ufffd".encode("utf-8"))
    if content and nul + bad > BINARY_SHARE * len(content):
        share = round(100 * (nul + bad) / len(content))
        raise ValueError(f"{what} {shown} is binary, not a text dictionary ({share}% NUL or undecodable bytes)")
    if nul:
        warnings.warn(f"{what} {shown} holds NUL characters", UnicodeWarning, stacklevel=5)
    try:
        content.decode("utf-8")
    except UnicodeDecodeError as e:
        warnings.warn(
            f"{what} {shown} has undecodable bytes (first at byte {e.start}); they are read as U+FFFD",
            UnicodeWarning,
            stacklevel=5,
        )
    if not _RULE_LINE.search(content):
        raise ValueError(f"{shown} holds no dictionary entries")


def check_source_bytes(data: bytes, shown: str) -> None:
    """The checks of `check_model_file` on a dictionary held in memory (read from stdin), named
    `shown`; a compiled image is refused, as `compile` refuses one."""
    content = _inflate(data) if data.startswith(GZIP_MAGIC) else data
    if content.startswith(IMAGE_MAGIC):
        raise ValueError(f"{shown} is already a compiled image, not a source dictionary")
    _check_text(content, shown, "source")


def check_loaded_rules(path: str, value_refs: int) -> None:
    """Refuses an image whose trie holds no rules at all (compiled from an empty source)."""
    if value_refs == 0:
        raise ValueError(f"{path!r} holds no dictionary entries")

"""Models built on demand from the user's own Hunspell dictionaries, cached per dictionary content.

The compiled image goes to `$XDG_CACHE_HOME/velmora/hunspell/`. As the XDG Base Directory rules
say, the variable counts only when it holds an absolute path; otherwise the folder is
`$HOME/.cache/velmora/hunspell/`, where an empty or relative HOME counts as unset and the home folder
of the user's account is taken. New folders are made private (0700), as those rules ask.

An entry's name carries a digest of the .aff and .dic bytes, of the package version and of the build
options, so a changed dictionary, a new velmora or other options build a new image (the images of
earlier contents of the same dictionary built with the same options are removed then; each set of
options keeps its own entry), and the digest of the image itself. An
entry is used only when it is a regular file (a link is never followed) whose bytes match that
digest; anything else in its place is removed and the image built again.
"""
from __future__ import annotations

import hashlib
import os
import stat
from typing import Iterator, Optional, Union

from velmora import _velmora
from velmora._progress import Progress

# Flags for opening an entry to read: without waiting for a pipe's writer, not inherited, binary,
# and refusing a link at the path itself where the system can (ELOOP). The POSIX ones are absent
# on Windows, where a link is checked before the open.
READ_FLAGS = os.O_RDONLY | getattr(os, "O_NONBLOCK", 0) | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)
NO_FOLLOW = getattr(os, "O_NOFOLLOW", 0)

_FORMAT = "2"  # bump when the way on-demand models are built changes
_NAME_CHARS = 64  # of the dictionary's name in an entry's name, so any legal .dic name fits


def _home() -> str:
    home = os.environ.get("HOME", "")
    if os.path.isabs(home):
        return home
    try:
        import pwd

        home = pwd.getpwuid(os.getuid()).pw_dir
    except (ImportError, KeyError):
        home = ""
    if os.path.isabs(home):
        return home
    raise ValueError(
        "no cache folder: HOME is not an absolute path and the account has no home folder; "
        "set XDG_CACHE_HOME or pass cache_dir"
    )


def cache_folder(cache_dir: Optional[Union[str, "os.PathLike[str]"]] = None) -> str:
    if cache_dir is not None:
        return os.fspath(cache_dir)
    base = os.environ.get("XDG_CACHE_HOME", "")
    if not os.path.isabs(base):
        base = os.path.join(_home(), ".cache")
    return os.path.join(base, "velmora")


def _digest(*parts: bytes) -> str:
    h = hashlib.sha256()
    for part in parts:
        h.update(len(part).to_bytes(8, "big"))
        h.update(part)
    return h.hexdigest()[:20]


def _image_digest(image: bytes) -> str:
    return hashlib.sha256(image).hexdigest()[:32]


def _entry_matches(path: str, digest: str) -> bool:
    """Whether the entry is a regular file, not a link, whose bytes have the digest in its name."""
    if not NO_FOLLOW and os.path.islink(path):
        return False
    try:
        fd = os.open(path, READ_FLAGS | NO_FOLLOW)
    except OSError:
        return False  # a link (ELOOP), gone, or unreadable
    if not stat.S_ISREG(os.fstat(fd).st_mode):
        os.close(fd)
        return False
    with os.fdopen(fd, "rb") as f:
        h = hashlib.sha256()
        for piece in iter(lambda: f.read(1 << 20), b""):
            h.update(piece)
    return h.hexdigest()[:32] == digest


def _entries(folder: str, start: str) -> Iterator[str]:
    try:
        names = os.listdir(folder)
    except FileNotFoundError:
        return
    for name in names:
        if name.startswith(start) and name.endswith(".vmc"):
            yield name


def _remove(path: str) -> None:
    try:
        os.unlink(path)  # a link itself, never what it leads to
    except FileNotFoundError:
        pass  # another process may be removing it too


def _language_of(dictionary_name: str) -> Optional[str]:
    """The wordfreq language of a dictionary named like a locale ("fr_FR" -> "fr"), when wordfreq is
    installed and knows it; frequencies then break ties between candidate lemmas."""
    try:
        import wordfreq
    except ImportError:
        return None
    language = dictionary_name.replace("-", "_").split("_", 1)[0].lower()
    return language if language in wordfreq.available_languages() else None


def _recipe(dic_path: str, language: Optional[str], prefixes: bool):  # type: ignore[no-untyped-def]
    import functools

    from velmora.lexicon import readers
    from velmora.lexicon.recipes import Recipe, Source

    def source(roots: str, priority: int) -> Source:
        return Source(
            name=f"Hunspell {dic_path} ({roots} roots)",
            read=functools.partial(readers.read_hunspell, dic_path, prefixes=prefixes, roots=roots),
            priority=priority, package="", package_kind="file", licence="as given by the user",
        )

    # Roots with forms of their own are lemmas; roots without (particles, names, listed irregular
    # forms) only claim themselves when nothing better does.
    return Recipe(lang=language or "custom", sources=(source("inflecting", 2), source("plain", 1)), frequency_lang=language)


def hunspell_model(
    name_or_path: Union[str, "os.PathLike[str]"],
    *,
    prefixes: bool = False,
    cache_dir: Optional[Union[str, "os.PathLike[str]"]] = None,
    progress: bool = True,
) -> str:
    """Path of the compiled model of a Hunspell dictionary, building and caching it on first use.

    `name_or_path` is a dictionary name found in the usual folders ("fr_FR") or a path to a `.dic`
    (its `.aff` beside it). `prefixes` also expands prefix rules (they often derive other words).
    Raises FileNotFoundError naming the folders searched when there is no such dictionary.
    """
    from velmora import __version__
    from velmora.lexicon.hunspell import find_dictionary

    dic, aff = find_dictionary(os.fspath(name_or_path))
    dic_path = os.path.abspath(dic)
    content = _digest(aff.read_bytes(), dic.read_bytes(), __version__.encode(), _FORMAT.encode(), bytes([prefixes]))
    folder = os.path.join(cache_folder(cache_dir), "hunspell")
    # One entry per dictionary and options: building with other options never removes this one.
    prefix = f"{dic.stem[:_NAME_CHARS]}-{_digest(dic_path.encode(), bytes([prefixes]))[:8]}-"
    start = f"{prefix}{content}-"
    for name in _entries(folder, start):
        path = os.path.join(folder, name)
        if _entry_matches(path, name[len(start):-len(".vmc")]):
            return path
        _remove(path)  # damaged, replaced, or a link: built again below

    from velmora.lexicon import build_model

    os.makedirs(folder, mode=0o700, exist_ok=True)
    with Progress(f"building a model from {dic_path} (cached for later use)", enabled=progress):
        image = build_model(_recipe(dic_path, _language_of(dic.stem), prefixes))
    target = os.path.join(folder, f"{start}{_image_digest(image)}.vmc")
    _velmora._write_file(target, image, replace_links=True)
    for name in _entries(folder, prefix):
        if name != os.path.basename(target):
            try:
                _remove(os.path.join(folder, name))
            except OSError:
                pass  # an earlier content's entry that stays is never used again
    return target

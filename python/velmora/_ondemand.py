"""Models built on demand from the user's own Hunspell dictionaries, cached per dictionary content.

The compiled image goes to `$XDG_CACHE_HOME/velmora/hunspell/` (`~/.cache/velmora/hunspell/` when
the variable is unset). Its file name carries a digest of the .aff and .dic bytes, of the package
version and of the build options, so a changed dictionary, a new velmora or other options build a
new image; the images of earlier contents of the same dictionary are removed then.
"""
from __future__ import annotations

import hashlib
import os
import tempfile
from typing import Optional, Union

from velmora._progress import Progress

_FORMAT = "1"  # bump when the way on-demand models are built changes


def cache_folder(cache_dir: Optional[Union[str, "os.PathLike[str]"]] = None) -> str:
    if cache_dir is not None:
        return os.fspath(cache_dir)
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "velmora")


def _digest(*parts: bytes) -> str:
    h = hashlib.sha256()
    for part in parts:
        h.update(len(part).to_bytes(8, "big"))
        h.update(part)
    return h.hexdigest()[:20]


def _umask() -> int:
    mask = os.umask(0)
    os.umask(mask)
    return mask


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

    from velmora.build import readers
    from velmora.build.recipes import Recipe, Source

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
    from velmora.build.hunspell import find_dictionary

    dic, aff = find_dictionary(os.fspath(name_or_path))
    dic_path = os.path.abspath(dic)
    content = _digest(aff.read_bytes(), dic.read_bytes(), __version__.encode(), _FORMAT.encode(), bytes([prefixes]))
    folder = os.path.join(cache_folder(cache_dir), "hunspell")
    prefix = f"{dic.stem}-{_digest(dic_path.encode())[:8]}-"
    target = os.path.join(folder, f"{prefix}{content}.vmc")
    if os.path.isfile(target):
        return target

    from velmora.build import build_model

    os.makedirs(folder, exist_ok=True)
    with Progress(f"building a model from {dic_path} (cached for later use)", enabled=progress):
        image = build_model(_recipe(dic_path, _language_of(dic.stem), prefixes))
    fd, tmp = tempfile.mkstemp(prefix=f".{prefix}", suffix=".tmp", dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(image)
            f.flush()
            os.fsync(f.fileno())
        os.chmod(tmp, 0o666 & ~_umask())  # mkstemp makes the file private; a cache entry need not be
        os.replace(tmp, target)
    except BaseException:
        os.unlink(tmp)
        raise
    for name in os.listdir(folder):
        if name.startswith(prefix) and name.endswith(".vmc") and name != os.path.basename(target):
            try:
                os.unlink(os.path.join(folder, name))
            except OSError:
                pass  # another process may be removing it too
    return target

"""The size bound of the on-demand model cache: once its folder holds more than the limit, the
entries used least recently are removed.

Each use of an entry sets its modification time (access times are unreliable on file systems
mounted with noatime or relatime), so the oldest modification time is the least recent use. An entry
used in the last minute is never removed, so that another process that has just been handed it can
still load it; the entry being used is never removed.
"""
from __future__ import annotations

import os
import time
from typing import List, Optional, Tuple

DEFAULT_MAX_BYTES = 2 << 30
MAX_BYTES_VARIABLE = "VELMORA_CACHE_MAX_BYTES"
RECENT_SECONDS = 60.0


def max_bytes() -> int:
    """The limit: $VELMORA_CACHE_MAX_BYTES when it holds a whole number of bytes, else 2 GiB."""
    text = os.environ.get(MAX_BYTES_VARIABLE, "").strip()
    if text.isdigit():
        return int(text)
    if text:
        raise ValueError(f"{MAX_BYTES_VARIABLE} must be a whole number of bytes, not {text!r}")
    return DEFAULT_MAX_BYTES


def mark_used_and_trim(path: str, limit: Optional[int] = None) -> None:
    """Records a use of the cache entry at `path`, then removes the least recently used entries
    of its folder until the folder's entries fit the limit."""
    limit = max_bytes() if limit is None else limit
    try:
        os.utime(path)
    except OSError:
        pass  # another user's shared entry: its use goes unrecorded
    entries: List[Tuple[float, int, str]] = []
    try:
        with os.scandir(os.path.dirname(path)) as found:
            for entry in found:
                if entry.name.endswith(".vmc") and entry.is_file(follow_symlinks=False):
                    info = entry.stat(follow_symlinks=False)
                    entries.append((info.st_mtime, info.st_size, entry.path))
    except OSError:
        return
    total = sum(size for _, size, _ in entries)
    now = time.time()
    for used, size, entry_path in sorted(entries):
        if total <= limit:
            break
        if entry_path == path or _same(entry_path, path):
            continue
        if now - used < RECENT_SECONDS:
            continue
        try:
            os.unlink(entry_path)
        except FileNotFoundError:
            pass  # another process removed it first
        except OSError:
            continue
        total -= size


def _same(a: str, b: str) -> bool:
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False

"""The warnings a model or source file deserves, issued for the extension.

The extension reads a model or source file once, decides what it is (a compiled image or a
dictionary, gzip or plain), refuses content that cannot serve as a model (binary text, no
dictionary entries) and words the warnings of a dictionary with a few bad bytes (NUL characters,
undecodable bytes read as U+FFFD): `StemmerCore._load_checked` and `TrieBuilder._from_source`
return them as texts. This module issues them and names read errors after the file.
"""
from __future__ import annotations

import os
import warnings
from typing import Iterable


def issue_warnings(texts: Iterable[str], stacklevel: int) -> None:
    """Issues each text as a UnicodeWarning; `stacklevel` counts from the caller of this function."""
    for text in texts:
        warnings.warn(text, UnicodeWarning, stacklevel=stacklevel + 1)


def named_error(verb: str, path: str, error: OSError) -> OSError:
    """The same kind of OSError, one line naming the path and what failed: "cannot read model
    '/x.vmc': No such file or directory", "cannot write 'x.vmc': No space left on device"."""
    reason = os.strerror(error.errno) if error.errno else str(error)
    named = type(error)(f"cannot {verb} {path!r}: {reason}")
    named.errno = error.errno
    return named

"""velmora: a dictionary-driven word stemmer backed by patch-command tries."""

from velmora._velmora import StemmerCore, TrieBuilder, compile

__all__ = ["StemmerCore", "TrieBuilder", "compile"]
__version__ = "0.1.0"

"""velmora: a dictionary-driven word stemmer backed by patch-command tries.

>>> import velmora
>>> velmora.Stemmer().stem("running")
'run'
"""

from velmora._stemmer import ModelInfo, Stemmer, available_models, model_path
from velmora._velmora import StemmerCore, TrieBuilder, _unicode_version, compile

__all__ = [
    "ModelInfo", "Stemmer", "StemmerCore", "TrieBuilder", "available_models", "compile", "model_path", "unicode_version"
]
__version__ = "0.1.0"
#: The Unicode version behind lowercasing and diacritic removal, the same on every machine.
unicode_version: str = _unicode_version

"""velmora: a dictionary-driven word stemmer backed by patch-command tries.

>>> import velmora
>>> velmora.Stemmer().stem("running")
'run'
"""

from velmora._stemmer import ModelInfo, Stemmer, available_models, model_path
from velmora._velmora import StemmerCore, TrieBuilder, compile

__all__ = ["ModelInfo", "Stemmer", "StemmerCore", "TrieBuilder", "available_models", "compile", "model_path"]
__version__ = "0.1.0"

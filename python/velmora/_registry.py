"""The bundled models by name: language codes, English names and locales resolve to one model file.

Listing opens no model: the names come from the file names in `models/`, the sizes from the file
system and the sources from `models/SOURCES.json`, which the model builder writes beside the images.
"""
from __future__ import annotations

import json
import os
import re
from functools import lru_cache
from importlib import resources
from typing import Dict, List, Optional, Tuple

MODEL_SUFFIX = ".vmc"

# ISO 639-1 code -> English name, then further names users type. Covers more languages than are
# bundled so that a name of a language without a model is still recognised as a name (and answered
# with the list of available models) rather than taken for a file.
LANGUAGE_NAMES: Dict[str, Tuple[str, ...]] = {
    "af": ("afrikaans",),
    "ar": ("arabic",),
    "bg": ("bulgarian",),
    "bn": ("bengali", "bangla"),
    "ca": ("catalan",),
    "cs": ("czech",),
    "cy": ("welsh",),
    "da": ("danish",),
    "de": ("german", "deutsch"),
    "el": ("greek",),
    "en": ("english",),
    "eo": ("esperanto",),
    "es": ("spanish", "castilian", "español"),
    "et": ("estonian",),
    "eu": ("basque",),
    "fa": ("persian", "farsi"),
    "fi": ("finnish",),
    "fr": ("french", "français"),
    "ga": ("irish",),
    "gl": ("galician",),
    "grc": ("ancient greek",),
    "he": ("hebrew",),
    "hi": ("hindi",),
    "hr": ("croatian",),
    "hu": ("hungarian",),
    "hy": ("armenian",),
    "id": ("indonesian",),
    "is": ("icelandic",),
    "it": ("italian", "italiano"),
    "ka": ("georgian",),
    "la": ("latin",),
    "lb": ("luxembourgish",),
    "lt": ("lithuanian",),
    "lv": ("latvian",),
    "mk": ("macedonian",),
    "ml": ("malayalam",),
    "ms": ("malay",),
    "nb": ("norwegian bokmål", "norwegian", "bokmål", "bokmal", "no"),
    "nl": ("dutch", "flemish"),
    "nn": ("norwegian nynorsk", "nynorsk"),
    "pl": ("polish", "polski"),
    "pt": ("portuguese",),
    "ro": ("romanian",),
    "ru": ("russian",),
    "se": ("northern sami", "north sami"),
    "sk": ("slovak",),
    "sl": ("slovenian", "slovene"),
    "sq": ("albanian",),
    "sr": ("serbian",),
    "sv": ("swedish",),
    "ta": ("tamil",),
    "tl": ("tagalog", "filipino"),
    "tr": ("turkish",),
    "uk": ("ukrainian",),
    "ur": ("urdu",),
    "vi": ("vietnamese",),
}

_ALIASES: Dict[str, str] = {
    alias: code for code, names in LANGUAGE_NAMES.items() for alias in (code, *names)
}


# A POSIX locale: language, then optional territory, encoding and modifier ("de_DE.UTF-8@euro").
_LOCALE = re.compile(r"([a-z]{2,3})(?:_[a-z]{2,3})?(?:\.(?:utf_?8|iso_?8859_?\d+|koi8_?[ru]|cp\d+))?(?:@[a-z0-9_]+)?")


class ModelInfo(str):
    """A bundled model: compares and prints as its code (so `"en" in available_models()` holds), and
    carries the language name, the sources it was built from, its size in bytes and its path."""

    code: str
    name: str
    source: str
    size: int
    path: str

    def __new__(cls, code: str, name: str, source: str, size: int, path: str) -> "ModelInfo":
        self = super().__new__(cls, code)
        self.code, self.name, self.source, self.size, self.path = code, name, source, size, path
        return self

    def __repr__(self) -> str:
        return f"ModelInfo(code={self.code!r}, name={self.name!r}, source={self.source!r}, size={self.size})"

    def __reduce__(self):  # type: ignore[override]
        return (ModelInfo, (self.code, self.name, self.source, self.size, self.path))


def _models_folder() -> str:
    return str(resources.files("velmora") / "models")


@lru_cache(maxsize=1)
def _sources() -> Dict[str, str]:
    """Model code -> the names of its sources, from the provenance file the model builder writes."""
    try:
        with open(os.path.join(_models_folder(), "SOURCES.json"), encoding="utf-8") as f:
            table = json.load(f)
    except (OSError, ValueError):
        return {}
    found = {}
    for code, entry in table.items():
        if isinstance(entry, dict) and isinstance(entry.get("sources"), list):
            found[code] = "; ".join(str(s.get("source", "")) for s in entry["sources"] if isinstance(s, dict))
    return found


def available_models() -> List[ModelInfo]:
    """The bundled models, sorted by code. No model is opened to list them."""
    folder = _models_folder()
    sources = _sources()
    found = []
    with os.scandir(folder) as entries:
        for entry in entries:
            if entry.name.endswith(MODEL_SUFFIX) and entry.is_file():
                code = entry.name[: -len(MODEL_SUFFIX)]
                name = LANGUAGE_NAMES.get(code, (code,))[0].title()
                found.append(ModelInfo(code, name, sources.get(code, ""), entry.stat().st_size, entry.path))
    return sorted(found)


def normalise_name(name: str) -> str:
    """"German", "de_DE", "de-de.UTF-8", "DE" -> "de"; text that is not a known language name is
    returned lowercased as it is."""
    key = name.strip().lower().replace("-", "_")
    if key in _ALIASES:
        return _ALIASES[key]
    locale = _LOCALE.fullmatch(key)
    if locale and locale.group(1) in _ALIASES:
        return _ALIASES[locale.group(1)]
    return key


def bundled_model(name: str) -> Optional[ModelInfo]:
    """The bundled model a name stands for, or None."""
    code = normalise_name(name)
    for info in available_models():
        if info.code == code:
            return info
    return None


def looks_like_model_name(text: str) -> bool:
    """True for text that can only be meant as a model name: no folder part and no file suffix."""
    return bool(text) and os.sep not in text and "/" not in text and "." not in os.path.basename(text)


def unknown_model_error(name: str) -> ValueError:
    names = ", ".join(info.code for info in available_models())
    return ValueError(f"unknown model {name!r}; available: {names}")

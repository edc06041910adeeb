"""Hunspell dictionaries (.dic/.aff pairs) read and expanded in pure Python.

`HunspellDictionary.load(dic, aff).expand()` yields ``(form, root)`` for every word form the
affix rules generate from each dictionary root, the root itself included when it is a word on
its own. It follows Hunspell's own acceptance rules, so every form it yields is one that
``hunspell`` accepts and whose stems (``hunspell -s``) include the root:

* suffix rules always; prefix rules (and prefix/suffix cross products, both rules flagged
  ``Y``) only with ``prefixes=True``;
* twofold suffixes: a suffix's continuation flags name further suffixes that may follow it;
* NEEDAFFIX (old name PSEUDOROOT) on a root or in an affix's continuation: that stage is not a
  word by itself, but further affixes make it one (as in Hunspell, the outer one of two
  suffixes is exempt);
* CIRCUMFIX: an affix carrying it counts only together with a prefix and a suffix that both
  carry it (so only with ``prefixes=True``);
* FORBIDDENWORD / ONLYINCOMPOUND roots are skipped, as are forms built with an affix flagged
  ONLYINCOMPOUND or FORBIDDENWORD and forms that the dictionary lists as forbidden words;
* FLAG long / num / UTF-8 / single characters, AF flag aliases, AM morphology aliases, SET
  encodings, IGNORE characters. ICONV/OCONV and everything about compounding are not used:
  compounds are not generated. COMPLEXPREFIXES (two prefixes, one suffix) is read but
  expanded like an ordinary file.

Where Hunspell is lenient in ways that look accidental, the expander is stricter and yields
less: a CIRCUMFIX prefix alone, and a word that a FORBIDDENWORD homonym forbids only when that
homonym happens to come first in the .dic, are not generated.

Case is kept as the dictionary spells it; callers lowercase. A root whose first letter is
uppercase and that is not all uppercase (``root[:1].isupper() and not root.isupper()``) is a
proper noun or a name (``Aaron``, ``Kraków``); the German dictionary is the exception, where
every noun starts uppercase, so a caller that wants to drop names should do so per language.

By default the reader also leaves out roots that are no use to a stemmer (see
`default_skip_root`): abbreviations, single letters, tokens with digits and multi-word
entries. Pass ``skip_root=`` to replace that rule.

Hostile files end in a ValueError naming the file, not in exhausted memory: an expansion stops
past `MAX_FORMS_PER_ROOT` forms of one root or `MAX_FORMS` pairs in all; SET values that are no
text encoding and FLAG num flags past Hunspell's 65509 are refused; the rule index grows with
the rule text, and each condition is matched once, where it must hold.
"""
from __future__ import annotations

import codecs
import os
import pathlib
import re
from typing import Callable, Iterable, Iterator, NamedTuple

__all__ = [
    "AffixFile",
    "AffixRule",
    "HunspellDictionary",
    "Root",
    "default_skip_root",
    "find_dictionary",
    "search_folders",
]


# ---------------------------------------------------------------- locating dictionaries

def search_folders() -> list[pathlib.Path]:
    """The folders `find_dictionary` looks in, in order (Hunspell's own search order, plus
    the places Debian, Homebrew and macOS put dictionaries)."""
    folders: list[pathlib.Path] = []
    for entry in os.environ.get("DICPATH", "").split(os.pathsep):
        if entry:
            folders.append(pathlib.Path(entry).expanduser())
    home = pathlib.Path.home()
    folders += [
        home / ".local/share/hunspell",
        home / ".hunspell",
        pathlib.Path("/usr/share/hunspell"),
        pathlib.Path("/usr/share/myspell"),
        pathlib.Path("/usr/share/myspell/dicts"),
        pathlib.Path("/usr/local/share/hunspell"),
        pathlib.Path("/Library/Spelling"),
        home / "Library/Spelling",
    ]
    return folders


def find_dictionary(name_or_path: str) -> tuple[pathlib.Path, pathlib.Path]:
    """Return ``(dic_path, aff_path)`` for a dictionary name ("pl_PL", "en_US") or a path to a
    .dic file (with or without the extension; the .aff is the file beside it)."""
    given = pathlib.Path(name_or_path).expanduser()
    candidates: list[pathlib.Path] = []
    if given.suffix in (".dic", ".aff") or len(given.parts) > 1:
        candidates.append(given.with_suffix(".dic") if given.suffix in (".dic", ".aff")
                          else pathlib.Path(str(given) + ".dic"))
    folders = search_folders() if len(given.parts) == 1 else []
    stem = given.stem if given.suffix in (".dic", ".aff") else given.name
    candidates += [folder / f"{stem}.dic" for folder in folders]
    for dic in candidates:
        aff = dic.with_suffix(".aff")
        if dic.is_file() and aff.is_file():
            return dic, aff
    searched = ", ".join(str(f) for f in folders) or "(a path was given, no folders searched)"
    raise FileNotFoundError(
        f"no Hunspell dictionary {name_or_path!r} (a .dic with its .aff); searched: {searched}")


# ---------------------------------------------------------------- encodings

_CODEC_NAMES = {
    "microsoft-cp1251": "cp1251",
    "microsoft-cp1250": "cp1250",
    "microsoft-cp1252": "cp1252",
    "tis620-2533": "tis-620",
    "tis620": "tis-620",
}


def _codec_for(set_value: str) -> str:
    """Map a SET value to a Python codec. Hunspell's names are mostly codec aliases already
    (UTF-8, ISO8859-2, KOI8-R); the Microsoft and Thai names are not. Python's codecs that
    are no text encodings (base64, hex, rot13) or that cannot replace bad bytes (idna) are
    refused here with ValueError, before they fail half-way through a file."""
    name = _CODEC_NAMES.get(set_value.lower(), set_value)
    try:
        codec = codecs.lookup(name).name
        bytes(range(256)).decode(codec, errors="replace")
    except (LookupError, UnicodeError):
        raise ValueError(f"unsupported Hunspell SET encoding {_shown(set_value)!r}") from None
    return codec


def _encoding_of(aff_bytes: bytes) -> str:
    # The SET line has to be found before the file can be decoded; Hunspell's default is Latin-1.
    for raw in aff_bytes.splitlines():
        raw = raw.lstrip(b"\xef\xbb\xbf").strip()
        if raw.startswith(b"SET") and raw[3:4] in (b" ", b"\t"):
            parts = raw.split()
            if len(parts) >= 2:
                return _codec_for(parts[1].decode("ascii", "replace"))
    return "iso8859-1"


def _decode(data: bytes, encoding: str) -> str:
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        return data.decode(encoding, errors="replace")
    except UnicodeError as error:  # a stateful codec that passed the probe but not this text
        raise ValueError(f"cannot decode as {encoding}: {error}") from None


def _shown(text: str, keep: int = 40) -> str:
    """`text` for an error message, cut short when a hostile file makes it long."""
    return text if len(text) <= keep else f"{text[:keep]}... ({len(text)} characters)"


# ---------------------------------------------------------------- affix rules

class AffixRule:
    """One PFX or SFX line. The condition is matched on the end of the word (SFX) or its
    start (PFX); `units` is its length in characters."""

    __slots__ = ("flag", "is_suffix", "cross", "strip", "append", "cont", "condition",
                 "units", "morph", "needaffix", "circumfix", "banned", "alone")

    def __init__(self, flag: str, is_suffix: bool, cross: bool, strip: str, append: str,
                 cont: frozenset, condition: str, morph: str) -> None:
        self.flag = flag
        self.is_suffix = is_suffix
        self.cross = cross
        self.strip = strip
        self.append = append
        self.cont = cont
        self.condition = condition
        self.morph = morph
        self.units = _condition_units(condition)
        # Filled by AffixFile once the special flags are known.
        self.needaffix = False
        self.circumfix = False
        self.banned = False
        self.alone = True   # a word without further affixes

    @property
    def first_or_last_unit(self):
        if not self.units:
            return None
        return self.units[-1] if self.is_suffix else self.units[0]

    def test(self, fullstrip: bool = False) -> Callable[[str], bool]:
        """A predicate for the words this rule applies to: the condition holds at the rule's
        end of the word, the word has the strip there, and something of the word is left after
        stripping (unless FULLSTRIP). Every unit is one character, so the condition is matched
        once, at the one place it can start: time linear in the word and the condition."""
        n = len(self.units)
        condition = re.compile("".join(_unit_regex(u) for u in self.units), re.DOTALL)
        strip = self.strip
        shortest = max(n, len(strip) + (0 if fullstrip else 1))
        if self.is_suffix:
            def suffix_test(word: str) -> bool:
                size = len(word)
                return (size >= shortest and word.endswith(strip)
                        and condition.fullmatch(word, size - n) is not None)
            return suffix_test

        def prefix_test(word: str) -> bool:
            return (len(word) >= shortest and word.startswith(strip)
                    and condition.fullmatch(word, 0, n) is not None)
        return prefix_test

    def applies_to(self, word: str, fullstrip: bool = False) -> bool:
        return self.test(fullstrip)(word)

    def apply(self, word: str) -> str:
        if self.is_suffix:
            return (word[:len(word) - len(self.strip)] if self.strip else word) + self.append
        return self.append + word[len(self.strip):]

    def __repr__(self) -> str:
        kind = "SFX" if self.is_suffix else "PFX"
        return (f"<{kind} {self.flag} {self.strip or '0'} {self.append or '0'}"
                f"{'/' + ''.join(sorted(self.cont)) if self.cont else ''} {self.condition}>")


def _condition_units(condition: str) -> tuple:
    """Split a condition into per-character units: a literal character, None for '.', or
    (frozenset, negated) for a bracket class. Hunspell classes have no ranges: '-' is itself."""
    units: list = []
    i = 0
    while i < len(condition):
        c = condition[i]
        if c == "[":
            end = condition.find("]", i + 1)
            if end < 0:
                end = len(condition)
            body = condition[i + 1:end]
            negated = body.startswith("^")
            units.append((frozenset(body[1:] if negated else body), negated))
            i = end + 1
        else:
            units.append(None if c == "." else c)
            i += 1
    return tuple(units)


def _unit_regex(unit) -> str:
    if unit is None:
        return "."
    if isinstance(unit, str):
        return re.escape(unit)
    chars, negated = unit
    body = "".join(re.escape(c) for c in sorted(chars))
    if not body:
        return "." if negated else "(?!)"
    return f"[{'^' if negated else ''}{body}]"


# How many entries, per rule group, the remembered per-character selections of a rule index may
# hold in all: real alphabets need a handful, a hostile file gets no more than this many.
_REMEMBERED_PER_GROUP = 64


class _RuleIndex:
    """The rules of one flag, grouped by (strip, condition) so a condition is tested once for
    all the endings that share it, and the groups found by the character at the edge the
    condition looks at. A 1,200-rule Polish flag then costs a few tests per word, not 1,200.

    The index is as large as the conditions' text: a literal or bracket-class edge lists its
    group under each character it names; a '.' edge or a negated class is kept in one list and
    sorted out per character by a set lookup, never by listing every character it accepts.
    The groups one edge character selects are worked out on first use and remembered while
    the remembered lists hold fewer than `_REMEMBERED_PER_GROUP` entries per group, so a
    dictionary's alphabet is sorted out once and a hostile one costs no more than its rules.
    """

    __slots__ = ("groups", "is_suffix", "named", "open", "negated", "remembered", "room")

    def __init__(self, rules: list[AffixRule], is_suffix: bool, fullstrip: bool) -> None:
        self.is_suffix = is_suffix
        grouped: dict[tuple[str, str], list[AffixRule]] = {}
        for rule in rules:
            grouped.setdefault((rule.strip, rule.condition), []).append(rule)
        self.groups = [(members[0].test(fullstrip), tuple(members)) for members in grouped.values()]
        self.named: dict[str, list[int]] = {}      # edge character -> groups naming it
        self.open: list[int] = []                  # groups whose edge takes any character
        self.negated: list[tuple[int, frozenset]] = []  # groups whose edge refuses some
        for number, members in enumerate(grouped.values()):
            unit = members[0].first_or_last_unit
            if isinstance(unit, str):
                self.named.setdefault(unit, []).append(number)
            elif unit is None:
                self.open.append(number)
            elif unit[1]:
                self.negated.append((number, unit[0]))
            else:
                for char in unit[0]:
                    self.named.setdefault(char, []).append(number)
        self.remembered: dict[str | None, list] = {}
        self.room = _REMEMBERED_PER_GROUP * len(self.groups) + _REMEMBERED_PER_GROUP

    def _selected(self, char: str | None) -> list:
        """The groups, in file order, whose edge unit accepts `char` (None: the empty word)."""
        numbers = self.named.get(char, []) if char is not None else []
        numbers = numbers + self.open
        numbers += [number for number, refused in self.negated if char not in refused]
        numbers.sort()
        return [self.groups[number] for number in numbers]

    def matching(self, word: str) -> list[AffixRule]:
        """The rules whose strip and condition fit `word`, in file order within a group."""
        char = (word[-1] if self.is_suffix else word[0]) if word else None
        groups = self.remembered.get(char)
        if groups is None:
            groups = self._selected(char)
            if len(groups) < self.room:
                self.room -= len(groups) + 1
                self.remembered[char] = groups
        return [rule for test, rules in groups if test(word) for rule in rules]


class AffixFile:
    """A parsed .aff file.

    encoding: Python codec name from SET; flag_type: "char", "long", "num" or "UTF-8";
    flag_aliases / morph_aliases: AF / AM tables (1-based in the files, 0-based here);
    prefixes / suffixes: flag -> list of AffixRule in file order; needaffix, circumfix,
    forbiddenword, onlyincompound, keepcase, nosuggest: the special flags (None when unset).
    """

    def __init__(self) -> None:
        self.encoding = "iso8859-1"
        self.flag_type = "char"
        self.flag_aliases: list[frozenset] = []
        self.morph_aliases: list[str] = []
        self.prefixes: dict[str, list[AffixRule]] = {}
        self.suffixes: dict[str, list[AffixRule]] = {}
        self.needaffix: str | None = None
        self.circumfix: str | None = None
        self.forbiddenword: str | None = None
        self.onlyincompound: str | None = None
        self.keepcase: str | None = None
        self.nosuggest: str | None = None
        self.fullstrip = False
        self.complexprefixes = False
        self.ignore = ""
        self.language: str | None = None
        # Input/output conversion pairs; the expander does not apply them (forms keep the
        # dictionary's spelling), but a caller comparing with Hunspell's output needs them.
        self.iconv: list[tuple[str, str]] = []
        self.oconv: list[tuple[str, str]] = []
        self._prefix_index: dict[str, _RuleIndex] = {}
        self._suffix_index: dict[str, _RuleIndex] = {}

    # -- flags

    def split_flags(self, text: str) -> list[str]:
        """Split a flag field written in this file's FLAG type into single flags."""
        if self.flag_type == "long":
            return [text[i:i + 2] for i in range(0, len(text), 2)]
        if self.flag_type == "num":
            flags = []
            for part in text.split(","):
                part = part.strip()
                if _is_int(part):
                    flags.append(_flag_number(part))
            return flags
        return list(text)

    def decode_flags(self, text: str) -> frozenset:
        """A flag field from the .dic or an affix continuation, AF aliases resolved."""
        if self.flag_aliases and _is_int(text):
            index = _small_int(text) - 1
            return self.flag_aliases[index] if 0 <= index < len(self.flag_aliases) else frozenset()
        return frozenset(self.split_flags(text))

    def _single_flag(self, text: str) -> str | None:
        flags = self.split_flags(text)
        return flags[0] if flags else None

    def resolve_morph(self, fields: str) -> str:
        if self.morph_aliases and _is_int(fields):
            index = _small_int(fields) - 1
            if 0 <= index < len(self.morph_aliases):
                return self.morph_aliases[index]
        return fields

    def remove_ignored(self, text: str) -> str:
        if not self.ignore:
            return text
        return text.translate(self._ignore_table)

    # -- parsing

    @classmethod
    def load(cls, path) -> "AffixFile":
        """Read and parse an .aff file; a ValueError about its content names the file."""
        data = pathlib.Path(path).read_bytes()
        try:
            return cls.parse(data)
        except ValueError as error:
            raise ValueError(f"{os.fspath(path)}: {error}") from None

    @classmethod
    def parse(cls, data: bytes | str) -> "AffixFile":
        aff = cls()
        if isinstance(data, bytes):
            aff.encoding = _encoding_of(data)
            text = _decode(data, aff.encoding)
        else:
            text = data.lstrip("\ufeff")
            aff.encoding = "utf-8"
        af_raw: list[str] = []
        af_header_seen = am_header_seen = False
        rules_raw: list[tuple[str, str, bool, list[str]]] = []
        headers: dict[tuple[str, str], bool] = {}
        remaining: dict[tuple[str, str], int] = {}
        specials: dict[str, str] = {}
        for line in text.splitlines():
            parts = line.split()
            if not parts or parts[0].startswith("#"):
                continue
            key = parts[0]
            if key in ("PFX", "SFX"):
                if len(parts) < 4:
                    continue
                ident = (key, parts[1])
                is_header = (remaining.get(ident, 0) <= 0 and parts[2] in ("Y", "N")
                             and _is_int(parts[3]))
                if is_header:
                    headers[ident] = parts[2] == "Y"
                    remaining[ident] = _small_int(parts[3])
                    continue
                remaining[ident] = remaining.get(ident, 0) - 1
                rules_raw.append((key, parts[1], headers.get(ident, False), parts[2:]))
            elif key == "FLAG" and len(parts) > 1:
                value = parts[1]
                aff.flag_type = {"long": "long", "num": "num", "utf-8": "UTF-8"}.get(
                    value.lower(), "char")
            elif key == "AF" and len(parts) > 1:
                # The first AF line holds the count; the vectors follow, numbered from 1.
                if not af_header_seen:
                    af_header_seen = True
                    if _is_int(parts[1]):
                        continue
                af_raw.append(parts[1])
            elif key == "AM" and len(parts) > 1:
                if not am_header_seen and _is_int(parts[1]):
                    am_header_seen = True
                    continue
                am_header_seen = True
                aff.morph_aliases.append(" ".join(parts[1:]))
            elif key in ("NEEDAFFIX", "PSEUDOROOT", "CIRCUMFIX", "FORBIDDENWORD",
                         "ONLYINCOMPOUND", "KEEPCASE", "NOSUGGEST") and len(parts) > 1:
                specials["NEEDAFFIX" if key == "PSEUDOROOT" else key] = parts[1]
            elif key == "FULLSTRIP":
                aff.fullstrip = True
            elif key == "COMPLEXPREFIXES":
                aff.complexprefixes = True
            elif key == "IGNORE" and len(parts) > 1:
                aff.ignore = parts[1]
            elif key in ("ICONV", "OCONV") and len(parts) > 2:
                (aff.iconv if key == "ICONV" else aff.oconv).append((parts[1], parts[2]))
            elif key == "LANG" and len(parts) > 1:
                aff.language = parts[1]
        # Flags are decoded only now: FLAG may follow the lines that use it in odd files.
        aff.flag_aliases = [frozenset(aff.split_flags(raw)) for raw in af_raw]
        for name, value in specials.items():
            setattr(aff, name.lower(), aff._single_flag(value))
        aff._ignore_table = {ord(c): None for c in aff.ignore}
        for kind, flag_text, cross, fields in rules_raw:
            aff._add_rule(kind, flag_text, cross, fields)
        for flag, rules in aff.prefixes.items():
            aff._prefix_index[flag] = _RuleIndex(rules, is_suffix=False, fullstrip=aff.fullstrip)
        for flag, rules in aff.suffixes.items():
            aff._suffix_index[flag] = _RuleIndex(rules, is_suffix=True, fullstrip=aff.fullstrip)
        return aff

    def _add_rule(self, kind: str, flag_text: str, cross: bool, fields: list[str]) -> None:
        flag = self._single_flag(flag_text)
        if flag is None or len(fields) < 2:
            return
        strip = "" if fields[0] == "0" else fields[0]
        append_field = fields[1]
        cont: frozenset = frozenset()
        slash = _unescaped_slash(append_field)
        if slash >= 0:
            cont = self.decode_flags(append_field[slash + 1:])
            append_field = append_field[:slash]
        append = "" if append_field == "0" else append_field.replace("\\/", "/")
        condition = fields[2] if len(fields) > 2 else "."
        morph = self.resolve_morph(" ".join(fields[3:])) if len(fields) > 3 else ""
        strip = self.remove_ignored(strip)
        append = self.remove_ignored(append)
        rule = AffixRule(flag, kind == "SFX", cross, strip, append, cont, condition, morph)
        rule.needaffix = self.needaffix is not None and self.needaffix in cont
        rule.circumfix = self.circumfix is not None and self.circumfix in cont
        rule.alone = not (rule.needaffix or rule.circumfix)
        rule.banned = ((self.onlyincompound is not None and self.onlyincompound in cont)
                       or (self.forbiddenword is not None and self.forbiddenword in cont))
        (self.suffixes if rule.is_suffix else self.prefixes).setdefault(flag, []).append(rule)

    # -- lookups used by the expander

    def suffix_rules_for(self, flag: str, word: str) -> Iterable[AffixRule]:
        """The suffix rules of `flag` that apply to `word` (condition and strip checked)."""
        index = self._suffix_index.get(flag)
        return index.matching(word) if index is not None else ()

    def prefix_rules_for(self, flag: str, word: str) -> Iterable[AffixRule]:
        """The prefix rules of `flag` that apply to `word` (condition and strip checked)."""
        index = self._prefix_index.get(flag)
        return index.matching(word) if index is not None else ()


def _is_int(text: str) -> bool:
    """ASCII digits only, as Hunspell reads numbers ("²".isdigit() holds, int("²") fails)."""
    return text.isascii() and text.isdigit()


# Numbers past this are treated as "too many": counts and alias indexes in a real file are far
# smaller, and a hostile 5,000-digit one never reaches int() and its digit limit.
_SMALL_INT_LIMIT = 10**9


def _small_int(digits: str) -> int:
    digits = digits.lstrip("0") or "0"
    return int(digits) if len(digits) <= 9 else _SMALL_INT_LIMIT


# Hunspell's numeric flags are 16-bit, with the top values reserved: 65509 is the largest.
MAX_FLAG_NUMBER = 65509


def _flag_number(digits: str) -> str:
    value = _small_int(digits)
    if value > MAX_FLAG_NUMBER:
        raise ValueError(f"Hunspell flag number {_shown(digits)} is larger than {MAX_FLAG_NUMBER}")
    return str(value)


def _unescaped_slash(text: str, start: int = 0) -> int:
    pos = text.find("/", start)
    while pos > 0 and text[pos - 1] == "\\":
        pos = text.find("/", pos + 1)
    return pos


# ---------------------------------------------------------------- the dictionary

class Root(NamedTuple):
    """A .dic entry: the word (decoded, IGNORE characters removed, "\\/" unescaped), its
    flags and its morphological fields (AM aliases resolved; "" when none)."""
    word: str
    flags: frozenset
    morph: str


_LETTER_RE = re.compile(r"[^\W\d_]")


def default_skip_root(word: str) -> bool:
    """The reader's default rule for roots a stemmer should not learn from: abbreviations
    (ending with '.', or all uppercase with two or more letters: ASAP, NATO, USA), single
    letters, anything with a digit or without a letter (1st, 2D, 0), and multi-word entries
    (a space inside)."""
    if len(word) < 2 or word.endswith("."):
        return True
    if any(c.isdigit() for c in word) or not _LETTER_RE.search(word):
        return True
    if any(c.isspace() for c in word):
        return True
    letters = [c for c in word if c.isalpha()]
    if len(letters) < 2:
        return True
    return word.isupper()


# The bounds of one expansion. Forms per root count every form generated from one root word
# (all its homonym entries, repeats included, suffix chains of the prefixed path too), so the
# work per root is bounded before anything piles up; forms in all count the distinct (form,
# root) pairs yielded. The dictionaries the models are built from stay far below: at most 462
# forms of one root (Latvian `atstāt`; 1,006 with prefix rules) and 3.7 million pairs in all
# (Latvian; 7.4 million with prefix rules).
MAX_FORMS_PER_ROOT = 50_000
MAX_FORMS = 20_000_000


class _RootOverflow(ValueError):
    """More forms of one root than its limit allows (a ValueError to callers)."""


class HunspellDictionary:
    """A .dic file with its .aff; see the module docstring for what `expand` generates.

    `path` (the .dic) names the dictionary in errors; None for one made in memory."""

    def __init__(self, affixes: AffixFile, roots: list[Root], path=None) -> None:
        self.affixes = affixes
        self.roots = roots
        self.path = None if path is None else os.fspath(path)
        aff = affixes
        self._forbidden_words = frozenset(
            r.word for r in roots if aff.forbiddenword is not None and aff.forbiddenword in r.flags)

    @classmethod
    def load(cls, dic_path, aff_path=None) -> "HunspellDictionary":
        dic_path = pathlib.Path(dic_path)
        aff_path = pathlib.Path(aff_path) if aff_path is not None else dic_path.with_suffix(".aff")
        affixes = AffixFile.load(aff_path)
        try:
            text = _decode(dic_path.read_bytes(), affixes.encoding)
            roots = list(_read_roots(text, affixes))
        except ValueError as error:
            raise ValueError(f"{os.fspath(dic_path)}: {error}") from None
        return cls(affixes, roots, dic_path)

    @classmethod
    def find(cls, name_or_path: str) -> "HunspellDictionary":
        dic, aff = find_dictionary(name_or_path)
        return cls.load(dic, aff)

    # -- expansion

    def expand(self, *, prefixes: bool = False,
               skip_root: Callable[[str], bool] | None = None,
               max_forms_per_root: int | None = None,
               max_forms: int | None = None) -> Iterator[tuple[str, str]]:
        """Yield ``(form, root)`` pairs, each pair once, roots in dictionary order.

        skip_root: predicate on the root word; roots for which it is true are left out. None
        means `default_skip_root`. Roots flagged FORBIDDENWORD or ONLYINCOMPOUND are always
        left out, since Hunspell accepts none of their forms on their own.

        Affix rules can multiply (300 suffixes each allowing 300 more make 90,000 forms of every
        root), so the expansion is bounded: more than `max_forms_per_root` forms generated from
        one root (default `MAX_FORMS_PER_ROOT`), or more than `max_forms` pairs in all (default
        `MAX_FORMS`), raise ValueError naming the .dic, as soon as the count passes the limit.
        """
        skip = default_skip_root if skip_root is None else skip_root
        per_root = MAX_FORMS_PER_ROOT if max_forms_per_root is None else max_forms_per_root
        most = MAX_FORMS if max_forms is None else max_forms
        yielded = 0
        # Homonyms (one word, several entries with different flags) are expanded together so
        # each pair comes out once; the entries still keep their own flags.
        groups: dict[str, list[frozenset]] = {}
        for root in self.roots:
            entries = groups.get(root.word)
            if entries is None:
                groups[root.word] = [root.flags]
            else:
                entries.append(root.flags)
        for word, entries in groups.items():
            if skip(word):
                continue
            seen: set[str] = set()
            generated = 0
            try:
                for flags in entries:
                    # A homonym's entry may generate only what the entries before it left of the
                    # root's budget.
                    for form in self.forms_of(word, flags, prefixes=prefixes,
                                              max_forms=per_root - generated):
                        generated += 1
                        if generated > per_root:
                            raise self._too_many_forms(word, per_root)
                        if form not in seen:
                            seen.add(form)
                            yielded += 1
                            if yielded > most:
                                raise ValueError(
                                    f"Hunspell dictionary {self._name()} expands to more than {most} "
                                    f"forms (the limit of one expansion)")
                            yield form, word
            except _RootOverflow:
                # The error names the limit per root, not the rest of it a later homonym had.
                raise self._too_many_forms(word, per_root) from None

    def _name(self) -> str:
        return self.path if self.path is not None else "(made in memory)"

    def _too_many_forms(self, word: str, limit: int) -> ValueError:
        return _RootOverflow(
            f"Hunspell dictionary {self._name()}: the root {_shown(word)!r} expands to more than "
            f"{limit} forms (the limit per root); its affix rules multiply")

    def forms_of(self, word: str, flags: frozenset, *, prefixes: bool = False,
                 max_forms: int | None = None) -> Iterator[str]:
        """The forms one entry generates (may repeat a form); nothing for a forbidden or
        compound-only entry. The prefixed path first lists the entry's suffix chains; more
        than `max_forms` of them (default `MAX_FORMS_PER_ROOT`) raise ValueError. A caller
        counting what this yields bounds the rest."""
        aff = self.affixes
        if (aff.forbiddenword is not None and aff.forbiddenword in flags) or (
                aff.onlyincompound is not None and aff.onlyincompound in flags):
            return
        forbidden = self._forbidden_words
        if not (aff.needaffix is not None and aff.needaffix in flags):
            if word not in forbidden:
                yield word
        if not prefixes:
            for form in self._suffixed_forms(word, flags):
                if form not in forbidden:
                    yield form
            return
        limit = MAX_FORMS_PER_ROOT if max_forms is None else max_forms
        chains = self._suffix_chains(word, flags, limit)
        for form, chain in chains:
            if _standalone_suffixed(chain) and form not in forbidden:
                yield form
        for form in self._prefixed_forms(word, flags, chains, limit):
            if form not in forbidden:
                yield form

    def _suffixed_forms(self, word: str, flags: frozenset) -> Iterator[str]:
        """The suffixed forms that are words without a prefix; the hot path of `expand`."""
        index = self.affixes._suffix_index
        for flag in flags:
            rules = index.get(flag)
            if rules is None:
                continue
            for rule in rules.matching(word):
                if rule.banned:
                    continue
                strip = rule.strip
                form = (word[:-len(strip)] if strip else word) + rule.append
                if rule.alone:
                    yield form
                for flag2 in rule.cont:
                    rules2 = index.get(flag2)
                    if rules2 is None:
                        continue
                    for rule2 in rules2.matching(form):
                        if rule2.banned or rule2.circumfix or rule.circumfix:
                            continue
                        strip2 = rule2.strip
                        yield (form[:-len(strip2)] if strip2 else form) + rule2.append

    def _suffix_chains(self, word: str, flags: Iterable[str],
                       limit: int) -> list[tuple[str, tuple]]:
        """Every (form, (inner suffix[, outer suffix])) the suffix rules of `flags` allow,
        whether or not the form stands on its own; more than `limit` raise ValueError."""
        aff = self.affixes
        suffixes = aff.suffixes
        out: list[tuple[str, tuple]] = []
        for flag in flags:
            if flag not in suffixes:
                continue
            for rule in aff.suffix_rules_for(flag, word):
                if rule.banned:
                    continue
                form = rule.apply(word)
                out.append((form, (rule,)))
                for flag2 in rule.cont:
                    if flag2 not in suffixes:
                        continue
                    for rule2 in aff.suffix_rules_for(flag2, form):
                        if rule2.banned:
                            continue
                        out.append((rule2.apply(form), (rule, rule2)))
                if len(out) > limit:
                    raise self._too_many_forms(word, limit)
        return out

    def _prefixed_forms(self, word: str, flags: frozenset,
                        chains: list[tuple[str, tuple]], limit: int) -> Iterator[str]:
        aff = self.affixes
        if not aff.prefixes:
            return
        prefix_flags = aff.prefixes
        bases: list[tuple[str, tuple]] = [(word, ())]
        bases += chains
        # A prefix's continuation may allow suffixes the root itself lacks.
        for flag in flags:
            for rule in prefix_flags.get(flag, ()):
                if rule.cross and rule.cont:
                    extra = [f for f in rule.cont if f in aff.suffixes and f not in flags]
                    for form, chain in self._suffix_chains(word, extra, limit):
                        for prefix in aff.prefix_rules_for(flag, form):
                            if prefix is rule:
                                result = self._with_prefix(rule, form, chain)
                                if result is not None:
                                    yield result
        for base, chain in bases:
            licensed = set(f for f in flags if f in prefix_flags)
            for suffix in chain:
                licensed.update(f for f in suffix.cont if f in prefix_flags)
            for flag in licensed:
                for prefix in aff.prefix_rules_for(flag, base):
                    result = self._with_prefix(prefix, base, chain)
                    if result is not None:
                        yield result

    @staticmethod
    def _with_prefix(prefix: AffixRule, base: str, chain: tuple) -> str | None:
        if prefix.banned:
            return None
        if chain and not (prefix.cross and all(s.cross for s in chain)):
            return None
        if prefix.circumfix != any(s.circumfix for s in chain):
            return None
        # Each NEEDAFFIX stage needs another affix beside it: a prefix and a single suffix
        # that both need one do not satisfy each other; a second suffix satisfies the first.
        if prefix.needaffix and (not chain or (len(chain) == 1 and chain[0].needaffix)):
            return None
        return prefix.apply(base)


def _standalone_suffixed(chain: tuple) -> bool:
    """A suffixed form without a prefix is a word unless its only suffix needs a further affix
    or a circumfix suffix lacks its prefix. Hunspell lets an outer suffix's NEEDAFFIX pass:
    nothing could follow it anyway."""
    if len(chain) == 1 and chain[0].needaffix:
        return False
    return not any(s.circumfix for s in chain)


# ---------------------------------------------------------------- .dic reading

def _read_roots(text: str, aff: AffixFile) -> Iterator[Root]:
    lines = text.splitlines()
    start = 0
    while start < len(lines) and not lines[start].strip():
        start += 1
    if start < len(lines) and _is_int(lines[start].strip()):
        start += 1
    flag_cache: dict[str, frozenset] = {"": frozenset()}
    empty = frozenset()
    ignore = bool(aff.ignore)
    for line in lines[start:]:
        if not line or line[0] == "\t":
            # Hunspell treats tab-started lines as comments (the German file has a whole
            # header of them).
            continue
        morph = ""
        if "\t" in line or ":" in line:
            cut = _morph_start(line)
            if cut is not None:
                morph = line[cut:].strip()
                line = line[:cut]
        line = line.rstrip()
        if not line:
            continue
        slash = _unescaped_slash(line, 1) if "/" in line[1:] else -1
        if slash > 0:
            word, flag_text = line[:slash], line[slash + 1:]
            flags = flag_cache.get(flag_text)
            if flags is None:
                flags = flag_cache[flag_text] = aff.decode_flags(flag_text)
        else:
            word, flags = line, empty
        if "\\/" in word:
            word = word.replace("\\/", "/")
        if ignore:
            word = aff.remove_ignored(word)
        if not word or "\ufffd" in word:
            continue
        if morph and aff.morph_aliases:
            morph = aff.resolve_morph(morph)
        yield Root(word, flags, morph)


def _morph_start(line: str) -> int | None:
    """Where the morphological fields begin: at the first tab, or at the whitespace before
    the first two-letter field name ("po:", "st:"), whichever is first."""
    best: int | None = None
    pos = line.find(":")
    while pos >= 0:
        if pos > 3 and line[pos - 3] in " \t":
            cut = pos - 3
            while cut > 0 and line[cut - 1] in " \t":
                cut -= 1
            if cut > 0:
                best = cut
            break
        pos = line.find(":", pos + 1)
    tab = line.find("\t")
    if tab > 0 and (best is None or tab < best):
        best = tab
    return best

"""The Hunspell affix expander on small hand-written dictionaries.

Each case's expected forms follow from Hunspell's documented affix semantics; where the
`hunspell` program is installed, `test_hunspell_agrees_with_expected_forms` confirms those
expectations against Hunspell itself (the forms listed as expected are accepted, the ones
listed as absent are rejected).
"""
from __future__ import annotations

import os
import random
import re
import shutil
import subprocess
import sys
import tracemalloc
import pathlib

import pytest

from velmora.lexicon import hunspell
from velmora.lexicon.hunspell import (
    AffixFile,
    HunspellDictionary,
    Root,
    default_skip_root,
    find_dictionary,
)

KEEP_ALL = lambda word: False  # noqa: E731  (fixtures use letters and short words freely)


class Case:
    def __init__(self, aff: str, dic: str, expected: dict[str, set[str]], *, absent=(),
                 prefixes: bool = False, encoding: str = "utf-8", bom: bool = False) -> None:
        self.aff = aff
        self.dic = dic
        self.expected = expected          # root -> its forms
        self.absent = set(absent)         # forms Hunspell must not accept
        self.prefixes = prefixes
        self.encoding = encoding
        self.bom = bom

    def write(self, folder: pathlib.Path, name: str = "t") -> pathlib.Path:
        head = b"\xef\xbb\xbf" if self.bom else b""
        (folder / f"{name}.aff").write_bytes(head + self.aff.encode(self.encoding))
        (folder / f"{name}.dic").write_bytes(head + self.dic.encode(self.encoding))
        return folder / f"{name}.dic"


def lines(*rows: str) -> str:
    return "\n".join(rows) + "\n"


CIRCUMFIX_TWOFOLD_AFF = lines("SET UTF-8", "CIRCUMFIX X",
                              "PFX A Y 1", "PFX A 0 leg/X .",
                              "SFX C Y 2", "SFX C 0 obb .", "SFX C 0 ebb/AXF .",
                              "SFX F Y 1", "SFX F 0 ik .")

CASES = {
    "suffix conditions: literal, class, negated class": Case(
        lines("SET UTF-8",
              "SFX S Y 4",
              "SFX S y ies [^aeiou]y",
              "SFX S 0 s [aeiou]y",
              "SFX S 0 es [sxz]",
              "SFX S 0 s [^sxyz]"),
        lines("4", "sky/S", "day/S", "box/S", "cat/S"),
        {"sky": {"sky", "skies"}, "day": {"day", "days"}, "box": {"box", "boxes"},
         "cat": {"cat", "cats"}},
        absent={"skys", "daies", "boxs", "cates"}),
    "strip and add written as 0": Case(
        lines("SET UTF-8",
              "SFX D Y 3",
              "SFX D 0 ed [^e]",
              "SFX D 0 d e",
              "SFX D ate ation ate",
              "SFX R Y 1",
              "SFX R er 0 er"),
        lines("3", "create/D", "walk/D", "baker/R"),
        {"create": {"create", "created", "creation"}, "walk": {"walk", "walked"},
         "baker": {"baker", "bak"}},
        absent={"createed", "walkation"}),
    "a strip may not consume the whole word": Case(
        lines("SET UTF-8", "SFX D Y 2", "SFX D 0 d e", "SFX D ate ation ate"),
        lines("1", "ate/D"),
        {"ate": {"ate", "ated"}},
        absent={"ation"}),
    "FULLSTRIP lets a strip consume the whole word": Case(
        lines("SET UTF-8", "FULLSTRIP", "SFX D Y 2", "SFX D 0 d e", "SFX D ate ation ate"),
        lines("1", "ate/D"),
        {"ate": {"ate", "ated", "ation"}}),
    "prefixes are off by default": Case(
        lines("SET UTF-8", "PFX U Y 1", "PFX U 0 un .", "SFX D Y 1", "SFX D 0 ed [^e]"),
        lines("1", "lock/UD"),
        {"lock": {"lock", "locked"}}),
    "prefix conditions and cross products need Y on both": Case(
        lines("SET UTF-8",
              "PFX U Y 1", "PFX U 0 un .",
              "PFX R N 1", "PFX R 0 re .",
              "PFX I Y 2", "PFX I 0 il l", "PFX I 0 in [^l]",
              "SFX D Y 1", "SFX D 0 ed [^e]",
              "SFX N N 1", "SFX N 0 ing [^e]"),
        lines("3", "lock/URDN", "legal/I", "active/I"),
        {"lock": {"lock", "locked", "locking", "unlock", "relock", "unlocked"},
         "legal": {"legal", "illegal"}, "active": {"active", "inactive"}},
        absent={"unlocking", "relocked", "relocking", "inlegal", "ilactive"},
        prefixes=True),
    "twofold suffixes: continuation flags allow a second suffix": Case(
        lines("SET UTF-8",
              "SFX A Y 1", "SFX A 0 able/B .",
              "SFX B Y 1", "SFX B 0 s .",
              "SFX C Y 1", "SFX C 0 able/D .",
              "SFX D Y 1", "SFX D 0 s [^e]"),
        lines("2", "drink/A", "think/C"),
        # The second suffix's condition is tested on the suffixed form ("thinkable" ends in e).
        {"drink": {"drink", "drinkable", "drinkables"}, "think": {"think", "thinkable"}},
        absent={"drinks", "thinkables"}),
    "a prefix's continuation allows a suffix the root lacks": Case(
        lines("SET UTF-8", "PFX P Y 1", "PFX P 0 pre/S .", "SFX S Y 1", "SFX S 0 s ."),
        lines("1", "fix/P"),
        {"fix": {"fix", "prefix", "prefixs"}},
        absent={"fixs"},
        prefixes=True),
    "FLAG long reads flags two characters at a time": Case(
        lines("SET UTF-8", "FLAG long",
              "SFX Aa Y 1", "SFX Aa 0 s .",
              "SFX aA Y 1", "SFX aA 0 er .",
              "SFX A. Y 1", "SFX A. 0 ish/Bb .",
              "SFX Bb Y 1", "SFX Bb 0 ly ."),
        lines("2", "cat/Aa", "tall/A."),
        {"cat": {"cat", "cats"}, "tall": {"tall", "tallish", "tallishly"}},
        absent={"cater"}),
    "FLAG num reads comma-separated numbers": Case(
        lines("SET UTF-8", "FLAG num",
              "SFX 1 Y 1", "SFX 1 0 s .",
              "SFX 23 Y 1", "SFX 23 0 ing/101 .",
              "SFX 101 Y 1", "SFX 101 0 s .",
              "SFX 2 Y 1", "SFX 2 0 ed .",
              "SFX 3 Y 1", "SFX 3 0 er ."),
        lines("1", "walk/1,23"),
        {"walk": {"walk", "walks", "walking", "walkings"}},
        absent={"walked", "walker"}),
    "FLAG UTF-8 reads one character per flag": Case(
        lines("SET UTF-8", "FLAG UTF-8",
              "SFX ű Y 1", "SFX ű 0 ok .",
              "SFX ő Y 1", "SFX ő 0 ban ."),
        lines("1", "ház/ű"),
        {"ház": {"ház", "házok"}},
        absent={"házban"}),
    "AF aliases stand for flag vectors, in .dic and continuations": Case(
        lines("SET UTF-8", "AF 3", "AF SD # 1", "AF B # 2", "AF A # 3",
              "SFX S Y 1", "SFX S 0 s .",
              "SFX D Y 1", "SFX D 0 ed .",
              "SFX A Y 1", "SFX A 0 able/2 .",
              "SFX B Y 1", "SFX B 0 s ."),
        lines("2", "walk/1", "drink/3"),
        {"walk": {"walk", "walks", "walked"}, "drink": {"drink", "drinkable", "drinkables"}},
        absent={"walkable", "drinks"}),
    "NEEDAFFIX root is no word by itself": Case(
        lines("SET UTF-8", "NEEDAFFIX X", "SFX S Y 1", "SFX S 0 s ."),
        lines("1", "foo/XS"),
        {"foo": {"foos"}},
        absent={"foo"}),
    "PSEUDOROOT is the old name of NEEDAFFIX": Case(
        lines("SET UTF-8", "PSEUDOROOT X", "SFX S Y 1", "SFX S 0 s ."),
        lines("1", "foo/XS"),
        {"foo": {"foos"}},
        absent={"foo"}),
    "NEEDAFFIX on a suffix wants another suffix on top": Case(
        lines("SET UTF-8", "NEEDAFFIX X",
              "SFX A Y 1", "SFX A 0 ful/XB .",
              "SFX B Y 1", "SFX B 0 ness ."),
        lines("1", "help/A"),
        {"help": {"help", "helpfulness"}},
        absent={"helpful"}),
    "NEEDAFFIX on a prefix wants a suffix": Case(
        lines("SET UTF-8", "NEEDAFFIX X",
              "PFX P Y 1", "PFX P 0 pre/X .",
              "SFX S Y 1", "SFX S 0 s ."),
        lines("1", "fix/PS"),
        {"fix": {"fix", "fixs", "prefixs"}},
        absent={"prefix"},
        prefixes=True),
    "CIRCUMFIX needs the prefix and the suffix together": Case(
        lines("SET UTF-8", "CIRCUMFIX X",
              "PFX A Y 1", "PFX A 0 leg/X .",
              "PFX B Y 1", "PFX B 0 legesleg/X .",
              "SFX C Y 3", "SFX C 0 obb .", "SFX C 0 obb/AX .", "SFX C 0 obb/BX ."),
        lines("1", "nagy/C"),
        {"nagy": {"nagy", "nagyobb", "legnagyobb", "legeslegnagyobb"}},
        absent={"legnagy", "legeslegnagy"},
        prefixes=True),
    "CIRCUMFIX prefix and suffix pair only with each other": Case(
        lines("SET UTF-8", "CIRCUMFIX X",
              "PFX A Y 1", "PFX A 0 leg/X .",
              "PFX U Y 1", "PFX U 0 un .",
              "SFX C Y 2", "SFX C 0 obb .", "SFX C 0 ebb/X ."),
        lines("1", "nagy/ACU"),
        # Hunspell itself would take "legnagy" (a circumfix prefix alone); we do not make it.
        {"nagy": {"nagy", "nagyobb", "legnagyebb", "unnagy", "unnagyobb"}},
        absent={"legnagyobb", "unnagyebb", "nagyebb"},
        prefixes=True),
    "CIRCUMFIX forms need prefixes switched on, also under a second suffix": Case(
        CIRCUMFIX_TWOFOLD_AFF, lines("1", "nagy/C"),
        {"nagy": {"nagy", "nagyobb"}},
        absent={"nagyebb", "nagyebbik", "nagyobbik"}),
    "CIRCUMFIX with a second suffix on top": Case(
        CIRCUMFIX_TWOFOLD_AFF, lines("1", "nagy/C"),
        {"nagy": {"nagy", "nagyobb", "legnagyebb", "legnagyebbik"}},
        absent={"nagyebb", "nagyebbik", "nagyobbik"},
        prefixes=True),
    "FORBIDDENWORD and ONLYINCOMPOUND roots, affixes and forbidden forms": Case(
        lines("SET UTF-8", "FORBIDDENWORD !", "ONLYINCOMPOUND _",
              "SFX S Y 2", "SFX S 0 s .", "SFX S 0 e/_ .",
              "SFX D Y 1", "SFX D 0 ed ."),
        # A forbidden homonym listed first forbids the word but not its other entry's forms.
        lines("7", "cat/SD", "bad/!S", "part/_S", "cats/!", "dog/S", "bird/!", "bird/S"),
        {"cat": {"cat", "cated"}, "dog": {"dog", "dogs"}, "bird": {"birds"}},
        absent={"cats", "cate", "bad", "bads", "part", "parts", "doge", "bird"}),
    "ISO8859-2 with Polish letters": Case(
        lines("SET ISO8859-2", "SFX a Y 2", "SFX a 0 ia .", "SFX a ów owie ów"),
        lines("1", "żółw/a"),
        {"żółw": {"żółw", "żółwia"}},
        encoding="iso8859-2"),
    "KOI8-R": Case(
        lines("SET KOI8-R", "SFX S Y 1", "SFX S 0 ы [^ая]"),
        lines("1", "кот/S"),
        {"кот": {"кот", "коты"}},
        encoding="koi8-r"),
    "microsoft-cp1251": Case(
        lines("SET microsoft-cp1251", "SFX S Y 1", "SFX S а и а"),
        lines("1", "книга/S"),
        {"книга": {"книга", "книги"}},
        encoding="cp1251"),
    "UTF-8 with a byte-order mark, comments and blank lines": Case(
        lines("SET UTF-8", "# plural", "", "SFX S Y 1", "SFX S 0 s . # trailing words"),
        lines("2", "café/S", "naïve/S"),
        {"café": {"café", "cafés"}, "naïve": {"naïve", "naïves"}},
        bom=True),
    "morphological fields, tabs and escaped slashes in .dic lines": Case(
        lines("SET UTF-8", "SFX S Y 1", "SFX S 0 s ."),
        lines("4", "cat/S po:noun", "dog/S\tanimal", "and\\/or", "mouse po:noun al:mice"),
        {"cat": {"cat", "cats"}, "dog": {"dog", "dogs"}, "and/or": {"and/or"},
         "mouse": {"mouse"}}),
    "IGNORE characters vanish from words and affixes": Case(
        lines("SET UTF-8", "IGNORE \u00ad", "SFX S Y 1", "SFX S 0 \u00ads ."),
        lines("1", "ca\u00adt/S"),
        {"cat": {"cat", "cats"}}),
}


def expand_by_root(dic: pathlib.Path, prefixes: bool) -> dict[str, set[str]]:
    found: dict[str, set[str]] = {}
    for form, root in HunspellDictionary.load(dic).expand(prefixes=prefixes, skip_root=KEEP_ALL):
        found.setdefault(root, set()).add(form)
    return found


@pytest.mark.parametrize("name", list(CASES))
def test_expands_to_hand_derived_forms(tmp_path, name):
    case = CASES[name]
    assert expand_by_root(case.write(tmp_path), case.prefixes) == case.expected


def hunspell_output(dic: pathlib.Path, option: str, words) -> str:
    return subprocess.run(["hunspell", "-d", str(dic.with_suffix("")), "-i", "utf-8", option],
                          input="\n".join(words) + "\n", capture_output=True, text=True,
                          encoding="utf-8", check=True).stdout


needs_hunspell = pytest.mark.skipif(shutil.which("hunspell") is None,
                                    reason="the hunspell program is not installed")


# Left out: hunspell converts -i input through iconv, which has no "microsoft-cp1251".
@needs_hunspell
@pytest.mark.parametrize("name", [n for n in CASES if "cp1251" not in n])
def test_hunspell_agrees_with_expected_forms(tmp_path, name):
    case = CASES[name]
    dic = case.write(tmp_path)
    expected = sorted({f for forms in case.expected.values() for f in forms if "/" not in f})
    rejected = set(hunspell_output(dic, "-l", expected + sorted(case.absent)).split())
    assert rejected.isdisjoint(expected)
    assert case.absent <= rejected


def test_homonyms_yield_each_pair_once(tmp_path):
    case = Case(lines("SET UTF-8", "SFX S Y 1", "SFX S 0 s .", "SFX D Y 1", "SFX D 0 s ."),
                lines("2", "bar/S", "bar/D"), {})
    pairs = list(HunspellDictionary.load(case.write(tmp_path)).expand(skip_root=KEEP_ALL))
    assert sorted(pairs) == [("bar", "bar"), ("bars", "bar")]


def test_roots_keep_flags_and_morphology_as_read(tmp_path):
    case = Case(lines("SET UTF-8", "FLAG long", "AM 1", "AM po:noun is:sg",
                      "SFX Aa Y 1", "SFX Aa 0 s ."),
                # An AM number is only a morphology field after a tab, as in Hunspell.
                lines("3", "cat/AaBb\t1", "dog/Aa st:dog po:noun", "Paris"), {})
    roots = HunspellDictionary.load(case.write(tmp_path)).roots
    assert [(r.word, set(r.flags), r.morph) for r in roots] == [
        ("cat", {"Aa", "Bb"}, "po:noun is:sg"),
        ("dog", {"Aa"}, "st:dog po:noun"),
        ("Paris", set(), ""),
    ]


def test_expand_is_lazy(tmp_path):
    case = Case(lines("SET UTF-8", "SFX S Y 1", "SFX S 0 s ."), lines("2", "cat/S", "dog/S"), {})
    pairs = HunspellDictionary.load(case.write(tmp_path)).expand()
    assert next(pairs) in {("cat", "cat"), ("cats", "cat")}


@pytest.mark.parametrize("word, skipped", [
    ("NATO", True), ("ASAP", True), ("e.g.", True), ("Abb.", True), ("x", True), ("ą", True),
    ("42", True), ("1st", True), ("ad hoc", True),
    ("Paris", False), ("cat", False), ("McDonald", False), ("żółw", False), ("o'clock", False),
])
def test_default_skip_rule(word, skipped):
    assert default_skip_root(word) is skipped


def test_skip_root_replaces_the_default_but_not_forbidden_roots(tmp_path):
    case = Case(lines("SET UTF-8", "FORBIDDENWORD !", "SFX S Y 1", "SFX S 0 s ."),
                lines("4", "NATO/S", "x", "cat/S", "bad/!S"), {})
    dictionary = HunspellDictionary.load(case.write(tmp_path))
    by_default = {root for _, root in dictionary.expand()}
    keep_all = {root for _, root in dictionary.expand(skip_root=KEEP_ALL)}
    only_cats = {root for _, root in dictionary.expand(skip_root=lambda w: w != "cat")}
    assert (by_default, keep_all, only_cats) == ({"cat"}, {"NATO", "x", "cat"}, {"cat"})


def test_affix_file_reads_special_flags_per_flag_type():
    aff = AffixFile.parse(lines("FLAG num", "NEEDAFFIX 7", "CIRCUMFIX 08", "FORBIDDENWORD 9",
                                "ONLYINCOMPOUND 10").encode())
    assert (aff.needaffix, aff.circumfix, aff.forbiddenword, aff.onlyincompound) == (
        "7", "8", "9", "10")


def test_unknown_encoding_is_reported():
    with pytest.raises(ValueError, match="NO-SUCH-CODE"):
        AffixFile.parse(b"SET NO-SUCH-CODE\n")


def test_find_dictionary_by_name_and_path(tmp_path, monkeypatch):
    folder = tmp_path / "dicts"
    folder.mkdir()
    Case("SET UTF-8\n", "1\ncat\n", {}).write(folder, "xx_TEST")
    monkeypatch.setenv("DICPATH", str(folder))
    expected = (folder / "xx_TEST.dic", folder / "xx_TEST.aff")
    assert find_dictionary("xx_TEST") == expected
    assert find_dictionary(str(folder / "xx_TEST.dic")) == expected
    assert find_dictionary(str(folder / "xx_TEST")) == expected


def test_find_dictionary_names_what_it_searched(tmp_path, monkeypatch):
    monkeypatch.setenv("DICPATH", str(tmp_path))
    with pytest.raises(FileNotFoundError) as caught:
        find_dictionary("zz_NONE")
    assert "zz_NONE" in str(caught.value) and str(tmp_path) in str(caught.value)


@needs_hunspell
def test_hunspell_accepts_forms_of_sampled_english_roots():
    try:
        dic, aff = find_dictionary("en_US")
    except FileNotFoundError:
        pytest.skip("en_US Hunspell dictionary not installed")
    dictionary = HunspellDictionary.load(dic, aff)
    words = sorted({r.word for r in dictionary.roots if not default_skip_root(r.word)})
    sample = set(random.Random(13).sample(words, 200))
    forms = sorted({form for form, root in dictionary.expand() if root in sample})
    assert len(forms) > 300
    assert hunspell_output(dic, "-l", forms).split() == []


# ---------------------------------------------------------------- hostile files

def write_pair(folder: pathlib.Path, aff: str, dic: str, name: str = "t") -> pathlib.Path:
    (folder / f"{name}.aff").write_text(aff, encoding="utf-8")
    (folder / f"{name}.dic").write_text(dic, encoding="utf-8")
    return folder / f"{name}.dic"


@pytest.mark.parametrize("encoding", ["base64", "hex", "rot13", "zlib", "idna", "undefined",
                                      "NO-SUCH-CODE", "x" * 5000])
def test_set_values_that_are_no_text_encoding_are_refused_naming_the_file(tmp_path, encoding):
    dic = write_pair(tmp_path, lines(f"SET {encoding}", "SFX S Y 1", "SFX S 0 s ."),
                     lines("1", "cat/S"))
    with pytest.raises(ValueError) as caught:
        HunspellDictionary.load(dic)
    message = str(caught.value)
    assert message.startswith(f"{tmp_path / 't.aff'}: unsupported Hunspell SET encoding ")
    assert len(message) < 200 + len(str(tmp_path))


@pytest.mark.parametrize("where, aff_lines, dic_lines", [
    ("dic", ["SFX 1 Y 1", "SFX 1 0 s ."], ["1", "cat/1," + "7" * 5000]),
    ("aff", ["SFX 1 Y 1", "SFX 1 0 s/" + "9" * 5000 + " ."], ["1", "cat/1"]),
    ("aff", ["SFX 65510 Y 1", "SFX 65510 0 s ."], ["1", "cat/65510"]),
])
def test_flag_numbers_past_the_hunspell_range_are_clear_errors(tmp_path, where, aff_lines, dic_lines):
    dic = write_pair(tmp_path, lines("SET UTF-8", "FLAG num", *aff_lines), lines(*dic_lines))
    with pytest.raises(ValueError) as caught:
        HunspellDictionary.load(dic)
    message = str(caught.value)
    assert message.startswith(f"{tmp_path / ('t.' + where)}: Hunspell flag number ")
    assert message.endswith("is larger than 65509") and len(message) < 200 + len(str(tmp_path))


def test_long_and_odd_numbers_elsewhere_are_read_as_out_of_range(tmp_path):
    # A 5,000-digit rule count, AF and AM index, and digits int() refuses ("²") or Hunspell
    # would not read (Arabic-Indic): none of them is a number the file can mean.
    huge = "8" * 5000
    dic = write_pair(tmp_path,
                     lines("SET UTF-8", "FLAG num", "AF 1", "AF 1", "AM 1", "AM po:noun",
                           f"SFX 1 Y {huge}", "SFX 1 0 s .", "SFX 2 Y 1", "SFX 2 0 er ."),
                     lines("4", f"cat/{huge}", f"dog/1\t{huge}", "bird/1,²", "fox/١"))
    roots = HunspellDictionary.load(dic).roots
    assert [(r.word, set(r.flags), r.morph) for r in roots] == [
        ("cat", set(), ""), ("dog", {"1"}, huge), ("bird", {"1"}, ""), ("fox", set(), "")]


def test_the_expansion_stops_at_the_limit_per_root_naming_the_dictionary(tmp_path):
    # 300 suffixes each allowing 300 more: 90,000 forms per root, 9 million for 100 roots.
    aff = ["SET UTF-8", "FLAG num", "SFX 1 Y 300"]
    aff += [f"SFX 1 0 a{i}/2 ." for i in range(300)]
    aff += ["SFX 2 Y 300"] + [f"SFX 2 0 b{i} ." for i in range(300)]
    roots = [f"root{chr(97 + i // 26)}{chr(97 + i % 26)}/1" for i in range(100)]
    dic = write_pair(tmp_path, lines(*aff), lines(str(len(roots)), *roots))
    yielded = 0
    with pytest.raises(ValueError) as caught:
        for _ in HunspellDictionary.load(dic).expand():
            yielded += 1
            assert yielded <= hunspell.MAX_FORMS_PER_ROOT, "the expansion went past its limit"
    assert str(caught.value) == (
        f"Hunspell dictionary {dic}: the root 'rootaa' expands to more than "
        f"{hunspell.MAX_FORMS_PER_ROOT} forms (the limit per root); its affix rules multiply")


@pytest.mark.parametrize("prefixes", [False, True])
def test_homonyms_past_the_limit_per_root_are_told_by_that_limit(tmp_path, prefixes):
    # three entries of one word, 111 forms each: the third passes the root's 300 with 78 left to it
    aff = lines("SET UTF-8", "SFX H Y 10", *[f"SFX H 0 {c}{i}/I ." for i, c in enumerate("abcxyzabcx")],
                "SFX I Y 10", *[f"SFX I 0 q{i} ." for i in range(10)])
    dic = write_pair(tmp_path, aff, lines("3", "aa/H", "aa/H", "aa/H"))
    with pytest.raises(ValueError) as caught:
        list(HunspellDictionary.load(dic).expand(prefixes=prefixes, max_forms_per_root=300, max_forms=500))
    assert str(caught.value) == (
        f"Hunspell dictionary {dic}: the root 'aa' expands to more than 300 forms (the limit per root); "
        "its affix rules multiply")


@pytest.mark.parametrize("prefixes", [False, True])
def test_limits_per_root_and_in_all_are_counted_as_forms_are_made(tmp_path, prefixes):
    aff = lines("SET UTF-8", "PFX P Y 1", "PFX P 0 un .",
                "SFX A Y 4", "SFX A 0 a/B .", "SFX A 0 b/B .", "SFX A 0 c/B .", "SFX A 0 d/B .",
                "SFX B Y 3", "SFX B 0 x .", "SFX B 0 y .", "SFX B 0 z .")
    dic = write_pair(tmp_path, aff, lines("3", "cat/AP", "dog/AP", "owl/AP"))
    dictionary = HunspellDictionary.load(dic)
    everything = list(dictionary.expand(prefixes=prefixes))
    assert len(everything) == (17 if not prefixes else 34) * 3
    with pytest.raises(ValueError, match=r": the root 'cat' expands to more than 10 forms"):
        list(dictionary.expand(prefixes=prefixes, max_forms_per_root=10))
    with pytest.raises(ValueError, match=rf"^Hunspell dictionary {re.escape(str(dic))} expands to more than 40 forms"):
        list(dictionary.expand(prefixes=prefixes, max_forms=40))
    assert list(dictionary.expand(prefixes=prefixes, max_forms=len(everything))) == everything


def test_limit_errors_of_a_dictionary_made_in_memory_say_so():
    aff = AffixFile.parse(lines("SFX A Y 2", "SFX A 0 a .", "SFX A 0 b .").encode())
    dictionary = HunspellDictionary(aff, [Root("cat", frozenset("A"), "")])
    with pytest.raises(ValueError, match=r"^Hunspell dictionary \(made in memory\): the root 'cat'"):
        list(dictionary.expand(max_forms_per_root=2))


def test_an_empty_dictionary_is_named_in_the_error(tmp_path):
    from velmora.lexicon import readers

    dic = write_pair(tmp_path, lines("SET UTF-8"), lines("1", "x"), name="nothing")
    with pytest.raises(ValueError) as caught:
        list(readers.read_hunspell(dic))
    assert str(caught.value).startswith(f"Hunspell dictionary {dic} has no words to learn from")


def test_rule_index_grows_with_the_rule_text_not_its_square(tmp_path):
    # 400 rules whose conditions refuse 100 letters each, no letter refused twice: an index that
    # listed each group under every letter it accepts held 16 million entries.
    rules = [f"SFX A 0 x{i} [^{''.join(chr(0x10000 + 100 * i + j) for j in range(100))}]"
             for i in range(400)]
    dic = write_pair(tmp_path, lines("SET UTF-8", "SFX A Y 400", *rules), lines("2", "cat/A", "dog/A"))
    tracemalloc.start()
    try:
        pairs = list(HunspellDictionary.load(dic).expand())
        peak = tracemalloc.get_traced_memory()[1]
    finally:
        tracemalloc.stop()
    assert len(pairs) == 802
    assert peak < 16 << 20


@pytest.mark.parametrize("aff, dic, message", [
    (lines("SET base64"), lines("1", "cat"), "{aff}: unsupported Hunspell SET encoding 'base64'"),
    (lines("SET UTF-8", "FLAG num"), lines("1", "cat/1," + "7" * 5000),
     "{dic}: Hunspell flag number 7777777777777777777777777777777777777777... (5000 characters) is larger than 65509"),
    (lines("SET UTF-8"), lines("0"), "Hunspell dictionary {dic} has no words to learn from (no roots, or only skipped ones)"),
])
def test_build_model_reports_a_bad_dictionary_in_one_line_and_caches_nothing(tmp_path, aff, dic, message):
    path = write_pair(tmp_path, aff, dic, name="bad")
    env = {**os.environ, "XDG_CACHE_HOME": str(tmp_path / "cache")}
    result = subprocess.run([sys.executable, "-m", "velmora", "build-model", "--hunspell", str(path)],
                            capture_output=True, text=True, env=env)
    expected = message.format(aff=path.with_suffix(".aff"), dic=path)
    assert (result.returncode, result.stderr) == (1, f"velmora build-model: error: {expected}\n")
    assert not list((tmp_path / "cache").rglob("*.vmc"))

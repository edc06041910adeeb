"""Generated .aff/.dic pairs, combinatorial ones among them, through the affix expander.

Whatever the rules, an expansion ends within its budget: it yields no more forms per root and in
all than the limits allow and holds no more memory than those forms need, or it stops with the
documented ValueError naming the .dic. The limits are lowered here so that a generated file can
pass them in a few milliseconds; a file with 60 suffixes each allowing 60 more does so at once.
"""
from __future__ import annotations

import pathlib
import re
import tempfile
import tracemalloc

import pytest
from hypothesis import HealthCheck, event, given, settings
from hypothesis import strategies as st

from velmora.lexicon import hunspell

PER_ROOT = 300
IN_ALL = 500
# Memory the expansion may hold while yielding: the forms of one root, the per-character rule
# selections and the generator frames; far below what a runaway expansion reaches.
MEMORY_BUDGET = 8 << 20

LETTERS = "abcxyz"
FLAG_NAMES = {
    "char": [chr(c) for c in range(ord("A"), ord("T"))],
    "long": [a + b for a, b in zip("ABCDEFGHIJKLMNOPQRS", "abcdefghijklmnopqrs")],
    "num": [str(n) for n in range(1, 20)],
}
SPECIALS = ("NEEDAFFIX", "CIRCUMFIX", "FORBIDDENWORD", "ONLYINCOMPOUND")

letters = st.text(LETTERS, max_size=3)
units = st.one_of(
    st.just("."),
    st.sampled_from(LETTERS),
    st.builds(lambda chars, negated: f"[{'^' if negated else ''}{''.join(sorted(chars))}]",
              st.sets(st.sampled_from(LETTERS), min_size=1, max_size=4), st.booleans()),
)
conditions = st.lists(units, max_size=3).map(lambda parts: "".join(parts) or ".")


@st.composite
def affix_files(draw):
    """(aff text, dic text) of a random file: ordinary rules with continuations, special flags,
    and, often, one flag whose rules each allow every rule of another (width squared forms)."""
    flag_type = draw(st.sampled_from(sorted(FLAG_NAMES)))
    names = FLAG_NAMES[flag_type]
    sep = "," if flag_type == "num" else ""
    count = draw(st.integers(1, 8))
    flags, spare = names[:count], names[count:]
    lines = ["SET UTF-8"] + ([f"FLAG {flag_type}"] if flag_type != "char" else [])
    specials = draw(st.lists(st.sampled_from(SPECIALS), unique=True, max_size=3))
    for key, flag in zip(specials, spare):
        lines.append(f"{key} {flag}")
    special_flags = spare[:len(specials)]
    if draw(st.booleans()):
        lines.append("FULLSTRIP")
    continuations = st.lists(st.sampled_from(flags + special_flags), unique=True, max_size=3)
    for flag in flags:
        kind = draw(st.sampled_from(["SFX", "SFX", "PFX"]))
        rules = draw(st.lists(st.tuples(letters, letters, continuations, conditions),
                              min_size=1, max_size=6))
        lines.append(f"{kind} {flag} {draw(st.sampled_from('YN'))} {len(rules)}")
        for strip, append, cont, condition in rules:
            tail = "/" + sep.join(cont) if cont else ""
            lines.append(f"{kind} {flag} {strip or '0'} {append or '0'}{tail} {condition}")
    width = draw(st.sampled_from([0, 0, 5, 10, 20, 60]))
    combinatorial = []
    if width and len(spare) > len(special_flags) + 1:
        outer, inner = spare[len(special_flags):len(special_flags) + 2]
        lines.append(f"SFX {outer} Y {width}")
        lines += [f"SFX {outer} 0 {LETTERS[i % 6]}{i}/{inner} ." for i in range(width)]
        lines.append(f"SFX {inner} Y {width}")
        lines += [f"SFX {inner} 0 q{i} ." for i in range(width)]
        combinatorial = [outer]
    root_flags = st.lists(st.sampled_from(flags + special_flags + combinatorial), unique=True,
                          max_size=4)
    roots = draw(st.lists(st.tuples(st.text(LETTERS, min_size=2, max_size=6), root_flags),
                          min_size=1, max_size=30))
    if combinatorial and draw(st.booleans()):
        roots = [(word, f if combinatorial[0] in f else f + combinatorial) for word, f in roots]
    dic = [str(len(roots))] + [word + ("/" + sep.join(f) if f else "") for word, f in roots]
    return "\n".join(lines) + "\n", "\n".join(dic) + "\n"


def expand_within_budget(dic: pathlib.Path, prefixes: bool) -> tuple[int, str | None]:
    """Drain the expansion, failing as soon as it passes its budget; return the number of
    pairs and the error message, if it stopped with one."""
    per_root: dict[str, int] = {}
    total = 0
    tracemalloc.start()
    try:
        try:
            for form, root in hunspell.HunspellDictionary.load(dic).expand(
                    prefixes=prefixes, skip_root=lambda word: False):
                per_root[root] = per_root.get(root, 0) + 1
                total += 1
                assert per_root[root] <= PER_ROOT, f"root {root!r} went past {PER_ROOT} forms"
                assert total <= IN_ALL, f"the expansion went past {IN_ALL} forms"
            error = None
        except ValueError as caught:
            error = str(caught)
        peak = tracemalloc.get_traced_memory()[1]
    finally:
        tracemalloc.stop()
    assert peak <= MEMORY_BUDGET, f"the expansion held {peak} bytes"
    return total, error


@settings(max_examples=150, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(affix_files(), st.booleans())
def test_expansion_ends_within_its_budget_or_with_the_documented_error(pair, prefixes):
    aff, dic_text = pair
    with tempfile.TemporaryDirectory() as folder, pytest.MonkeyPatch.context() as patch:
        # raising=False: the check must hold against an expander of any age.
        patch.setattr(hunspell, "MAX_FORMS_PER_ROOT", PER_ROOT, raising=False)
        patch.setattr(hunspell, "MAX_FORMS", IN_ALL, raising=False)
        dic = pathlib.Path(folder) / "fuzz.dic"
        dic.with_suffix(".aff").write_text(aff, encoding="utf-8")
        dic.write_text(dic_text, encoding="utf-8")
        total, error = expand_within_budget(dic, prefixes)
    event("stopped: " + ("per root" if error and "per root" in error else "in all" if error else "no"))
    if error is not None:
        per_root = (rf"Hunspell dictionary {re.escape(str(dic))}: the root '[{LETTERS}]+' expands to "
                    rf"more than {PER_ROOT} forms \(the limit per root\); its affix rules multiply")
        in_all = (rf"Hunspell dictionary {re.escape(str(dic))} expands to more than {IN_ALL} forms "
                  rf"\(the limit of one expansion\)")
        assert re.fullmatch(per_root, error) or (re.fullmatch(in_all, error) and total == IN_ALL), error


def naive_applies(strip: str, condition: str, word: str) -> bool:
    """Hunspell's reading of a suffix condition, one character at a time."""
    units = re.findall(r"\[\^?[^\]]*\]|.", condition)
    if len(word) <= len(strip) or not word.endswith(strip) or len(word) < len(units):
        return False
    for unit, char in zip(units, word[len(word) - len(units):]):
        if unit.startswith("[^"):
            if char in unit[2:-1]:
                return False
        elif unit.startswith("["):
            if char not in unit[1:-1]:
                return False
        elif unit != "." and unit != char:
            return False
    return True


@settings(max_examples=300, deadline=None)
@given(st.lists(st.tuples(st.text(LETTERS, max_size=2), letters, conditions), min_size=1, max_size=40),
       st.lists(st.text(LETTERS, max_size=6), min_size=1, max_size=20))
def test_the_rule_index_finds_exactly_the_rules_whose_condition_holds(rules, words):
    text = [f"SFX A Y {len(rules)}"]
    text += [f"SFX A {strip or '0'} {append}q{i} {condition}" for i, (strip, append, condition) in enumerate(rules)]
    aff = hunspell.AffixFile.parse("\n".join(text) + "\n")
    for word in words:
        found = sorted(int(rule.append.rsplit("q", 1)[1]) for rule in aff.suffix_rules_for("A", word))
        expected = [i for i, (strip, _, condition) in enumerate(rules) if naive_applies(strip, condition, word)]
        assert found == expected, word

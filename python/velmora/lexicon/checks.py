"""From a recipe's sources to its candidate table: cross-source checks, then the frequent words no source lists.

Every source has wrong entries, and the ranking cannot see them when a form has no better candidate: Russian
`нет` -> `житься`, Dutch `ne` -> `een`, Russian `вау` -> `в`. Before ranking, the pairs of all sources are
checked against each other and against the language's word frequencies (wordfreq), and a pair fails when
  - `unknown lemma`: its form is a frequent word with another candidate lemma, and this lemma is a word no
    other source lists and running text never shows (`veces` -> `vezar` beside `vez`); a form whose only lemma
    it is keeps it (Polish `zmarł` -> `zemrzeć`), unless the lemma is a frequent form of it with a letter or
    two added, a verb made up from a noun (Portuguese `empresa`, `empresas` -> `empresar`), and the language's
    frequency list is long enough to tell (80,000 words): then every frequent form loses it. Such a made-up
    lemma is questioned even where text shows it, when it shows it a thousand times less than the form
    (Portuguese `hora` -> `horar`, `resposta` -> `respostar`: a real verb's infinitive is not that rare beside
    its own third person);
  - `rarer unrelated lemma`: its form is among the commonest words, and the lemma's whole paradigm (the lemma
    and every other form any source gives it) is far rarer than the form alone: a paradigm that rare does not
    own a form that common (`нет` -> `житься`, `уже` -> `узкий`), while a suppletive lemma does (`jest` ->
    `być`, `went` -> `go`). Twenty times rarer fails where form and lemma differ before the lemma's last two
    letters, two hundred times where they do not: plurals used more than their singular (`cheveux`,
    `Einzelheiten`) keep their lemma, `getroffen` -> `triefen` does not. A name (a capitalised lemma) fails at
    twenty times however it is spelt: a name has hardly any forms, so one far commoner than its base is a name
    of its own (`Thomas` -> `Thoma`, `Paris` -> `Pari`);
  - `rare form of a short word`: its lemma is one of the language's commonest short words (`een`, `раз`), the
    form, at most two letters longer, is a thousand times rarer and does not begin with the lemma: such a lemma's
    real forms are as common as itself or extend it, so a rare one is a homograph of another word (Dutch `ne`);
  - `form of an uninflected word`: its lemma is a word the closed-class lists give as only its own lemma (a
    conjunction, preposition or adverb: Dutch `maar`, German `sich`), and the lemma is ten times commoner than the
    form: such a word has no forms, so the pair is a homograph's or a slip (`maart` -> `maar`, `ihrer` -> `sich`). A form
    about as common as the word (French `personnes` -> `personne`) is another word's form the lists do not
    cover, and keeps it.
  - `commoner lemma of its own`: its form is among the commonest words, a source gives it forms of its own (it
    is a lemma: Spanish `casa` of `casas`, German `Garten` of `Gärten`), and the lemma it is given is ten times
    rarer than the form: the form is that commoner word, not a form of the rare one (`casa` -> `casar`,
    `tema` -> `temer`, `Garten` -> `garen`), while `people` -> `person` and `better` -> `good` keep theirs.
    Where only a name (a capitalised lemma) has the form's forms, they (less those of the lemma) must show in text
    at least as often as the lemma: a surname's paradigm does not own the common word it is spelt like
    (Ukrainian `вересня` -> `вересень` stays beside the surname `Вересня`). German and Luxembourgish capitalise
    every noun, so there a capitalised lemma is no name.
  - `inflection of itself as lemma`: its form is among the commonest words, the lemma is the form with a letter
    or two added, and the forms the sources give the form itself as their lemma are commoner in text than those
    they give the lemma (each side less the forms both share): the form is then a lemma, and the pair gives it
    the reading of its own inflection (German `deutsch` -> `deutschen`, `neue` -> `neues`, `sicher` ->
    `sichern`, Russian `метод` -> `метода`, `путин` -> `путина`), as a table that lists one lemma per form
    does for a homograph.
  - `form of a far commoner lemma`: its form is a frequent word ten times commoner than its lemma, and a word
    ten times commoner than the lemma reaches the form by one of the language's inflections (an ending change,
    with the last letter it keeps, that the sources give thirty lemmas or more: `-р` -> `-ра`): a table that
    lists one lemma per form gave the form to a rare homograph's paradigm (Russian `мира`, `мире` -> `миро`,
    `дела` -> `деть`, `долларов` -> `долларовый`, Spanish `cosas` -> `coser`, Italian `libri` -> `librare`).
    The commoner word is a lemma the sources give forms, or a frequent word no source names at all, which must
    then be fifty times commoner (an oblique form the tables leave out, Russian `минут`, can be far commoner
    than its lemma); a word the sources give as a form of the same lemma is of its paradigm (`смог` of
    `смочь`). The pair moves to the commoner word, at its source's priority, rather than being dropped; a pair
    another check drops moves too (`части` -> `частить` goes to `часть`, not to a suffix rule). This
    check runs where the recipe asks for it (`commoner_lemma_moves`).
A failed pair is left out of every source. Pairs of a trusted source (the closed-class lists) are never
checked and vouch for the same pair in other sources.

Then the frequent words (the recipe's `frequent_words` first of wordfreq's list) that no source lists as a
form are stemmed by a model compiled from the checked pairs alone, and each that comes out as a word no source
knows as a lemma (`когда` -> `когд`, `toujours` -> `toujour`), as a word running text shows thirty times less
than the word itself (`teilweise` -> `teilweis`), or as one or two letters, becomes its own lemma at
priority 0, below every source. Uninflected words the tables leave out would otherwise reach a suffix rule
learned from other words; a listed word's regular form the rules already give its lemma (Polish
`niebezpieczne` -> `niebezpieczny`) is left to them.

Russian and Ukrainian adverbs of adjectives are their own lemma (`cleaning.adverbs_as_own_lemma`: `хорошо`,
not `хороший`). Every source is read with its spelling variants (`cleaning.with_spelling_variants`: Russian
`идёт` also as `идет`, German `läßt` also as `lässt`) before the checks. What each check dropped is logged (logger `velmora.lexicon`) with a sample.
"""
from __future__ import annotations

import logging
import os
from typing import Dict, Iterable, List, Optional, Set, Tuple

from velmora.lexicon.cleaning import adverbs_as_own_lemma, clean_pair, is_name, usable_word, with_spelling_variants
from velmora.lexicon.ranking import CandidateTable, Frequency

Pair = Tuple[str, str]
LOG = logging.getLogger("velmora.lexicon")

UNKNOWN_LEMMA = "unknown lemma"
RARER_LEMMA = "rarer unrelated lemma"
SHORT_LEMMA = "rare form of a short word"
UNINFLECTED_LEMMA = "form of an uninflected word"
OWN_PARADIGM = "commoner lemma of its own"
OWN_INFLECTION = "inflection of itself as lemma"
COMMONER_LEMMA = "form of a far commoner lemma"
CHECKS = (UNKNOWN_LEMMA, RARER_LEMMA, SHORT_LEMMA, UNINFLECTED_LEMMA, OWN_PARADIGM, OWN_INFLECTION, COMMONER_LEMMA)

# The commonest words, whose lemmas the paradigm check questions (wordfreq rank).
COMMON_FORMS = 20_000
# A common form that is the lemma of forms of its own keeps itself against a lemma this many times rarer.
OWN_PARADIGM_RATIO = 10.0
# A paradigm this many times rarer than the form cannot own it.
PARADIGM_RATIO = 20.0
RELATED_PARADIGM_RATIO = 200.0
# A lemma made up from a form (see `unknown lemma`) is only recognised beside a frequency list this long.
INVENTED_MIN_WORDS = 80_000
# A lemma made up from a form by a letter or two added, which text shows this many times less than the form.
INVENTED_RATIO = 1000.0
# A rule's output this many times rarer than the word it came from is no lemma of that word.
STRAY_RATIO = 30.0
# Short words: at most this long, among this many commonest words; a form this many times rarer is a homograph.
SHORT_LENGTH = 3
SHORT_COMMON = 300
SHORT_RATIO = 1000.0
# An uninflected word this many times commoner than a form is no lemma of it.
UNINFLECTED_RATIO = 10.0
# A form moves to a lemma this many times commoner in text than the one it was given, reached by an ending
# change that the sources give at least this many lemmas, keeping at least this many letters.
COMMONER_RATIO = 10.0
# ... and this many times commoner where the lemma is a frequent word no source lists at all: an oblique form
# that the tables leave out (Russian `минут`) can be far commoner than its own lemma.
UNLISTED_RATIO = 50.0
INFLECTION_LEMMAS = 30
INFLECTION_STEM = 3
# Languages that capitalise every noun: a capitalised lemma there is no name.
NOUNS_CAPITALISED = frozenset({"de", "lb"})
# Pairs of each check kept for the log and the README sample.
SAMPLE = 12


def frequent_word_list(lang: str, count: int) -> List[str]:
    """The language's `count` most frequent words that can be dictionary words: lowercase, alphabetic."""
    from wordfreq import top_n_list

    seen: Dict[str, None] = {}
    for word in top_n_list(lang, count):
        word = word.lower()
        if word.isalpha() and usable_word(word):
            seen.setdefault(word, None)
    return list(seen)


class CheckReport:
    """What the checks dropped and how many frequent words were filled in, for the build log."""

    def __init__(self) -> None:
        self.dropped: Dict[str, Set[Pair]] = {name: set() for name in CHECKS}
        self.moved: Dict[Pair, str] = {}  # pairs of `form of a far commoner lemma`: (form, lemma) -> new lemma
        self.filled = 0
        self.filled_sample: List[str] = []

    def drop_set(self) -> Set[Pair]:
        return set().union(*self.dropped.values())

    def summary(self, lang: str) -> str:
        parts = [f"{name}: {len(self.dropped[name])} dropped ({', '.join(map(self.shown, self.sample(name)))})"
                 for name in CHECKS]
        filled = ", ".join(self.filled_sample)
        return f"{lang}: checks: " + "; ".join(parts) + f"; frequent words as their own lemma: {self.filled} ({filled})"

    def shown(self, pair: Pair) -> str:
        """`form->lemma`, and `=>new lemma` for a moved pair."""
        moved = self.moved.get(pair)
        return f"{pair[0]}->{pair[1]}" + (f"=>{moved}" if moved else "")

    def sample(self, name: str) -> List[Pair]:
        return sorted(self.dropped[name])[:SAMPLE]


def _cleaned(pairs: Iterable[Pair], short_lemmas, trusted: bool = False) -> Iterable[Pair]:
    for form, lemma in pairs:
        pair = clean_pair(form, lemma, short_lemmas, trusted)
        if pair is not None:
            yield pair


def _cleaned_keeping_lemma(pairs: Iterable[Pair], short_lemmas) -> Iterable[Tuple[str, str, str]]:
    """The cleaned pairs, each with its lemma as the source spells it (a capital tells a name)."""
    for raw_form, raw_lemma in pairs:
        pair = clean_pair(raw_form, raw_lemma, short_lemmas)
        if pair is not None:
            yield pair[0], pair[1], raw_lemma


def extends(lemma: str, form: str) -> bool:
    """Is the lemma the form with one or two letters added (`empresa` -> `empresar`)?"""
    return lemma.startswith(form) and 0 < len(lemma) - len(form) <= 2


def related(form: str, lemma: str) -> bool:
    """Does the form keep the lemma's spelling up to its last two letters (`einzelheiten`, `einzelheit`)?"""
    stem = lemma[: max(1, len(lemma) - 2)]
    return form.startswith(stem)


def inflection(lemma: str, form: str) -> Optional[Tuple[str, str]]:
    """The ending change from lemma to form, with the last letter both keep (`("ло", "ла")` for `дело` ->
    `дела`: a noun's case, not a verb's ending on a noun), where both keep INFLECTION_STEM letters or more and
    the lemma changes at most two letters, the form at most three."""
    kept = len(os.path.commonprefix((lemma, form)))
    if kept < INFLECTION_STEM or len(lemma) - kept > 2 or len(form) - kept > 3:
        return None
    return lemma[kept - 1:], form[kept - 1:]


def commoner_lemmas(sources: List[Tuple[List[Pair], bool]], short_lemmas, trusted_pairs: Set[Pair],
                    rank: Dict[str, int], frequency: Frequency, drop: Set[Pair]) -> Dict[Pair, str]:
    """The frequent forms' pairs `form of a far commoner lemma` moves: (form, lemma) -> the commoner lemma."""
    lemmas_by_change: Dict[Tuple[str, str], Set[str]] = {}
    settled = {form for form, _ in trusted_pairs}  # the closed-class lists' forms keep their lemmas
    listed = {word for pair in trusted_pairs for word in pair}  # every word of a pair no check dropped
    lemmas: Set[str] = set()  # the lemmas sources give forms other than themselves
    kept: Set[Pair] = set()
    questioned: Set[Pair] = set()  # pairs the other checks dropped: their forms may move all the same
    for pairs, trusted in sources:
        if trusted:
            continue
        for pair in _cleaned(pairs, short_lemmas):
            if pair in drop:
                questioned.add(pair)
                continue
            form, lemma = pair
            listed.update(pair)
            if form == lemma:
                continue
            kept.add(pair)
            lemmas.add(lemma)
            change = inflection(lemma, form)
            if change is not None:
                lemmas_by_change.setdefault(change, set()).add(lemma)
    # the language's inflections by the form's ending: the lemma endings that give it
    lemma_endings: Dict[str, List[str]] = {}
    for (lemma_end, form_end), with_change in sorted(lemmas_by_change.items()):
        if len(with_change) >= INFLECTION_LEMMAS:
            lemma_endings.setdefault(form_end, []).append(lemma_end)
    moved: Dict[Pair, str] = {}
    for form, lemma in sorted(kept | questioned):
        # a lemma about as common as the form is a word of its own there (`notes` -> `note`, not `not`)
        if form not in rank or form in settled or frequency(lemma) * COMMONER_RATIO >= frequency(form):
            continue
        best, best_frequency = None, 0.0
        for cut in range(1, min(4, len(form) - INFLECTION_STEM + 1) + 1):
            stem, form_end = form[:len(form) - cut], form[len(form) - cut:]
            for lemma_end in lemma_endings.get(form_end, ()):
                word = stem + lemma_end
                # a word the sources give as a form of the same lemma is of the same paradigm (`смог` of `смочь`)
                if word in (form, lemma) or (word, lemma) in kept or folded(word) == folded(lemma):
                    continue
                if word in lemmas:
                    ratio = COMMONER_RATIO
                elif word in rank and word not in listed:
                    ratio = UNLISTED_RATIO
                else:
                    continue
                if frequency(word) > max(best_frequency, frequency(lemma) * ratio):
                    best, best_frequency = word, frequency(word)
        if best is not None:
            moved[(form, lemma)] = best
    return moved


def folded(word: str) -> str:
    """The word with the spelling variants `cleaning.with_spelling_variants` adds folded (Russian ё as е)."""
    return word.replace("ё", "е")


def uninflected(trusted_pairs: Iterable[Pair]) -> Set[str]:
    """The words trusted lists give as their own lemma and as the lemma of no other form."""
    pairs = list(trusted_pairs)
    inflected = {lemma for form, lemma in pairs if form != lemma}
    return {form for form, lemma in pairs if form == lemma and form not in inflected}


def cross_check(
    sources: List[Tuple[List[Pair], bool]], frequency: Frequency, frequent: List[str], short_lemmas=frozenset(),
    nouns_capitalised: bool = False, moves: bool = False,
) -> CheckReport:
    """The pairs failing a check; `sources` are (raw pairs, trusted) per source. With `nouns_capitalised` (German),
    a capitalised lemma is a noun, not a name; `form of a far commoner lemma` runs with `moves` only."""
    report = CheckReport()
    rank = {word: i for i, word in enumerate(frequent)}
    common = {w for w, i in rank.items() if i < COMMON_FORMS}
    short = {w for w, i in rank.items() if i < SHORT_COMMON and len(w) <= SHORT_LENGTH}
    trusted_pairs: Set[Pair] = set()
    for pairs, trusted in sources:
        if trusted:
            trusted_pairs.update(_cleaned(pairs, short_lemmas, trusted=True))

    no_forms = uninflected(trusted_pairs)

    # First pass: the pairs each check questions.
    questioned: Dict[Pair, Set[int]] = {}  # pair -> sources listing it (unknown-lemma check)
    paradigm_lemmas: Set[str] = set()
    lemmas_with_forms: Set[str] = set()  # lemmas some source gives a form other than themselves
    names_with_forms: Set[str] = set()  # those a source gives forms as a name (`Вересня`)
    extended: Set[Pair] = set()  # common forms given a lemma of a letter or two more (inflection check)
    for index, (pairs, trusted) in enumerate(sources):
        if trusted:
            continue
        for form, lemma, raw_lemma in _cleaned_keeping_lemma(pairs, short_lemmas):
            if form == lemma or (form, lemma) in trusted_pairs:
                continue
            named = is_name(raw_lemma.strip()) and not nouns_capitalised
            (names_with_forms if named else lemmas_with_forms).add(lemma)
            if form in rank and frequency(lemma) * INVENTED_RATIO < frequency(form):
                questioned.setdefault((form, lemma), set()).add(index)
            if form in common:
                paradigm_lemmas.add(lemma)
                if extends(lemma, form):
                    extended.add((form, lemma))
            if (lemma in short and form.isalpha() and not form.startswith(lemma)
                    and len(form) <= len(lemma) + 2 and frequency(form) * SHORT_RATIO < frequency(lemma)):
                report.dropped[SHORT_LEMMA].add((form, lemma))
            if lemma in no_forms and form.isalpha() and frequency(form) * UNINFLECTED_RATIO < frequency(lemma):
                report.dropped[UNINFLECTED_LEMMA].add((form, lemma))

    # Second pass: which sources know the questioned lemmas, and the paradigms of the common forms' lemmas.
    unknown_lemmas = {lemma for _, lemma in questioned}
    known_by: Dict[str, Set[int]] = {}
    members: Dict[str, Set[str]] = {lemma: {lemma} for lemma in paradigm_lemmas}
    questioned_forms = {form for form, _ in questioned}
    candidates: Dict[str, Set[str]] = {}  # every lemma of a questioned form, itself when it is a lemma
    extended_words = {word for pair in extended for word in pair}
    # the forms any source gives each word of `extended`, and each common lemma, as their lemma
    forms_of: Dict[str, Set[str]] = {}
    for index, (pairs, _) in enumerate(sources):
        for form, lemma in _cleaned(pairs, short_lemmas):
            if form != lemma and (lemma in extended_words or lemma in common):
                forms_of.setdefault(lemma, set()).add(form)
            for word in (form, lemma):
                if word in unknown_lemmas:
                    known_by.setdefault(word, set()).add(index)
            if form in questioned_forms:
                candidates.setdefault(form, set()).add(lemma)
            if lemma in questioned_forms:
                candidates.setdefault(lemma, set()).add(lemma)
            if lemma in members:
                members[lemma].add(form)
    invented = set()
    if len(frequent) >= INVENTED_MIN_WORDS:  # "text never shows it" means little beside a short frequency list
        invented = {lemma for (form, lemma), listing in questioned.items()
                    if not known_by.get(lemma, set()) - listing and extends(lemma, form)}
    for (form, lemma), listing in questioned.items():
        unseen = not frequency(lemma)  # a lemma text shows, however rarely, fails only as a made-up one
        if not known_by.get(lemma, set()) - listing and (
                (unseen and candidates.get(form, set()) - {lemma}) or lemma in invented):
            report.dropped[UNKNOWN_LEMMA].add((form, lemma))
    for form, lemma in extended:
        own, given = forms_of.get(form, set()), forms_of.get(lemma, set())
        if sum(map(frequency, own - given - {lemma})) > sum(map(frequency, given - own - {form})):
            report.dropped[OWN_INFLECTION].add((form, lemma))
    mass = {lemma: sum(frequency(w) for w in forms) for lemma, forms in members.items()}
    for pairs, trusted in sources:
        if trusted:
            continue
        for form, lemma, raw_lemma in _cleaned_keeping_lemma(pairs, short_lemmas):
            if form in common and form != lemma and (form, lemma) not in trusted_pairs:
                if frequency(lemma) * OWN_PARADIGM_RATIO < frequency(form) and (
                        form in lemmas_with_forms or (form in names_with_forms and sum(
                            map(frequency, forms_of.get(form, set()) - members[lemma])) >= frequency(lemma))):
                    report.dropped[OWN_PARADIGM].add((form, lemma))
                rest = mass[lemma] - frequency(form)
                spelt_alike = related(form, lemma) and not is_name(raw_lemma.strip())
                ratio = RELATED_PARADIGM_RATIO if spelt_alike else PARADIGM_RATIO
                if rest * ratio < frequency(form):
                    report.dropped[RARER_LEMMA].add((form, lemma))
    if moves:
        report.moved = commoner_lemmas(sources, short_lemmas, trusted_pairs, rank, frequency, report.drop_set())
    report.dropped[COMMONER_LEMMA].update(report.moved)
    return report


def strays(table: CandidateTable, rec, frequency: Frequency, words: List[str]) -> List[str]:
    """The words no source lists that a model of the table's pairs turns into a word no source gives as a lemma,
    into a far rarer word, or into one or two letters."""
    from velmora import _velmora
    from velmora.lexicon.compiler import compile_pairs

    missing = [w for w in words if not table.lists(w)]
    if not missing:
        return []
    pairs = table.ranked(frequency, getattr(rec, "identity_margin", 1.0),
                         getattr(rec, "lemmas_keep_own_frequency", False))
    core = _velmora.TrieBuilder.from_bytes(compile_pairs(pairs)).build()
    lemmas = table.lemmas()
    out = []
    for word, stem in zip(missing, core.stemWords(missing)):
        stem = (stem or word).lower()
        if stem != word and (stem not in lemmas or len(stem) < 3 <= len(word)
                             or frequency(stem) * STRAY_RATIO < frequency(word)):
            out.append(word)
    return out


def read_source(lang: str, source) -> Iterable[Pair]:
    """A source's pairs as the checks and the table take them: adverbs their own lemma, spelling variants added."""
    return with_spelling_variants(lang, adverbs_as_own_lemma(lang, source.read()))


def candidate_table(rec, frequency: Optional[Frequency]) -> Tuple[CandidateTable, Optional[CheckReport]]:
    """The recipe's sources in a candidate table, checked and filled in where the recipe asks for it."""
    table = CandidateTable()
    lang = getattr(rec, "lang", "")
    if not rec.frequent_words or frequency is None or not rec.frequency_lang:
        for source in rec.sources:
            table.add_source(read_source(lang, source), source.priority, source.lemma_priority,
                             rec.short_lemmas, trusted=source.trusted)
        return table, None
    read = [(list(read_source(lang, source)), source.trusted) for source in rec.sources]
    frequent = frequent_word_list(rec.frequency_lang, rec.frequent_words)
    report = cross_check(read, frequency, frequent, rec.short_lemmas, nouns_capitalised=lang in NOUNS_CAPITALISED,
                         moves=getattr(rec, "commoner_lemma_moves", False))
    drop = report.drop_set()
    for source, (pairs, _) in zip(rec.sources, read):
        table.add_source(pairs, source.priority, source.lemma_priority, rec.short_lemmas, drop=drop,
                         trusted=source.trusted)
        if report.moved and not source.trusted:
            moved = {(form, report.moved[form, lemma]) for form, lemma in _cleaned(pairs, rec.short_lemmas)
                     if (form, lemma) in report.moved}
            table.add_source(sorted(moved), source.priority, source.lemma_priority, rec.short_lemmas)
    filled = table.add_missing(strays(table, rec, frequency, frequent), priority=0)
    report.filled = len(filled)
    report.filled_sample = filled[:SAMPLE]
    LOG.info(report.summary(rec.lang))
    return table, report

"""Cross-source checks and frequent-word fill of velmora.lexicon, on small hand-made sources and frequencies."""
from dataclasses import dataclass, field
from typing import Tuple

import pytest

from velmora._velmora import TrieBuilder
from velmora.lexicon import checks, compile_pairs
from velmora.lexicon.checks import (OWN_PARADIGM, RARER_LEMMA, SHORT_LEMMA, UNINFLECTED_LEMMA, UNKNOWN_LEMMA, cross_check,
                                     uninflected)
from velmora.lexicon.cleaning import with_spelling_variants
from velmora.lexicon.closed_class import CLOSED_CLASS, PARADIGMS, parse
from velmora.lexicon.ranking import CandidateTable


def frequencies(table):
    return lambda word: table.get(word, 0.0)


def dropped(sources, freq, frequent):
    report = cross_check(sources, frequencies(freq), frequent)
    return {name: sorted(pairs) for name, pairs in report.dropped.items() if pairs}


def test_frequent_form_of_a_rare_unrelated_lemma_is_dropped_a_suppletive_one_kept():
    table = [("нет", "житься"), ("живётся", "житься"), ("jest", "być"), ("był", "być"), ("była", "być")]
    freq = {"нет": 1e-3, "житься": 1e-7, "живётся": 1e-7, "jest": 1e-2, "być": 1e-3, "był": 2e-3, "była": 1e-3}
    assert dropped([(table, False)], freq, ["jest", "нет", "był"]) == {RARER_LEMMA: [("нет", "житься")]}


@pytest.mark.parametrize("form, lemma, lemma_freq, expected", [
    # a plural used far more than its singular keeps its lemma: same spelling up to the lemma's last two letters
    ("cheveux", "cheveu", 2e-6, {}),
    # the same ratio with a lemma spelt otherwise fails
    ("getroffen", "triefen", 2e-6, {RARER_LEMMA: [("getroffen", "triefen")]}),
])
def test_related_spelling_needs_a_far_rarer_paradigm(form, lemma, lemma_freq, expected):
    freq = {form: 5e-5, lemma: lemma_freq}
    assert dropped([([(form, lemma)], False)], freq, [form]) == expected


def test_name_far_commoner_than_its_base_is_a_name_of_its_own():
    table = [("Thomas", "Thoma"), ("Thomae", "Thoma")]
    freq = {"thomas": 1e-4, "thoma": 2e-6}
    assert dropped([(table, False)], freq, ["thomas"]) == {RARER_LEMMA: [("thomas", "thoma")]}


def test_lemma_no_other_source_knows_and_text_never_shows_is_dropped():
    table = [("veces", "vezar"), ("veces", "vez"), ("casas", "casa"), ("zmarł", "zemrzeć")]
    other = [("casa", "casa")]
    freq = {"veces": 1e-3, "vez": 1e-3, "casas": 1e-4, "casa": 1e-3, "zmarł": 1e-4}
    # zemrzeć is as unknown, but it is the only lemma zmarł has
    assert dropped([(table, False), (other, False)], freq, ["veces", "casas", "casa", "zmarł"])[UNKNOWN_LEMMA] == [
        ("veces", "vezar")]
    # another source listing the lemma as a word vouches for it
    assert UNKNOWN_LEMMA not in dropped([(table, False), ([("vezar", "vezar")], False)], freq, ["veces", "casas"])


@pytest.mark.parametrize("shortest_telling_list, expected", [
    (3, [("empresa", "empresar"), ("empresas", "empresar")]),
    # beside a frequency list shorter than that, a lemma it lacks may just be rare (Urdu infinitives)
    (4, []),
])
def test_lemma_made_up_from_a_frequent_form_is_dropped_from_every_form(monkeypatch, shortest_telling_list, expected):
    monkeypatch.setattr(checks, "INVENTED_MIN_WORDS", shortest_telling_list)
    table = [("empresa", "empresar"), ("empresas", "empresar"), ("zmarł", "zemrzeć")]
    freq = {"empresa": 1e-4, "empresas": 5e-5, "zmarł": 1e-4}
    found = dropped([(table, False)], freq, ["empresa", "empresas", "zmarł"])
    assert found.get(UNKNOWN_LEMMA, []) == expected


@pytest.mark.parametrize("lemma_freq, expected", [
    # text shows the made-up verb, but a thousand times less than the noun it is made from
    (1e-8, [("hora", "horar"), ("horas", "horar")]),
    # a real verb's infinitive is about as common as its third person
    (1e-4, []),
])
def test_lemma_made_up_from_a_frequent_form_and_far_rarer_is_dropped(monkeypatch, lemma_freq, expected):
    monkeypatch.setattr(checks, "INVENTED_MIN_WORDS", 3)
    table = [("hora", "horar"), ("horas", "horar"), ("zmarł", "zemrzeć")]
    freq = {"hora": 4e-4, "horas": 2e-4, "horar": lemma_freq, "zmarł": 1e-4}
    found = dropped([(table, False)], freq, ["hora", "horas", "zmarł"])
    assert found.get(UNKNOWN_LEMMA, []) == expected


def test_rare_homograph_of_a_common_short_word_is_dropped():
    table = [("ne", "een"), ("eens", "een"), ("enen", "een")]
    freq = {"een": 2e-2, "ne": 1e-6, "eens": 1e-6, "enen": 1e-7}
    # `eens` begins with the lemma, so it may be a form of it; `ne` and `enen` do not and are far rarer
    assert dropped([(table, False)], freq, ["een"]) == {SHORT_LEMMA: [("enen", "een"), ("ne", "een")]}


def test_pairs_of_a_trusted_source_are_never_dropped_and_vouch_for_others():
    table = [("нет", "житься"), ("мне", "мнить")]
    trusted = [("мне", "мнить")]  # what a hand-written list says stands
    freq = {"нет": 1e-3, "мне": 1e-3, "житься": 1e-7, "мнить": 1e-7}
    assert dropped([(table, False), (trusted, True)], freq, ["нет", "мне"]) == {RARER_LEMMA: [("нет", "житься")]}


@pytest.mark.parametrize("pairs, expected", [
    # a common noun some source inflects is not a form of a verb far rarer than itself
    ([("casa", "casar"), ("casas", "casa"), ("caso", "casar")], [("casa", "casar")]),
    # a form that is a lemma but only a few times commoner than its lemma keeps it (people -> person)
    ([("people", "person"), ("peoples", "people")], []),
    # a common form nobody gives forms of its own is not questioned however rare its lemma (jest -> być)
    ([("jest", "być")], []),
    # a surname spelt like the month's genitive has forms text hardly shows: the month keeps it
    ([("вересня", "вересень"), ("вересні", "вересень"), ("вересні", "Вересня"), ("вереснею", "Вересня")], []),
    # a name's forms must be common for it to keep itself (`Garten` is a German noun: see below)
    ([("garten", "garen"), ("Gärten", "Garten")], [("garten", "garen")]),
])
def test_common_form_with_forms_of_its_own_keeps_itself_against_a_far_rarer_lemma(pairs, expected):
    freq = {"casa": 3e-4, "casas": 4e-5, "casar": 8e-6, "caso": 2e-4,
            "people": 1e-3, "peoples": 1e-6, "person": 2.5e-4, "jest": 1e-3, "być": 1e-6,
            "вересня": 3e-4, "вересень": 2e-5, "вересні": 3e-5, "вереснею": 1e-8,
            "garten": 1e-4, "gärten": 1e-5, "garen": 1e-7}
    common = ["people", "jest", "casa", "caso", "person", "вересня", "garten"]
    assert dropped([(pairs, False)], freq, common).get(OWN_PARADIGM, []) == expected


@pytest.mark.parametrize("nouns_capitalised, expected", [(True, [("paar", "paaren")]), (False, [])])
def test_capitalised_lemma_is_a_noun_where_the_language_capitalises_nouns(nouns_capitalised, expected):
    # German `Paar` has forms text shows less than the verb `paaren`, which it still outnumbers ten times
    pairs = [("paar", "paaren"), ("Paare", "Paar"), ("paart", "paaren")]
    freq = {"paar": 1e-3, "paare": 1e-6, "paaren": 5e-6, "paart": 1e-7}
    report = cross_check([(pairs, False)], frequencies(freq), ["paar"], nouns_capitalised=nouns_capitalised)
    assert sorted(report.dropped[OWN_PARADIGM]) == expected


@pytest.mark.parametrize("form, form_freq, expected", [
    # a month far rarer than the conjunction it ends like is a homograph, not a form of it
    ("maart", 1e-5, {UNINFLECTED_LEMMA: [("maart", "maar")]}),
    # a form about as common as the word is another word's form the lists leave out
    ("maars", 1e-4, {}),
    # a clitic with an apostrophe is no homograph; text lists it apart
    ("maar'", 0.0, {}),
])
def test_form_of_a_word_the_lists_give_no_forms_is_dropped_when_far_rarer(form, form_freq, expected):
    trusted = [("maar", "maar"), ("de", "de"), ("het", "de")]
    freq = {"maar": 5e-4, "de": 1e-2, "het": 1e-2, form: form_freq}
    assert dropped([([(form, "maar")], False), (trusted, True)], freq, ["maar", "de"]) == expected


def test_a_word_the_lists_inflect_is_no_uninflected_lemma():
    trusted = [("de", "de"), ("het", "de"), ("maar", "maar"), ("même", "même"), ("mêmes", "même")]
    assert uninflected(trusted) == {"maar"}
    freq = {"de": 1e-2, "dat": 1e-5, "même": 1e-3, "mêmes": 1e-5}
    # `de` and `même` have forms in the lists, so another source's forms of them are not questioned
    assert dropped([([("dat", "de"), ("mêmes", "même")], False), (trusted, True)], freq, ["de"]) == {}


@dataclass(frozen=True)
class FakeSource:
    pairs: Tuple
    priority: int
    lemma_priority: int = None
    trusted: bool = False

    def read(self):
        return iter(self.pairs)


@dataclass(frozen=True)
class FakeRecipe:
    sources: Tuple
    lang: str = "xx"
    frequency_lang: str = "xx"
    frequent_words: int = 10
    short_lemmas: frozenset = field(default_factory=frozenset)
    commoner_lemma_moves: bool = False


def test_frequent_words_no_source_lists_become_their_own_lemma_where_the_rules_would_invent_a_word(monkeypatch):
    monkeypatch.setattr(checks, "frequent_word_list", lambda lang, count: ["когда", "домой", "руки", "книги"])
    pairs = (("среда", "сред"), ("беда", "бед"), ("вода", "вод"), ("книги", "книга"), ("ноги", "нога"),
             ("рука", "рука"), ("домой", "домыть"))
    freq = {"когда": 1e-3, "домой": 1e-3, "руки": 1e-4, "книги": 1e-4, "книга": 1e-4, "рука": 1e-4}
    table, report = checks.candidate_table(FakeRecipe((FakeSource(pairs, priority=1),)), frequencies(freq))
    model = TrieBuilder.from_bytes(compile_pairs(table.ranked(frequencies(freq)))).build()
    # когда would follow беда -> бед to a word nobody writes; руки follows ноги -> нога to a listed lemma;
    # домой lost its only pair (a lemma no one else knows) and is no form of another word either
    assert [model.stem(w) or w for w in ("когда", "руки", "книги", "домой")] == ["когда", "рука", "книга", "домой"]
    assert "когда" in report.filled_sample and "руки" not in report.filled_sample
    assert ("домой", "домыть") in report.drop_set()


def test_frequent_word_whose_rule_output_is_a_far_rarer_lemma_becomes_its_own_lemma(monkeypatch):
    monkeypatch.setattr(checks, "frequent_word_list", lambda lang, count: ["teilweise", "alte"])
    pairs = (("große", "groß"), ("kleine", "klein"), ("neue", "neu"), ("teilweisen", "teilweis"), ("alten", "alt"))
    freq = {"teilweise": 1e-4, "teilweis": 1e-8, "alte": 1e-4, "alt": 2e-4}
    _, report = checks.candidate_table(FakeRecipe((FakeSource(pairs, priority=1),)), frequencies(freq))
    # both would lose their -e like große; teilweis is a listed lemma, but text hardly ever shows it
    assert report.filled_sample == ["teilweise"]


def test_filled_word_never_outranks_a_source():
    table = CandidateTable()
    table.add_source([("does", "do")], priority=1)
    assert table.add_missing(["does", "maybe"], priority=0) == ["maybe"]
    assert ("does", "does", 1) not in table.ranked()


@pytest.mark.parametrize("lang", sorted(PARADIGMS))
def test_closed_class_lists_parse_and_keep_each_form_to_one_lemma(lang):
    lemmas = {}
    for form, lemma in CLOSED_CLASS[lang]:
        lemmas.setdefault(form, set()).add(lemma)
    assert {form: found for form, found in lemmas.items() if len(found) > 1} == {}


def test_closed_class_line_without_a_lemma_is_refused():
    with pytest.raises(ValueError, match="without a lemma"):
        list(parse("der die das"))


@pytest.mark.parametrize("lang, form, lemma", [
    ("uk", "мені", "я"), ("uk", "йому", "він"), ("uk", "них", "вони"), ("uk", "цього", "цей"), ("uk", "це", "це"),
    ("uk", "тому", "тому"), ("ru", "это", "это"), ("ru", "этого", "этот"), ("ru", "чем", "чем"), ("ru", "ест", "есть"),
    ("fr", "mêmes", "même"), ("es", "bienes", "bien"), ("de", "eigentlichen", "eigentlich"),
    ("fi", "eivät", "ei"), ("fi", "oli", "olla"), ("fi", "ja", "ja"), ("ro", "e", "fi"), ("uk", "є", "бути"),
    ("ru", "четырёх", "четыре"), ("ru", "нескольких", "несколько"), ("ru", "вместе", "вместе"),
    ("uk", "багатьох", "багато"), ("uk", "когось", "хтось"), ("uk", "будьте", "бути"),
])
def test_closed_class_lists_give_the_documented_lemma(lang, form, lemma):
    assert {l for f, l in CLOSED_CLASS[lang] if f == form} == {lemma}


@pytest.mark.parametrize("lang, pairs, expected", [
    # Russian text often writes ё as е: the form is listed both ways, the lemma as the source spells it
    ("ru", [("идёт", "идти"), ("её", "она")], [("идёт", "идти"), ("идет", "идти"), ("её", "она"), ("ее", "она")]),
    ("ru", [("дома", "дом")], [("дома", "дом")]),
    # a spelling the source lists itself keeps only its own lemma (`чем` "than" beside `чём` of `что`)
    ("ru", [("чём", "что"), ("чем", "чем")], [("чём", "что"), ("чем", "чем")]),
    # elsewhere ё is a letter of its own (Belarusian writes it always)
    ("be", [("ёлка", "ёлка")], [("ёлка", "ёлка")]),
    # German text writes the ß of a table's old spelling as ss (and Swiss text every ß)
    ("de", [("läßt", "lassen"), ("Fuß", "Fuß")], [("läßt", "lassen"), ("lässt", "lassen"), ("Fuß", "Fuß"), ("Fuss", "Fuß")]),
])
def test_forms_spelt_with_yo_are_also_listed_with_plain_e(lang, pairs, expected):
    assert list(with_spelling_variants(lang, pairs)) == expected


def test_form_spelt_without_yo_reaches_its_lemma(monkeypatch):
    monkeypatch.setattr(checks, "frequent_word_list", lambda lang, count: ["идет"])
    pairs = (("идёт", "идти"), ("идти", "идти"), ("шёл", "идти"))
    freq = {"идет": 1e-4, "идёт": 1e-5, "идти": 1e-4}
    table, _ = checks.candidate_table(FakeRecipe((FakeSource(pairs, priority=1),), lang="ru"), frequencies(freq))
    model = TrieBuilder.from_bytes(compile_pairs(table.ranked(frequencies(freq)))).build()
    assert model.stem("идет") == "идти"


@pytest.mark.parametrize("trusted, expected", [(True, "бути"), (False, None)])
def test_single_letter_form_of_another_lemma_is_kept_only_from_a_trusted_list(monkeypatch, trusted, expected):
    # Ukrainian `є` ("is") is written out by the closed-class list; from a plain source a one-letter form of
    # another lemma is a clitic or a symbol and is left out
    monkeypatch.setattr(checks, "frequent_word_list", lambda lang, count: [])
    sources = (FakeSource((("є", "бути"), ("був", "бути")), priority=5, trusted=trusted),
               FakeSource((("бути", "бути"), ("буду", "бути")), priority=1))
    freq = {"є": 1e-3, "бути": 1e-4, "був": 1e-4}
    table, _ = checks.candidate_table(FakeRecipe(sources, lang="uk"), frequencies(freq))
    model = TrieBuilder.from_bytes(compile_pairs(table.ranked(frequencies(freq)))).build()
    assert model.stem("є") == expected


@pytest.mark.parametrize("form, lemma, other_pairs, expected", [
    # `deutsch` is the lemma of forms text shows far more than the verb `deutschen` has of its own
    ("deutsch", "deutschen", (("deutsche", "deutsch"), ("deutscher", "deutsch"), ("deutscht", "deutschen")), True),
    # `warte` is the verb's form: the noun `Warte` has no form of its own as common as the verb's
    ("warte", "warten", (("wartet", "warten"), ("wartest", "warten")), False),
])
def test_common_form_given_its_own_inflection_as_lemma(form, lemma, other_pairs, expected):
    pairs = ((form, lemma), (lemma, form)) + other_pairs
    freq = {"deutsch": 1e-4, "deutsche": 1e-3, "deutscher": 1e-4, "deutschen": 1e-3, "deutscht": 1e-8,
            "warte": 1e-5, "warten": 1e-4, "wartet": 1e-4, "wartest": 1e-6}
    found = dropped([(pairs, False)], freq, [form])
    assert ((form, lemma) in found.get(checks.OWN_INFLECTION, [])) == expected


# Nouns that show the changes `-р` -> `-ра`, `-ру` (and `-ть` -> `-ти`), so that they count as inflections of the
# language.
HARD_NOUNS = tuple((stem + end, stem) for stem in ("вечер", "номер", "размер", "пример") for end in ("а", "у"))
SOFT_NOUNS = tuple((stem + "и", stem + "ь") for stem in ("радост", "област", "новост", "власт"))
# the rest of the paradigm the table gave `миро`, so that it is no paradigm too rare to own `мира`
MIRO = (("мира", "миро"), ("миру", "миро"), ("миром", "миро"))


@pytest.mark.parametrize("pairs, freq, expected", [
    # a one-lemma-per-form table gave `мира` to the rare `миро`; `мир` is a frequent word no source lists
    (MIRO, {"мира": 4e-4, "миру": 5e-5, "миром": 3e-5, "миро": 1e-6, "мир": 2e-4},
     {("мира", "миро"): "мир", ("миру", "миро"): "мир"}),  # no source shows `-ром` beside `-р`
    # ... a listed lemma needs ten times its rival's frequency, an unlisted word fifty
    ((("части", "частить"), ("частью", "часть")), {"части": 1e-4, "частить": 2e-6, "часть": 3e-5},
     {("части", "частить"): "часть"}),
    ((("минуты", "минута"), ("минуте", "минута")), {"минуты": 6e-5, "минута": 5e-6, "минут": 2e-4}, {}),
    # a pair another check drops (a paradigm of one form, far too rare to own it) moves all the same
    ((("мира", "миро"),), {"мира": 4e-4, "миро": 1e-6, "мир": 2e-4}, {("мира", "миро"): "мир"}),
    # a lemma about as common as the form is a word of its own there
    (MIRO, {"мира": 4e-4, "миру": 5e-5, "миром": 3e-5, "миро": 1e-4, "мир": 4e-3}, {}),
    # a word the sources give as a form of the same lemma belongs to that paradigm
    ((("смогу", "смочь"), ("смог", "смочь")), {"смогу": 3e-5, "смочь": 1e-7, "смог": 9e-5}, {}),
    # an ending change only one lemma shows is no inflection of the language
    ((("пола", "полый"),), {"пола": 4e-4, "полый": 1e-6, "пол": 2e-4}, {}),
])
def test_frequent_form_moves_to_a_far_commoner_lemma_its_inflection_reaches(monkeypatch, pairs, freq, expected):
    monkeypatch.setattr(checks, "INFLECTION_LEMMAS", 4)
    sources = [(pairs + HARD_NOUNS + SOFT_NOUNS, False)]
    report = cross_check(sources, frequencies(freq), [pair[0] for pair in pairs] + ["мир", "минут"], moves=True)
    assert report.moved == expected
    assert report.dropped[checks.COMMONER_LEMMA] == set(expected)


def test_moved_form_reaches_its_new_lemma_and_trusted_forms_stay(monkeypatch):
    monkeypatch.setattr(checks, "INFLECTION_LEMMAS", 4)
    monkeypatch.setattr(checks, "frequent_word_list",
                        lambda lang, count: ["мира", "мире", "миру", "миром", "мир", "кому"])
    table_pairs = MIRO + (("мире", "миро"), ("кому", "кома")) + HARD_NOUNS + tuple(
        (stem + "е", stem) for stem in ("вечер", "номер", "размер", "пример")) + (("кома", "кома"),)
    sources = (FakeSource((("кому", "кто"),), priority=9, trusted=True), FakeSource(table_pairs, priority=1))
    freq = {"мира": 4e-4, "мире": 2e-4, "миру": 5e-5, "миром": 3e-5, "миро": 1e-6, "мир": 2e-4, "кому": 2e-4,
            "кома": 2e-6, "ком": 3e-5}
    table, report = checks.candidate_table(FakeRecipe(sources, lang="ru", commoner_lemma_moves=True),
                                           frequencies(freq))
    model = TrieBuilder.from_bytes(compile_pairs(table.ranked(frequencies(freq)))).build()
    assert [model.stem(w) for w in ("мира", "мире", "кому")] == ["мир", "мир", "кто"]
    assert set(report.moved) == {("мира", "миро"), ("мире", "миро"), ("миру", "миро")}

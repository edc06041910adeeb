"""Source readers and pair cleaning of velmora.lexicon on small hand-written fixtures."""
import gzip
import json

import pytest

from velmora.lexicon import readers
from velmora.lexicon.cleaning import clean_pair, without_nominalised_adjectives


@pytest.mark.parametrize("gz", [False, True])
def test_tsv_pairs(tmp_path, gz):
    text = "# comment\ncats\tcat\nran\trun\textra\nno tab here\n\ngeese\tgoose\n"
    path = tmp_path / ("pairs.tsv.gz" if gz else "pairs.tsv")
    path.write_bytes(gzip.compress(text.encode()) if gz else text.encode())
    assert list(readers.read_tsv_pairs(path)) == [("cats", "cat"), ("ran", "run"), ("geese", "goose")]


def test_conllu_skips_ranges_empty_nodes_and_unannotated_lemmas(tmp_path):
    rows = [
        "# text = Je vais au marché",
        "1\tJe\til\tPRON\t_\t_\t2\tnsubj\t_\t_",
        "2\tvais\taller\tVERB\t_\t_\t0\troot\t_\t_",
        "3-4\tau\t_\t_\t_\t_\t_\t_\t_\t_",
        "3\tà\tà\tADP\t_\t_\t5\tcase\t_\t_",
        "4\tle\tle\tDET\t_\t_\t5\tdet\t_\t_",
        "4.1\tmange\tmanger\tVERB\t_\t_\t_\t_\t_\t_",
        "5\tmarché\t_\tNOUN\t_\t_\t2\tobl\t_\t_",
        "",
    ]
    path = tmp_path / "t.conllu"
    path.write_text("\n".join(rows), encoding="utf-8")
    assert list(readers.read_conllu(path)) == [("Je", "il"), ("vais", "aller"), ("à", "à"), ("le", "le")]


def test_spacy_tables_per_part_of_speech_with_selection_and_skip(tmp_path):
    for name, table in {
        "xx_lemma_lookup_noun.json.gz": {"psy": "pies", "domy": "dom"},
        "xx_lemma_lookup_verb.json.gz": {"szli": "iść"},
        "xx_lemma_lookup_aux.json.gz": {"śmy": "być"},
        "yy_lemma_lookup.json.gz": {"other": "language"},
    }.items():
        (tmp_path / name).write_bytes(gzip.compress(json.dumps(table).encode()))
    every = sorted(readers.read_spacy_lookup("xx", tmp_path))
    assert every == [("domy", "dom"), ("psy", "pies"), ("szli", "iść"), ("śmy", "być")]
    nouns = sorted(readers.read_spacy_lookup("xx", tmp_path, parts=("noun",), skip=lambda p, f, l: f == "domy"))
    assert nouns == [("psy", "pies")]
    with pytest.raises(FileNotFoundError):
        list(readers.read_spacy_lookup("zz", tmp_path))


def test_wordnet_exceptions_drop_multiword_and_self_entries(tmp_path):
    (tmp_path / "noun.exc").write_text("geese goose\nis is\nmen_of_war man_of_war\n", encoding="utf-8")
    (tmp_path / "verb.exc").write_text("was be\nbetter better_off good\n", encoding="utf-8")
    pairs = list(readers.read_wordnet_exceptions(tmp_path, parts=("noun", "verb")))
    assert pairs == [("geese", "goose"), ("was", "be"), ("better", "good")]


def test_wordnet_lemmas_skip_licence_header(tmp_path):
    (tmp_path / "index.adv").write_text("  1 This software and database\nonly r 1 ...\nas_well r 1 ...\n", "utf-8")
    assert list(readers.read_wordnet_lemmas(tmp_path, parts=("adv",))) == [("only", "only")]


def test_hunspell_roots_split_into_inflecting_and_plain(tmp_path):
    (tmp_path / "xx.aff").write_text("SET UTF-8\nSFX S Y 1\nSFX S 0 s .\n", encoding="utf-8")
    (tmp_path / "xx.dic").write_text("4\ncat/S\ngeese\nPeter/S\nNATO\n", encoding="utf-8")
    dic = str(tmp_path / "xx.dic")
    inflecting = sorted(readers.read_hunspell(dic, roots="inflecting"))
    plain = sorted(readers.read_hunspell(dic, roots="plain"))
    assert inflecting == [("Peters", "Peter"), ("cat", "cat"), ("cats", "cat")]
    assert plain == [("Peter", "Peter"), ("geese", "geese")]  # a name is never a strong lemma; NATO is skipped


@pytest.mark.parametrize(
    "form, lemma, expected",
    [
        ("Geese", "Goose", ("geese", "goose")),
        ("is", "i", None),  # single-letter lemma of another form
        ("as", "A", None),
        ("a", "a", ("a", "a")),  # ...but a single letter is its own lemma
        ("m", "być", None),  # single-letter form of another lemma
        ("ASAP", "ASAP", ("asap", "asap")),
        ("NATOs", "NATO", None),  # abbreviation root
        ("Dr.", "Dr.", ("dr.", "dr.")),
        ("ice cream", "ice cream", None),
        ("1990s", "1990", None),
        ("c#", "c#", None),  # a comment marker cannot be written to a source dictionary
        ("", "x", None),
    ],
)
def test_clean_pair(form, lemma, expected):
    assert clean_pair(form, lemma) == expected


def test_clean_pair_keeps_allowed_short_lemmas():
    assert clean_pair("ze", "z", frozenset("z")) == ("ze", "z")
    assert clean_pair("ze", "z") is None


class _TinySimplemmaFactory:
    """A simplemma dictionary factory over a hand-written table, as simplemma's own factories answer:
    ValueError for a language it has no dictionary for."""

    def __init__(self, tables):
        self.tables = tables

    def get_dictionary(self, lang):
        if lang not in self.tables:
            raise ValueError(f"Unsupported language: {lang}")
        return self.tables[lang]


def test_simplemma_dictionary_pairs_in_the_dictionary_order():
    factory = _TinySimplemmaFactory({"xx": {"Kirjat": "kirja", "talot": "talo", "kirja": "kirja"}})
    assert list(readers.read_simplemma("xx", factory)) == [("Kirjat", "kirja"), ("talot", "talo"), ("kirja", "kirja")]


@pytest.mark.parametrize("factory", [_TinySimplemmaFactory({"xx": {}}), None], ids=["fixture", "simplemma"])
def test_simplemma_language_without_a_dictionary_is_a_missing_source(factory):
    if factory is None:
        pytest.importorskip("simplemma")  # a model-building dependency, absent where only the wheel is tested
    with pytest.raises(FileNotFoundError, match="no simplemma dictionary for 'zz'"):
        list(readers.read_simplemma("zz", factory))


@pytest.mark.parametrize("lang, pair, expected", [
    # an adverb the table reads as the adjective's short neuter form is its own lemma
    ("ru", ("хорошо", "хороший"), ("хорошо", "хорошо")),
    ("uk", ("довго", "довгий"), ("довго", "довго")),
    # the adjective's genitive ends alike and keeps its lemma, as do nouns and verbs in -о
    ("ru", ("нового", "новый"), ("нового", "новый")),
    ("uk", ("нового", "новий"), ("нового", "новий")),
    ("ru", ("было", "быть"), ("было", "быть")),
    # other languages are left alone
    ("pl", ("dobro", "dobry"), ("dobro", "dobry")),
])
def test_adverbs_of_adjectives_are_their_own_lemma(lang, pair, expected):
    from velmora.lexicon.cleaning import adverbs_as_own_lemma

    assert list(adverbs_as_own_lemma(lang, [pair])) == [expected]


@pytest.mark.parametrize("pairs, expected", [
    # the nominalisation's pair goes, the adjective's stays
    ([("Eigenen", "Eigene"), ("eigenen", "eigen"), ("Eigene", "eigen")], [("eigenen", "eigen"), ("Eigene", "eigen")]),
    ([("Einzelne", "Einzelner"), ("einzelne", "einzeln"), ("Einzelner", "einzeln")],
     [("einzelne", "einzeln"), ("Einzelner", "einzeln")]),
    # a noun the table also reads as a form of its verb keeps its own lemma
    ([("Paare", "Paar"), ("paare", "paaren"), ("Paar", "paaren")],
     [("Paare", "Paar"), ("paare", "paaren"), ("Paar", "paaren")]),
    # a capitalised word with no lowercase entry is left alone
    ([("Normale", "Normale")], [("Normale", "Normale")]),
])
def test_nominalised_adjective_pairs_are_left_out(pairs, expected):
    assert list(without_nominalised_adjectives(pairs)) == expected

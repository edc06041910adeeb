"""The NLTK, spaCy and scikit-learn adapters, each skipped when its library is absent."""
import os
import pathlib
import pickle
import runpy
import subprocess
import sys
import textwrap
import tomllib

import pytest

import velmora
from velmora import Stemmer, model_path

REPO = pathlib.Path(__file__).resolve().parents[2]
PACKAGE_ROOT = pathlib.Path(velmora.__file__).resolve().parents[1]
# Properties any sane English model has; everything else is compared with velmora.Stemmer itself.
ENGLISH = [("cats", "cat"), ("walked", "walk"), ("qzxv", "qzxv")]
WORDS = ["cats", "cars", "walked", "Running", "The", "qzxv", "geese", "", "unknown", "mice"]


@pytest.fixture(scope="module")
def en():
    return Stemmer("en")


def stem_or_word(stemmer, word):
    """What every adapter gives for a token: `Stemmer.stem_word`'s result."""
    return stemmer.stem_word(word)


def run_python(code, extra_path=()):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([str(PACKAGE_ROOT), *map(str, extra_path)]))
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], env=env, capture_output=True, text=True,
                          timeout=60)


def test_import_velmora_leaves_optional_libraries_unloaded():
    done = run_python("""
        import sys
        import velmora, velmora.integrations
        print(sorted(m for m in ("nltk", "spacy", "sklearn") if m in sys.modules))
    """)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == "[]"


@pytest.mark.parametrize("extra, requirement", [("nltk", "nltk"), ("spacy", "spacy"), ("sklearn", "scikit-learn")])
def test_each_adapter_has_an_extra(extra, requirement):
    extras = tomllib.loads((REPO / "pyproject.toml").read_text())["project"]["optional-dependencies"]
    assert any(req.startswith(requirement) for req in extras[extra])


# --- NLTK -------------------------------------------------------------------------------------------

@pytest.fixture(scope="module")
def nltk_adapter():
    pytest.importorskip("nltk")
    from velmora.integrations import nltk as adapter
    return adapter


class TestNLTK:
    @pytest.mark.parametrize("word, stem", ENGLISH)
    def test_english_stems(self, nltk_adapter, word, stem):
        assert nltk_adapter.VelmoraStemmer().stem(word) == stem

    def test_follows_velmora_stem_and_never_returns_none(self, nltk_adapter, en):
        stemmer = nltk_adapter.VelmoraStemmer("en")
        got = [stemmer.stem(w) for w in WORDS]
        assert got == [stem_or_word(en, w) for w in WORDS]
        assert stemmer.stem("") == ""

    def test_batch_agrees_with_single_words(self, nltk_adapter):
        stemmer = nltk_adapter.VelmoraStemmer()
        assert stemmer.stem_words(iter(WORDS)) == [stemmer.stem(w) for w in WORDS]
        assert stemmer.stem("cars") == "car" and stemmer.stem("Qzxv") == "qzxv"

    def test_is_an_nltk_stemmer_that_nltk_code_accepts(self, nltk_adapter):
        from nltk.stem.api import StemmerI
        from nltk.translate.meteor_score import stem_match

        stemmer = nltk_adapter.VelmoraStemmer()
        assert isinstance(stemmer, StemmerI)
        matches, unmatched_hyp, unmatched_ref = stem_match(["cats", "walked"], ["cat", "walk"], stemmer=stemmer)
        assert sorted(matches) == [(0, 0), (1, 1)] and not unmatched_hyp and not unmatched_ref

    @pytest.mark.parametrize("model", [
        pytest.param(lambda: "en", id="name"),
        pytest.param(lambda: model_path("en"), id="path"),
        pytest.param(lambda: pathlib.Path(model_path("en")), id="pathlib"),
        pytest.param(lambda: Stemmer("en"), id="stemmer"),
    ])
    def test_model_given_in_any_form(self, nltk_adapter, model, en):
        stemmer = nltk_adapter.VelmoraStemmer(model())
        assert [stemmer.stem(w) for w in WORDS] == [stem_or_word(en, w) for w in WORDS]

    def test_a_given_stemmer_is_used_as_is(self, nltk_adapter):
        stemmer = Stemmer("en")
        assert nltk_adapter.VelmoraStemmer(stemmer).stemmer is stemmer
        with pytest.raises(TypeError, match="options"):
            nltk_adapter.VelmoraStemmer(stemmer, lookup="last")

    def test_options_reach_the_stemmer(self, nltk_adapter):
        kept = nltk_adapter.VelmoraStemmer("en", lowercase=False)
        assert kept.stemmer.stem("CATS") == Stemmer("en", lowercase=False).stem("CATS")

    def test_pickle_round_trip(self, nltk_adapter):
        stemmer = nltk_adapter.VelmoraStemmer("en")
        copy = pickle.loads(pickle.dumps(stemmer))
        assert type(copy) is type(stemmer)
        assert [copy.stem(w) for w in WORDS] == [stemmer.stem(w) for w in WORDS]


# --- spaCy ------------------------------------------------------------------------------------------

class SpyStemmer:
    """Counts batch calls while delegating to a real stemmer."""

    def __init__(self, stemmer):
        self.stemmer = stemmer
        self.batches = []

    def stem_words(self, words):
        self.batches.append(list(words))
        return self.stemmer.stem_words(words)


@pytest.fixture(scope="module")
def spacy():
    spacy = pytest.importorskip("spacy")
    import velmora.integrations.spacy  # noqa: F401  registers the factory without an installed entry point
    return spacy


class TestSpacy:
    TEXT = "The cats walked home, qzxv!  Running"

    @pytest.mark.parametrize("word, stem", ENGLISH)
    def test_english_lemmas(self, spacy, word, stem):
        nlp = spacy.blank("en")
        nlp.add_pipe("velmora_lemmatizer")
        assert nlp(word)[0].lemma_ == stem

    @pytest.mark.parametrize("lang, model", [("en", "en"), ("pl", "pl")])
    def test_model_follows_the_pipeline_language(self, spacy, lang, model):
        nlp = spacy.blank(lang)
        nlp.add_pipe("velmora_lemmatizer")
        words = ["koty", "chodziły", "cats", "walked", "domu"]
        reference = Stemmer(model)
        assert [t.lemma_ for t in nlp(" ".join(words))] == [stem_or_word(reference, w) for w in words]

    @pytest.mark.parametrize("lang", ["xx", "bg"])
    def test_a_language_without_a_model_is_an_error_naming_it(self, spacy, lang):
        if lang in velmora.available_models():
            pytest.skip("bundled now")
        with pytest.raises(ValueError, match=rf"no bundled model for the pipeline's language '{lang}'; available: .*en"):
            spacy.blank(lang).add_pipe("velmora_lemmatizer")

    def test_hunspell_builds_a_model_for_a_language_without_one(self, spacy, tmp_path, monkeypatch):
        folder = tmp_path / "dicts"
        folder.mkdir()
        (folder / "bg_BG.aff").write_text("SET UTF-8\nSFX A Y 1\nSFX A а и а\n", encoding="utf-8")
        (folder / "bg_BG.dic").write_text("2\nкотка/A\nжена/A\n", encoding="utf-8")
        monkeypatch.setenv("DICPATH", str(folder))
        monkeypatch.setenv("XDG_CACHE_HOME", str(tmp_path / "cache"))
        from velmora.lexicon.hunspell import search_folders
        if folder not in search_folders():
            pytest.skip("DICPATH is not searched")
        nlp = spacy.blank("bg")
        nlp.add_pipe("velmora_lemmatizer", config={"hunspell": True})
        assert [t.lemma_ for t in nlp("котки жени")] == ["котка", "жена"]

    def test_every_token_gets_its_stem_or_its_text(self, spacy, en):
        nlp = spacy.blank("en")
        nlp.add_pipe("velmora_lemmatizer", config={"model": model_path("en")})
        doc = nlp(self.TEXT)
        assert [t.lemma_ for t in doc] == [stem_or_word(en, t.text) for t in doc]

    def test_custom_attribute_leaves_lemma_alone(self, spacy, en):
        nlp = spacy.blank("en")
        nlp.add_pipe("velmora_lemmatizer", config={"attribute": "velmora_stem"})
        doc = nlp(self.TEXT)
        assert [t._.velmora_stem for t in doc] == [stem_or_word(en, t.text) for t in doc]
        assert all(t.lemma_ == "" for t in doc)

    @pytest.mark.parametrize("attribute", ["", "a.b"])
    def test_bad_attribute_is_refused(self, spacy, attribute):
        with pytest.raises(ValueError, match="attribute"):
            spacy.blank("en").add_pipe("velmora_lemmatizer", config={"attribute": attribute})

    def test_one_batch_call_per_doc(self, spacy):
        nlp = spacy.blank("en")
        component = nlp.add_pipe("velmora_lemmatizer")
        spy = component.stemmer = SpyStemmer(component.stemmer)
        texts = [self.TEXT, "cats", ""]
        docs = list(nlp.pipe(texts))
        assert spy.batches == [[t.text for t in doc] for doc in docs]

    def test_saved_pipeline_loads_and_lemmatizes_the_same(self, spacy, tmp_path):
        nlp = spacy.blank("en")
        nlp.add_pipe("velmora_lemmatizer", config={"attribute": "velmora_stem"})
        nlp.to_disk(tmp_path / "pipeline")
        loaded = spacy.load(tmp_path / "pipeline")
        assert loaded.pipe_names == ["velmora_lemmatizer"]
        assert loaded.get_pipe("velmora_lemmatizer").attribute == "velmora_stem"
        text = self.TEXT
        assert [t._.velmora_stem for t in loaded(text)] == [t._.velmora_stem for t in nlp(text)]

    def test_pipeline_pickles(self, spacy):
        nlp = spacy.blank("en")
        nlp.add_pipe("velmora_lemmatizer")
        copy = pickle.loads(pickle.dumps(nlp))
        assert [t.lemma_ for t in copy(self.TEXT)] == [t.lemma_ for t in nlp(self.TEXT)]

    def test_entry_point_is_declared(self):
        points = tomllib.loads((REPO / "pyproject.toml").read_text())["project"]["entry-points"]["spacy_factories"]
        module, _, attr = points["velmora_lemmatizer"].partition(":")
        assert (module, attr) == ("velmora.integrations.spacy", "make_velmora_lemmatizer")

    def test_spacy_finds_the_factory_through_the_entry_point(self, spacy, tmp_path):
        # An installed velmora advertises the factory in its metadata; a bare dist-info made from
        # pyproject's entry points stands in for that, so spaCy must find it without our import.
        points = tomllib.loads((REPO / "pyproject.toml").read_text())["project"]["entry-points"]
        info = tmp_path / "velmora_entry_points-0.dist-info"
        info.mkdir()
        (info / "METADATA").write_text("Metadata-Version: 2.1\nName: velmora-entry-points\nVersion: 0\n")
        (info / "entry_points.txt").write_text(
            "".join(f"[{group}]\n" + "".join(f"{k} = {v}\n" for k, v in entries.items()) for group, entries in points.items()))
        done = run_python("""
            import sys, spacy
            assert "velmora.integrations.spacy" not in sys.modules
            nlp = spacy.blank("en")
            nlp.add_pipe("velmora_lemmatizer")
            print(nlp("cats")[0].lemma_)
        """, extra_path=[tmp_path])
        assert done.returncode == 0, done.stderr
        assert done.stdout.strip() == "cat"


# --- tokens without a UTF-8 form -------------------------------------------------------------------

LONE = "ca\udc80ts"


def test_lone_surrogates_are_left_unchanged_by_every_adapter(en):
    pytest.importorskip("nltk")
    spacy = pytest.importorskip("spacy")
    pytest.importorskip("sklearn")
    import velmora.integrations.spacy  # noqa: F401
    from velmora.integrations.nltk import VelmoraStemmer
    from velmora.integrations.sklearn import StemmingAnalyzer, StemmingTokenizer

    with pytest.raises(UnicodeEncodeError):
        en.stem_word(LONE)  # the Stemmer itself is strict
    nltk_stemmer = VelmoraStemmer("en")
    assert nltk_stemmer.stem(LONE) == LONE
    assert nltk_stemmer.stem_words(["cats", LONE, "walked"]) == ["cat", LONE, "walk"]
    # spaCy's own tokenizer refuses such text, so the component is given tokens directly.
    class Token:
        def __init__(self, text):
            self.text, self.lemma_ = text, ""

    component = spacy.blank("en").add_pipe("velmora_lemmatizer")
    tokens = [Token("cats"), Token(LONE), Token("walked")]
    component(tokens)
    assert [t.lemma_ for t in tokens] == ["cat", LONE, "walk"]
    assert StemmingTokenizer("en", token_pattern=r"\S+")(f"cats {LONE} walked") == ["cat", LONE, "walk"]
    assert StemmingAnalyzer("en", token_pattern=r"\S+")(f"cats {LONE} walked") == ["cat", LONE, "walk"]


# --- scikit-learn -----------------------------------------------------------------------------------

@pytest.fixture(scope="module")
def tfidf():
    pytest.importorskip("sklearn")
    from sklearn.feature_extraction.text import TfidfVectorizer
    from velmora.integrations.sklearn import StemmingAnalyzer
    return lambda **kw: TfidfVectorizer(analyzer=StemmingAnalyzer("en", **kw))


class TestSklearn:
    DOCS = ["The cat walked home.", "Cats were walking in the garden.", "A dog runs after the cats.",
            "Dogs walk, dogs run, qzxv."]

    def test_analyzer_lowercases_tokenises_and_stems(self, en):
        from velmora.integrations.sklearn import StemmingAnalyzer
        analyzer = StemmingAnalyzer()
        assert analyzer("Cats WALKED, a qzxv") == ["cat", "walk", "qzxv"]  # sklearn's pattern drops "a"
        tokens = ["The", "cats", "cars", "geese", "mice", "unknown", "Running"]
        assert StemmingAnalyzer(lowercase=False)(" ".join(tokens)) == [stem_or_word(en, t) for t in tokens]

    def test_tokenizer_keeps_stop_words_and_ngrams_working(self):
        import warnings

        pytest.importorskip("sklearn")
        from sklearn.feature_extraction.text import TfidfVectorizer
        from velmora.integrations.sklearn import StemmingTokenizer

        tokenizer = StemmingTokenizer("en")
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            vectorizer = TfidfVectorizer(tokenizer=tokenizer, token_pattern=None,
                                         stop_words=tokenizer.stop_words("english"), ngram_range=(1, 2))
            vocabulary = vectorizer.fit(self.DOCS).vocabulary_
        assert {"cat walk", "walk home", "dog run"} <= vocabulary.keys()
        assert not {"the", "a", "were", "be", "in"} & vocabulary.keys()
        copy = pickle.loads(pickle.dumps(vectorizer))
        assert (copy.transform(self.DOCS) != vectorizer.transform(self.DOCS)).nnz == 0

    def test_inflections_share_a_column(self, tfidf):
        vocabulary = tfidf().fit(self.DOCS).vocabulary_
        assert {"cat", "walk", "dog", "qzxv"} <= vocabulary.keys()
        assert not {"cats", "walked", "walking", "dogs"} & vocabulary.keys()

    def test_fitted_pipeline_pickles_and_transforms_identically(self, tfidf):
        from sklearn.pipeline import Pipeline
        pipeline = Pipeline([("tfidf", tfidf(token_pattern=r"(?u)\b\w+\b"))]).fit(self.DOCS)
        copy = pickle.loads(pickle.dumps(pipeline))
        assert copy.named_steps["tfidf"].vocabulary_ == pipeline.named_steps["tfidf"].vocabulary_
        unseen = ["walking cats", "a garden run"]
        for docs in (self.DOCS, unseen):
            assert (copy.transform(docs) != pipeline.transform(docs)).nnz == 0

    def test_vectorizer_clones(self, tfidf):
        from sklearn.base import clone
        vectorizer = tfidf()
        clone(vectorizer).fit(self.DOCS)  # grid search clones before fitting
        assert (clone(vectorizer).fit_transform(self.DOCS) != vectorizer.fit_transform(self.DOCS)).nnz == 0

    def test_example_runs(self, tfidf, capsys):
        runpy.run_path(str(REPO / "examples" / "sklearn_tfidf.py"), run_name="__main__")
        assert "same matrix" in capsys.readouterr().out

"""TF-IDF over velmora stems, in a scikit-learn pipeline that survives pickling.

"cats" and "cat", "walked" and "walking" share one column. The tokenizer keeps the
vectorizer's stop words and n-grams working; it is a top-level class rather than a lambda so
that the fitted pipeline pickles, for a model store or for joblib's worker processes.

    pip install "velmora[sklearn]"
    python examples/sklearn_tfidf.py
"""
import pickle

from sklearn.feature_extraction.text import TfidfVectorizer
from sklearn.pipeline import Pipeline

from velmora.integrations.sklearn import StemmingTokenizer

DOCS = [
    "The cat walked home.",
    "Cats were walking in the garden.",
    "A dog runs after the cats.",
    "Dogs walk, dogs run.",
]


def build_pipeline(model: str = "en") -> Pipeline:
    tokenizer = StemmingTokenizer(model)
    vectorizer = TfidfVectorizer(
        tokenizer=tokenizer, token_pattern=None, stop_words=tokenizer.stop_words("english"), ngram_range=(1, 2)
    )
    return Pipeline([("tfidf", vectorizer)])


def main() -> None:
    pipeline = build_pipeline().fit(DOCS)
    restored = pickle.loads(pickle.dumps(pipeline))
    before = pipeline.transform(DOCS)
    after = restored.transform(DOCS)
    assert (before != after).nnz == 0, "the unpickled pipeline transforms differently"
    print("vocabulary:", " ".join(pipeline.named_steps["tfidf"].get_feature_names_out()))
    print(f"{before.shape[0]} documents x {before.shape[1]} stems and stem pairs; the unpickled pipeline gives the same matrix")


if __name__ == "__main__":
    main()

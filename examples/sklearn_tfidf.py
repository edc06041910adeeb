"""TF-IDF over velmora stems, in a scikit-learn pipeline that survives pickling.

"cats" and "cat", "walked" and "walking" share one column. The analyzer is a top-level
class rather than a lambda so that the fitted pipeline pickles, for a model store or for
joblib's worker processes.

    pip install "velmora[sklearn]"
    python examples/sklearn_tfidf.py
"""
import pickle

from sklearn.feature_extraction.text import TfidfVectorizer
from sklearn.pipeline import Pipeline

from velmora.integrations.sklearn import StemmingAnalyzer

DOCS = [
    "The cat walked home.",
    "Cats were walking in the garden.",
    "A dog runs after the cats.",
    "Dogs walk, dogs run.",
]


def build_pipeline(model: str = "en") -> Pipeline:
    return Pipeline([("tfidf", TfidfVectorizer(analyzer=StemmingAnalyzer(model)))])


def main() -> None:
    pipeline = build_pipeline().fit(DOCS)
    restored = pickle.loads(pickle.dumps(pipeline))
    before = pipeline.transform(DOCS)
    after = restored.transform(DOCS)
    assert (before != after).nnz == 0, "the unpickled pipeline transforms differently"
    print("vocabulary:", " ".join(pipeline.named_steps["tfidf"].get_feature_names_out()))
    print(f"{before.shape[0]} documents x {before.shape[1]} stems; the unpickled pipeline gives the same matrix")


if __name__ == "__main__":
    main()

"""The distributed examples in local mode, each with two worker processes and a model that pickles
by value (its file removed before the workers start): examples/spark_arrow.py (mapInArrow, needs
pyspark and a Java runtime, which `make test` installs) and examples/dask_corpus.py (dask[bag]).
Their output equals the stemmer's own on the same words."""
import os
import runpy
import shutil
import sys
from collections import Counter

import pytest

from conftest import REPO
from velmora import _velmora

pa = pytest.importorskip("pyarrow")

WORDS = ["cats", None, "walked", "unknownword", "geese", "Cars", "Running", "mice"]


@pytest.fixture(scope="module")
def example():
    return runpy.run_path(str(REPO / "examples" / "spark_arrow.py"))


@pytest.fixture
def stemmer(small_dict, tmp_path):
    """A stemmer whose model file is gone: it reaches a worker only by value."""
    import velmora

    image = tmp_path / "small.vmc"
    _velmora.compile(small_dict, str(image))
    loaded = velmora.Stemmer(image)
    image.unlink()
    return loaded


def test_batches_gain_a_stem_column(example, stemmer):
    batches = [pa.RecordBatch.from_pydict({"id": [1, 2, 3], "word": WORDS[:3]}),
               pa.RecordBatch.from_pydict({"id": [4, 5, 6, 7, 8], "word": WORDS[3:]}),
               pa.RecordBatch.from_pydict({"id": pa.array([], pa.int64()), "word": pa.array([], pa.string())})]
    out = list(example["stem_batches"](iter(batches), stemmer, "word", "stem"))
    assert [b.num_rows for b in out] == [3, 5, 0]
    table = pa.Table.from_batches(out)
    assert table.schema.names == ["id", "word", "stem"]
    assert table.schema.field("stem").type == pa.string()
    assert table.column("id").to_pylist() == list(range(1, 9))
    assert table.column("stem").to_pylist() == stemmer.stem_words(WORDS)
    assert table.column("stem").to_pylist()[:3] == ["cat", None, "walk"]


def test_spark_local_mode_with_two_workers(example, stemmer, monkeypatch):
    pytest.importorskip("pyspark")
    if not shutil.which("java"):
        pytest.skip("Spark needs a Java runtime")
    from pyspark.sql import SparkSession

    # Spark's workers start `python3` from PATH unless told; they need this interpreter's velmora.
    monkeypatch.setenv("PYSPARK_PYTHON", sys.executable)
    words = WORDS * 25
    spark = (SparkSession.builder.master("local[2]").appName("velmora-test")
             .config("spark.ui.enabled", "false").config("spark.python.worker.reuse", "false").getOrCreate())
    try:
        df = spark.createDataFrame([(i, w) for i, w in enumerate(words)], "id long, word string").repartition(2)
        stemmed = example["stem_dataframe"](df, stemmer, "word")
        workers = stemmed.rdd.mapPartitions(lambda rows: [os.getpid()]).distinct().count()
        rows = stemmed.orderBy("id").collect()
    finally:
        spark.stop()
    assert workers == 2
    assert [r["stem"] for r in rows] == stemmer.stem_words(words)


def test_dask_with_two_worker_processes(stemmer, tmp_path):
    pytest.importorskip("dask.bag")
    example = runpy.run_path(str(REPO / "examples" / "dask_corpus.py"))
    corpus = tmp_path / "corpus.txt"
    lines = ["The cats walked home.", "Geese and mice, running cars!", "qzx walked"] * 400
    corpus.write_text("\n".join(lines) + "\n", encoding="utf-8")
    counts = example["count_stems"](str(corpus), stemmer, workers=2, blocksize="8KiB")
    expected = Counter(stem for line in lines for _, stem in stemmer.stem_text(line))
    assert counts == expected
    assert counts["cat"] == 400 and counts["walk"] == 800

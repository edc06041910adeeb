"""examples/spark_arrow.py: the mapInArrow function adds the stem of each row beside its word
(nulls kept, unknown words kept as themselves), alone and inside a local Spark session when
pyspark and a Java runtime are installed."""
import runpy
import shutil
import sys

import pytest

from conftest import REPO
from velmora import _velmora

pa = pytest.importorskip("pyarrow")

WORDS = ["cats", None, "walked", "unknownword", "geese"]


@pytest.fixture(scope="module")
def example():
    return runpy.run_path(str(REPO / "examples" / "spark_arrow.py"))


@pytest.fixture
def stemmer(small_dict, tmp_path):
    import velmora

    image = tmp_path / "small.vmc"
    _velmora.compile(small_dict, str(image))
    return velmora.Stemmer(image)


def expected_stems(stemmer, words):
    return [None if w is None else (stemmer.stem(w) or w) for w in words]


def test_batches_gain_a_stem_column(example, stemmer):
    batches = [pa.RecordBatch.from_pydict({"id": [1, 2, 3], "word": WORDS[:3]}),
               pa.RecordBatch.from_pydict({"id": [4, 5], "word": WORDS[3:]}),
               pa.RecordBatch.from_pydict({"id": pa.array([], pa.int64()), "word": pa.array([], pa.string())})]
    out = list(example["stem_batches"](iter(batches), stemmer, "word", "stem"))
    assert [b.num_rows for b in out] == [3, 2, 0]
    table = pa.Table.from_batches(out)
    assert table.schema.names == ["id", "word", "stem"]
    assert table.schema.field("stem").type == pa.string()
    assert table.column("id").to_pylist() == [1, 2, 3, 4, 5]
    assert table.column("stem").to_pylist() == expected_stems(stemmer, WORDS)
    assert table.column("stem").to_pylist()[:3] == ["cat", None, "walk"]


def test_spark_local_mode(example, stemmer, monkeypatch):
    pytest.importorskip("pyspark")
    if not shutil.which("java"):
        pytest.skip("Spark needs a Java runtime")
    from pyspark.sql import SparkSession

    # Spark's workers start `python3` from PATH unless told; they need this interpreter's velmora.
    monkeypatch.setenv("PYSPARK_PYTHON", sys.executable)

    spark = (SparkSession.builder.master("local[1]").appName("velmora-test")
             .config("spark.ui.enabled", "false").getOrCreate())
    try:
        df = spark.createDataFrame([(i, w) for i, w in enumerate(WORDS)], "id long, word string")
        rows = example["stem_dataframe"](df, stemmer, "word").orderBy("id").collect()
    finally:
        spark.stop()
    assert [r["stem"] for r in rows] == expected_stems(stemmer, WORDS)

"""Stem a text column of a Spark DataFrame with mapInArrow, in local mode.

Spark hands each Python worker its rows as Arrow record batches; velmora stems the column
straight from the Arrow buffers (no Python object per word) and the batch goes back with a
stem column beside the words. A velmora.Stemmer pickles by model name (a bundled model) or by
value (any other: its compiled image), so a worker needs nothing but the package and loads the
model once.

    pip install pyspark velmora          # Spark also needs a Java runtime (apt-get install default-jre-headless)
    python examples/spark_arrow.py words.txt [--model en]
"""
import argparse
from typing import Iterable, Iterator

import pyarrow as pa

import velmora


def stem_batches(batches: Iterable[pa.RecordBatch], stemmer: velmora.Stemmer, column: str,
                 out_column: str) -> Iterator[pa.RecordBatch]:
    """Each batch with `out_column` added: the stem of `column`, or the word itself when it has none
    (lowercased by a lowercasing model), as `Stemmer.stem_words` gives them."""
    for batch in batches:
        # Spark's StringType is Arrow's 32-bit-offset string; stem_arrow gives large_string.
        stems = stemmer.stem_arrow(batch.column(batch.schema.get_field_index(column)), keep_input=True)
        yield pa.RecordBatch.from_arrays(list(batch.columns) + [stems.cast(pa.string())],
                                         names=list(batch.schema.names) + [out_column])


def stem_dataframe(df, stemmer: velmora.Stemmer, column: str, out_column: str = "stem"):
    """`df` with a string column `out_column` holding the stems of `column`."""
    from pyspark.sql.types import StringType, StructField, StructType

    schema = StructType(df.schema.fields + [StructField(out_column, StringType(), True)])
    return df.mapInArrow(lambda batches: stem_batches(batches, stemmer, column, out_column), schema)


def main() -> None:
    from pyspark.sql import SparkSession

    parser = argparse.ArgumentParser()
    parser.add_argument("words", help="a text file, one word (or line of words) per line")
    parser.add_argument("--model", default="en")
    args = parser.parse_args()
    spark = SparkSession.builder.master("local[*]").appName("velmora-stem").getOrCreate()
    try:
        lines = spark.read.text(args.words)
        words = lines.selectExpr("explode(split(lower(value), '[^\\\\p{L}]+')) AS word").where("word != ''")
        stems = stem_dataframe(words, velmora.Stemmer(args.model), "word")
        stems.groupBy("stem").count().orderBy("count", ascending=False).show(20, truncate=False)
    finally:
        spark.stop()


if __name__ == "__main__":
    main()

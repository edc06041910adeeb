"""A small typed usage sample; `mypy examples/typed_usage.py` checks it against the stubs."""
from typing import List, Optional

import velmora
from velmora import StemmerCore, TrieBuilder


def stems(words: List[str]) -> List[Optional[str]]:
    stemmer = velmora.Stemmer("en", lookup="first")
    return [stemmer.stem(w) for w in words]


def custom_model(path: str) -> StemmerCore:
    builder = TrieBuilder(path)
    builder.add("gooses", "goose", count=3)
    builder.add_many([("thingies", "thingy")])
    return builder.build(cache_size=0, lookup="last")


if __name__ == "__main__":
    print(stems(["running", "cats"]))
    print(custom_model(velmora.model_path("en")).stem("gooses"))

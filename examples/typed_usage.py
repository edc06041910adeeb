"""Every public call of the package, typed; `mypy --strict examples/typed_usage.py` checks it against
the stubs with no casts."""
import pickle
from typing import List, Optional

import velmora
from velmora import ModelInfo, StemmerCore, TrieBuilder


def stems(words: List[str]) -> List[Optional[str]]:
    stemmer = velmora.Stemmer("en", lookup="first", cache_size=100)
    one: Optional[str] = stemmer.stem(words[0])
    word: str = stemmer.stem_word("cats")
    raw: bytes = stemmer.stem_word(b"cats")
    listed: List[str] = stemmer.stem_words(words)
    raw_list: List[bytes] = stemmer.stemWords([b"cats"])
    candidates: List[str] = stemmer.stem_all("geese")
    all_lists: List[List[str]] = stemmer.stem_all_batch(words)
    clone: velmora.Stemmer = pickle.loads(pickle.dumps(stemmer))
    print(one, word, raw, listed, raw_list, candidates, all_lists, clone)
    return stemmer.stem_batch(words)


def raw_batch(core: StemmerCore) -> List[Optional[bytes]]:
    text: List[Optional[str]] = core.stem_batch(["cats"])
    kept: str = core.stemWord("cats")
    print(text, kept, core.stem("cats"), core.stem_all("cats"))
    return core.stem_batch([b"cats"])


def custom_model(path: str) -> StemmerCore:
    builder = TrieBuilder(path)
    builder.add("gooses", "goose", count=3)
    builder.add_many([("thingies", "thingy")])
    builder.set("mice", "mouse")
    builder.remove("mice", "mouse")
    image: bytes = builder.to_bytes()
    velmora.Stemmer.from_builder(TrieBuilder.from_bytes(image), lookup="last")
    return builder.build(cache_size=0, lookup="last")


def models() -> List[str]:
    listed: List[ModelInfo] = velmora.available_models()
    return [f"{m.code} {m.name} {m.size} {m.source} {velmora.model_path(m.code)}" for m in listed]


if __name__ == "__main__":
    print(stems(["running", "cats"]))
    core = custom_model(velmora.model_path("en"))
    print(core.stem("gooses"), raw_batch(core), models())

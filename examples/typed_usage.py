"""Every public call of the package, typed, with every kind of path (str, bytes, pathlib.Path);
`mypy --strict examples/typed_usage.py` checks it against the stubs with no casts, and running it
checks that the calls work."""
import os
import pathlib
import pickle
import tempfile
from typing import List, Optional, Union

import velmora
from velmora import ModelInfo, StemmerCore, TrieBuilder

PathArg = Union[str, bytes, pathlib.Path]


def stems(words: List[str]) -> List[Optional[str]]:
    stemmer = velmora.Stemmer("en", lookup="first", cache_size=100, keep_unknown_case=False)
    one: Optional[str] = stemmer.stem(words[0])
    one_raw: Optional[bytes] = stemmer.stem(b"cats")
    word: str = stemmer.stem_word("cats")
    raw: bytes = stemmer.stem_word(b"cats")
    listed: List[str] = stemmer.stem_words(words, threads=2)
    raw_list: List[bytes] = stemmer.stemWords([b"cats"])
    gaps: List[Optional[Union[str, bytes]]] = stemmer.stem_words(["cats", None])
    candidates: List[str] = stemmer.stem_all("geese")
    all_lists: List[List[str]] = stemmer.stem_all_batch(iter(words))
    pairs = stemmer.stem_text("The cats were walking.")
    first_pair: str = pairs[0][1]
    image: bytes = stemmer.to_bytes()
    again: velmora.Stemmer = velmora.Stemmer.from_bytes(image, lookup="last")
    clone: velmora.Stemmer = pickle.loads(pickle.dumps(stemmer))
    print(one, one_raw, word, raw, listed, raw_list, gaps, candidates, all_lists, first_pair, again, clone)
    return stemmer.stem_batch(words, threads=None)


def raw_batch(core: StemmerCore) -> List[Optional[bytes]]:
    text: List[Optional[str]] = core.stem_batch(["cats"])
    kept: str = core.stemWord("cats")
    image: bytes = core.to_bytes()
    copy: StemmerCore = StemmerCore.from_bytes(image, lookup=core.lookup, cache_size=core.cache_size)
    print(text, kept, core.stem("cats"), core.stem_all("cats"), copy.stem("cats"))
    return core.stem_batch([b"cats"])


def custom_model(source: PathArg, out: PathArg) -> StemmerCore:
    builder = TrieBuilder(source)
    builder.add("gooses", "goose", count=3)
    builder.add_many([("thingies", "thingy")])
    builder.set("mice", "mouse")
    builder.remove("mice", "mouse")
    image: bytes = builder.to_bytes()
    velmora.Stemmer.from_builder(TrieBuilder.from_bytes(image), lookup="last")
    builder.save(out)
    velmora.Stemmer(out)
    StemmerCore(out, lookup="last")
    flags: bool = builder.store_original and builder.lowercase
    print(flags)
    return builder.build(cache_size=0, lookup="last")


def compile_each_way(source: PathArg, out: PathArg) -> None:
    velmora.compile(source, out, backward=True, store_original=True, lowercase=True)


def hunspell(dic: PathArg, cache: PathArg) -> Optional[str]:
    stemmer = velmora.Stemmer.from_hunspell(dic, prefixes=False, cache_dir=cache, progress=False)
    return stemmer.stem("walks")


def adapters(model: PathArg) -> List[str]:
    from velmora.integrations.nltk import VelmoraStemmer
    from velmora.integrations.sklearn import StemmingAnalyzer, StemmingTokenizer

    tokenizer = StemmingTokenizer(model)
    stop: List[str] = tokenizer.stop_words(["the", "was"])
    stems: List[str] = VelmoraStemmer(model).stem_words(["cats"]) + StemmingAnalyzer(model)("cats walked")
    return stems + tokenizer("cats walked") + stop


def models() -> List[str]:
    listed: List[ModelInfo] = velmora.available_models()
    return [f"{m.code} {m.name} {m.size} {m.source} {velmora.model_path(m.code)}" for m in listed]


if __name__ == "__main__":
    print(stems(["running", "cats"]))
    en = velmora.model_path("en")
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "d.tsv")
        with open(source, "w", encoding="utf-8") as f:
            f.write("cat\tcats\n")
        with open(os.path.join(folder, "xx_YY.aff"), "w", encoding="utf-8") as f:
            f.write("SET UTF-8\nSFX S Y 1\nSFX S 0 s .\n")
        with open(os.path.join(folder, "xx_YY.dic"), "w", encoding="utf-8") as f:
            f.write("1\nwalk/S\n")
        for kind in (str, os.fsencode, pathlib.Path):
            out = os.path.join(folder, f"{kind.__name__}.vmc")
            compile_each_way(kind(source), kind(out))
            core = custom_model(kind(en), kind(out))
            print(adapters(kind(out)))
            print(hunspell(kind(os.path.join(folder, "xx_YY.dic")), kind(os.path.join(folder, "cache"))))
    print(core.stem("gooses"), raw_batch(core), models())

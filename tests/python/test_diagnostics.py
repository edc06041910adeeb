import pytest

from velmora._velmora import StemmerCore, TrieBuilder

LABELS = [
    "preserve", "delete_suffix", "delete_prefix", "append_char", "prepend_char", "replace_last_char",
    "replace_first_char", "backward_compound", "forward_compound", "no_match", "direct_output_slice_hit",
    "direct_output_buffer_hit", "direct_output_hit", "total",
]

COUNTERS = ["_len_batch", "_encode_batch", "_encodefind_batch", "_stem_lengths_batch",
            "_stem_utf8_lengths_batch"]


def test_empty_input(small_dict):
    s = StemmerCore(small_dict)
    assert s._echo_batch([]) == [] and s._backward_compound_patterns_batch([]) == []
    assert all(getattr(s, name)([]) == 0 for name in COUNTERS)
    assert s._patch_stats_batch([]) == [(label, 0) for label in LABELS]


def test_echo_and_len(small_dict):
    s = StemmerCore(small_dict)
    words = ["a", "ß"]
    echoed = s._echo_batch(words)
    assert echoed == words and echoed is not words
    assert s._len_batch(words) == 3


def test_case_mode_is_the_effective_one(small_dict, tmp_path):
    s = StemmerCore(small_dict)
    assert s._encode_batch(["ABC"]) == 3
    assert s._case_mode() == "LOWERCASE_WITH_LOCALE_ROOT"
    builder = TrieBuilder(small_dict, lowercase=False)
    image = tmp_path / "asis.vmc"
    builder.save(str(image))
    assert StemmerCore(str(image))._case_mode() == "LOWERCASE_WITH_LOCALE_ROOT"
    assert StemmerCore(str(image), lowercase=False)._case_mode() == "AS_IS"


@pytest.mark.parametrize("lowercase", [True, False])
def test_stage_counters_agree_with_stemming(en_source, en_words, lowercase):
    s = StemmerCore(en_source, lowercase=lowercase, cache_size=0)
    words = en_words[:20000] + ["qqqqzzz", "Running", "na\u00efve"]
    stems = s.stem_batch(words)
    with_stem = [w for w, st in zip(words, stems) if st is not None]
    assert s._encodefind_batch(words) == len(with_stem)
    assert s._encode_batch(words) == sum(len(w) for w in words)  # keys keep every character
    assert s._stem_utf8_lengths_batch(words) == sum(len(st.encode()) for st in stems if st is not None)
    rows = dict(s._patch_stats_batch(words))
    assert [label for label, _ in s._patch_stats_batch(words)] == LABELS
    assert sum(rows[label] for label in LABELS[:10]) == rows["total"] == len(words)
    assert rows["no_match"] == len(words) - len(with_stem)
    assert rows["direct_output_hit"] == rows["direct_output_slice_hit"] + rows["direct_output_buffer_hit"]
    if lowercase:
        assert rows["direct_output_hit"] == 0
    else:
        assert rows["direct_output_hit"] > 0


def test_backward_compound_patterns(small_dict):
    s = StemmerCore(small_dict)
    rows = s._backward_compound_patterns_batch(["geese", "geese", "mice"])
    assert rows == [("-:2,R:006F,R:006F", 2), ("-:1,I:0073,R:0075,R:006F", 1)]
    forward = StemmerCore(small_dict, backward=False)
    assert forward._backward_compound_patterns_batch(["geese", "mice"]) == []


def test_value_layout_stats(write_dict):
    s = StemmerCore(write_dict("a\n"), store_original=True)
    nodes, refs, patches = s._value_layout_stats()
    assert (refs, patches) == (1, 1) and nodes >= 1

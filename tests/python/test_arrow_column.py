"""stem_arrow: Arrow string columns in, one stem (or null) per row out, whatever the producer
(pyarrow, Polars, pandas), the string layout, the chunking, slicing or thread count."""
import pytest

from velmora import _velmora

pa = pytest.importorskip("pyarrow")

WORDS = ["running", None, "Cats", "geese", "", "unknownword", "walks", None, "mice", "CAR", "żółw"]


@pytest.fixture
def core(small_dict):
    return _velmora.StemmerCore(small_dict, cache_size=0)


def expected(core, words, keep_input=False):
    out = []
    for w in words:
        stem = None if w is None else core.stem(w)
        out.append(w if stem is None and keep_input else stem)
    return out


STRING_TYPES = [pa.string(), pa.large_string(), pa.string_view()]


@pytest.mark.parametrize("keep_input", [False, True])
@pytest.mark.parametrize("arrow_type", STRING_TYPES, ids=str)
def test_pyarrow_array_rows_match_stem(core, arrow_type, keep_input):
    column = pa.array(WORDS, type=arrow_type)
    got = core.stem_arrow(column, keep_input=keep_input)
    assert isinstance(got, pa.Array)
    assert got.type == pa.large_string()
    assert got.to_pylist() == expected(core, WORDS, keep_input)
    # Nulls in the input stay null whatever keep_input says.
    assert got[1].as_py() is None and got[7].as_py() is None
    assert got.to_pylist()[:3] == ["run", None if not keep_input else None, "cat"]


@pytest.mark.parametrize("arrow_type", STRING_TYPES, ids=str)
def test_empty_array(core, arrow_type):
    got = core.stem_arrow(pa.array([], type=arrow_type))
    assert len(got) == 0 and got.type == pa.large_string()


@pytest.mark.parametrize("arrow_type", STRING_TYPES, ids=str)
@pytest.mark.parametrize("start,length", [(1, 5), (3, 0), (4, 7), (0, 11)])
def test_sliced_arrays_respect_their_offset(core, arrow_type, start, length):
    column = pa.array(WORDS, type=arrow_type).slice(start, length)
    assert core.stem_arrow(column).to_pylist() == expected(core, WORDS[start:start + length])


@pytest.mark.parametrize("arrow_type", STRING_TYPES, ids=str)
def test_chunked_input_is_one_output(core, arrow_type):
    chunks = [pa.array(WORDS[:4], type=arrow_type), pa.array([], type=arrow_type),
              pa.array(WORDS[4:], type=arrow_type).slice(1)]
    column = pa.chunked_array(chunks, type=arrow_type)
    got = core.stem_arrow(column)
    assert got.to_pylist() == expected(core, WORDS[:4] + WORDS[5:])


def test_long_string_views_point_into_data_buffers(core):
    # Views of more than 12 bytes live in the data buffers, not inline.
    words = ["walking" * 3, "runnings", "x" * 40, None, "cats"]
    got = core.stem_arrow(pa.array(words, type=pa.string_view()))
    assert got.to_pylist() == expected(core, words)


# All ASCII: such offset columns are walked straight from their buffers.
ASCII_WORDS = ["running", None, "Cats", "geese", "", "WALKING", "mice", "unknownword", "Mice",
               "walks" * 5, "CATS"]


@pytest.mark.parametrize("lowercase", [False, True])
@pytest.mark.parametrize("keep_input", [False, True])
@pytest.mark.parametrize("arrow_type", STRING_TYPES, ids=str)
@pytest.mark.parametrize("words", [ASCII_WORDS, ASCII_WORDS[:-2] + ["x"]], ids=["long-tail", "short-last-row"])
def test_ascii_columns_match_stem_in_both_case_modes(small_dict, lowercase, keep_input, arrow_type, words):
    core = _velmora.StemmerCore(small_dict, cache_size=0, lowercase=lowercase)
    column = pa.array(words, type=arrow_type)
    assert core.stem_arrow(column, keep_input=keep_input).to_pylist() == expected(core, words, keep_input)
    # A slice starts its rows mid-buffer and ends them before the buffer does.
    assert core.stem_arrow(column.slice(2, 6), keep_input=keep_input).to_pylist() == expected(
        core, words[2:8], keep_input)


@pytest.mark.parametrize("at", [0, 2047, 2048, 4999])
@pytest.mark.parametrize("arrow_type", STRING_TYPES, ids=str)
def test_a_word_of_another_script_anywhere_in_an_ascii_column(core, arrow_type, at):
    # Rows are walked in groups; the group holding "żółw" takes the general path,
    # the others the ASCII one, and the seams between them must not show.
    words = [None if i % 7 == 3 else ASCII_WORDS[i % len(ASCII_WORDS)] for i in range(5000)]
    words[at] = "żółw"
    column = pa.array(words, type=arrow_type)
    assert core.stem_arrow(column, threads=1).to_pylist() == expected(core, words)
    assert core.stem_arrow(column, keep_input=True, threads=2).to_pylist() == expected(core, words, True)


@pytest.mark.parametrize("threads", [1, 2])
def test_released_results_leave_nothing_in_later_ones(core, threads):
    # A released result's memory is written over by later columns: their rows,
    # nulls and lengths must be their own, and a result still held must not change.
    full = pa.array(["walking"] * 30000, type=pa.large_string())
    held = core.stem_arrow(full, threads=threads)
    sparse = [None if i % 3 else "cats" for i in range(20000)]
    for _ in range(3):
        del_me = core.stem_arrow(full, threads=threads)
        del del_me
        got = core.stem_arrow(pa.array(sparse, type=pa.large_string()), threads=threads)
        assert got.null_count == sum(w is None for w in sparse)
        assert got.to_pylist() == expected(core, sparse)
        del got
        assert core.stem_batch(["mice"] * 40000, threads=threads) == ["mouse"] * 40000
    assert held.to_pylist() == ["walk"] * 30000


@pytest.mark.parametrize("threads", range(1, 9))
@pytest.mark.parametrize("arrow_type", [pa.large_string(), pa.string_view()], ids=str)
def test_thread_counts_give_identical_results(core, en_words, threads, arrow_type):
    en = _velmora.StemmerCore  # noqa: F841 - the English words, through the small model
    words = [w if i % 97 else None for i, w in enumerate(en_words[:20000])]
    column = pa.array(words, type=arrow_type)
    serial = core.stem_arrow(column, threads=1)
    assert core.stem_arrow(column, threads=threads).equals(serial)
    assert serial.to_pylist() == expected(core, words)


@pytest.mark.parametrize("column", [pa.array([1, 2]), pa.array([b"ab"]), pa.array([["a"]]),
                                    pa.array(["a", "b"]).dictionary_encode()], ids=str)
def test_non_string_columns_are_refused(core, column):
    with pytest.raises(TypeError, match="string, large_string or string_view"):
        core.stem_arrow(column)


@pytest.mark.parametrize("bad", [["cats"], "cats", None, 3])
def test_objects_without_arrow_data_are_refused(core, bad):
    with pytest.raises(TypeError, match="__arrow_c_array__"):
        core.stem_arrow(bad)


@pytest.mark.parametrize("threads", [0, -1, 2000, "2", 1.5])
def test_bad_thread_counts(core, threads):
    with pytest.raises((TypeError, ValueError), match="threads"):
        core.stem_arrow(pa.array(["cats"]), threads=threads)


def test_invalid_utf8_is_refused(core):
    # Arrow's producers promise UTF-8; a column that breaks the promise is refused, not misread.
    column = pa.Array.from_buffers(pa.string(), 2, [None, pa.py_buffer(b"\x00\x00\x00\x00\x02\x00\x00\x00"
                                                                         b"\x04\x00\x00\x00"),
                                                    pa.py_buffer(b"ab\xff\xfe")])
    with pytest.raises(ValueError, match="row 1 is not valid UTF-8"):
        core.stem_arrow(column)


@pytest.mark.parametrize("threads", [1, 2, 3])
def test_the_first_invalid_row_is_named_whatever_thread_reads_it(core, threads):
    # Rows go to threads in blocks; the error still names the first invalid row of the column.
    rows = [b"cats"] * 30000
    rows[12345] = rows[25000] = b"\xff"
    offsets = [0]
    for row in rows:
        offsets.append(offsets[-1] + len(row))
    column = pa.Array.from_buffers(pa.large_string(), len(rows),
                                   [None, pa.py_buffer(pa.array(offsets, pa.int64()).buffers()[1]),
                                    pa.py_buffer(b"".join(rows))])
    with pytest.raises(ValueError, match="row 12345 is not valid UTF-8"):
        core.stem_arrow(column, threads=threads)


@pytest.mark.parametrize("offsets, validity", [
    ([0, 4, 2, 6], None),                 # falling offsets
    ([0, 4, 2, 6], [True, False, True]),  # falling at a null row, whose bytes the walk also reads
], ids=["falling", "falling-at-null"])
def test_malformed_offsets_are_refused(core, offsets, validity):
    buffers = [None if validity is None else pa.array(validity).buffers()[1],
               pa.py_buffer(pa.array(offsets, pa.int32()).buffers()[1]), pa.py_buffer(b"catsdogs")]
    column = pa.Array.from_buffers(pa.string(), 3, buffers, null_count=-1 if validity else 0)
    with pytest.raises(ValueError, match="malformed Arrow array: offsets out of order"):
        core.stem_arrow(column)


def test_the_result_exports_itself_without_pyarrow(core):
    # The raw result object (what callers get when pyarrow is absent) speaks the capsule interface.
    result = core.stem_arrow(pa.array(["cats", None]))
    raw = result.__arrow_c_array__()
    again = pa.Array._import_from_c_capsule(*raw)
    assert again.to_pylist() == ["cat", None]


def test_polars_series(core):
    pl = pytest.importorskip("polars")
    series = pl.Series("w", WORDS)
    got = core.stem_arrow(series)
    assert got.to_pylist() == expected(core, WORDS)
    assert pl.Series(got).to_list() == expected(core, WORDS)
    sliced = series.slice(2, 6)
    assert core.stem_arrow(sliced).to_pylist() == expected(core, WORDS[2:8])


def test_pandas_series_of_arrow_strings(core):
    pd = pytest.importorskip("pandas")
    series = pd.Series(WORDS, dtype="string[pyarrow]")
    got = core.stem_arrow(series)
    assert got.to_pylist() == expected(core, WORDS)
    back = pd.Series(got, dtype=pd.ArrowDtype(pa.large_string()))
    assert back.isna().tolist() == [s is None for s in expected(core, WORDS)]

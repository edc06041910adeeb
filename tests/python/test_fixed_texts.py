"""The fixed texts of the extension's errors: the one table of them (native errors' and the
extension's own, listed by _velmora._fixed_texts()) holds exactly the texts callers match on, and
a representative call raises each one."""
import ctypes
import gzip
import importlib.util
import re
import struct

import pytest

from test_bounded_work import image, mutf8
from velmora import _velmora
from velmora._velmora import StemmerCore, TrieBuilder, compile

# The texts callers match on, as they must stay: a change here is an interface change.
EXPECTED = {
    'kUnexpectedEnd': 'unexpected end of trie stream',
    'kBadMagic': 'bad trie stream magic',
    'kUnsupportedVersion': 'unsupported trie stream version ',
    'kExpectedVersion': ' (expected ',
    'kNodeCountRange': 'node count must be positive and fit within the stream',
    'kNonZeroRoot': 'unsupported non-zero root node id',
    'kValueTableCount': 'value-table count is negative or exceeds the stream bounds',
    'kAtNode': ' at node ',
    'kInvalidAcceptingFlag': 'invalid accepting flag ',
    'kInvalidEdgeCount': 'invalid edge count ',
    'kLabelsNotAscending': 'edge labels are not strictly ascending',
    'kChildNodeId': 'child node id ',
    'kIsOutOfRange': ' is out of range',
    'kInvalidValueCount': 'invalid value count ',
    'kAcceptingNode': 'accepting node ',
    'kHasNoValue': ' has no value',
    'kValueId': 'value id ',
    'kValueCount': 'value count ',
    'kMustBePositive': ' must be positive',
    'kDuplicateValueId': 'duplicate value id ',
    'kCycleThroughNode': 'cycle detected through node ',
    'kUnreachableNode': 'compiled trie contains an unreachable node',
    'kMalformedModifiedUtf8': 'malformed modified UTF-8',
    'kStringTooLong': 'string too long for Java modified UTF-8',
    'kTruncatedImage': 'truncated compiled image',
    'kInflatesPastLimit': 'gzip data inflates past the limit of ',
    'kBytes': ' bytes',
    'kDeflateInitFailed': 'deflateInit2 failed',
    'kDeflateFailed': 'deflate failed',
    'kUnknownOpcode': 'Unknown opcode: ',
    'kInvalidNoopArg': 'Invalid NOOP arg',
    'kCannotMakeDominant': 'cannot make the rule dominant because another rule already has the maximum frequency',
    'kCountExceedsFormat': 'frequency count exceeds the signed 32-bit format limit',
    'kTooLongToEncode': 'word and stem too long: their lengths multiplied exceed ',
    'kUnits': ' units',
    'kDictionaryLine': 'dictionary line ',
    'kLineLongerThan': ' is longer than ',
    'kFieldLongerThan': ' has a field longer than ',
    'kExpandsPast': 'compiled trie expands to more than ',
    'kBuilderNodes': ' builder nodes',
    'kInvalidLookupMode': 'invalid lookup mode ',
    'kExpectedLookupModes': "; expected 'first', 'last', or 'all'",
    'kNoOffsetsBuffer': 'no offsets buffer',
    'kOffsetsBufferRange': 'offsets buffer out of range',
    'kOffsetsOutOfOrder': 'offsets out of order',
    'kNoDataBuffer': 'no data buffer',
    'kOffsetsOutOfRange': 'offsets out of range',
    'kNoViewsBuffer': 'no views buffer',
    'kViewsBufferRange': 'views buffer out of range',
    'kNoBufferSizes': 'no buffer sizes',
    'kDataBufferSizeRange': 'data buffer size out of range',
    'kNegativeViewLength': 'negative view length',
    'kViewOutsideBuffer': 'view outside its data buffer',
    'kArrayReleased': 'the array was released',
    'kNegativeLengthOrOffset': 'negative length or offset',
    'kLengthOrOffsetRange': 'length or offset out of range',
    'kWrongBufferCount': 'wrong number of buffers',
    'kValidityBufferRange': 'validity buffer out of range',
    'kAlreadyCompiled': 'source is already a compiled trie',
    'kCannotRead': "cannot read '",
    'kNotARegularFile': "': not a regular file (",
    'kCannotReadAs': 'cannot read ',
    'kIsBinary': ' is binary, not a text dictionary (',
    'kBadByteShare': '% NUL or undecodable bytes)',
    'kHoldsNoEntries': ' holds no dictionary entries',
    'kImageAsSource': ' is already a compiled image, not a source dictionary',
    'kHoldsNul': ' holds NUL characters',
    'kUndecodableFirstAt': ' has undecodable bytes (first at byte ',
    'kReadAsReplacement': '); they are read as U+FFFD',
    'kTargetStr': 'PyString',
    'kTargetBool': 'PyBool',
    'kTargetBytes': 'PyBytes',
    'kTargetTuple': 'PyTuple',
    'kTargetList': 'PyList',
    'kTargetSequence': 'Sequence',
    'kCannotBeConvertedTo': "' object cannot be converted to '",
    'kArgumentPrefix': "argument '",
    'kArgumentPrefixEnd': "': ",
    'kTakes': ' takes ',
    'kPositionalArgumentsBut': ' positional arguments but ',
    'kUnexpectedKeyword': " got an unexpected keyword argument '",
    'kMultipleValues': " got multiple values for argument '",
    'kMissing': ' missing ',
    'kRequiredPositionalArgument': 'required positional argument',
    'kKeywordsMustBeStrings': ' keywords must be strings',
    'kEmbeddedNull': 'embedded null byte',
    'kStrIsNotASequence': "Can't extract `str` to `Vec`",
    'kPairLengthPrefix': 'expected tuple of length 2, but got tuple of length ',
    'kCountOutOfRange': 'out of range integral type conversion attempted',
    'kCountAtLeastOne': 'count must be at least 1, got ',
    'kAlreadyBorrowed': 'Already borrowed',
    'kAlreadyMutablyBorrowed': 'Already mutably borrowed',
    'kStemWordItemType': 'stemWord / stemWords accepts only str and bytes',
    'kStemWordsItemType': 'stemWords() accepts only str and bytes',
    'kInvalidUtf8': 'invalid utf-8: ',
    'kInvalidUtf8Sequence': 'invalid utf-8 sequence of ',
    'kBytesFromIndex': ' bytes from index ',
    'kIncompleteUtf8': 'incomplete utf-8 byte sequence from index ',
    'kOsErrorPrefix': ' (os error ',
    'kOutputListAllocation': 'failed to allocate output list',
    'kOutputIsSource': "the output '%s' is the source file; choose another output path",
    'kThreadsType': "threads must be an int or None, not '%s'",
    'kThreadsRange': 'threads must be between 1 and 1024',
    'kNotAnArrowColumn': "stem_arrow() takes an Arrow column (an object with __arrow_c_array__ or __arrow_c_stream__), not '",
    'kNotAStringColumn': "stem_arrow() takes a column of Arrow type string, large_string or string_view, not one of format '",
    'kDictionaryEncoded': ' (dictionary-encoded)',
    'kArrowPairType': '__arrow_c_array__() must return a tuple of two capsules',
    'kArrowAlreadyReleased': 'stem_arrow(): the Arrow %s was already released (its capsule was imported or consumed before)',
    'kMalformedArrowArray': 'stem_arrow(): malformed Arrow array: %s',
    'kArrowStreamFailed': 'stem_arrow(): the Arrow stream failed (error %d): %s',
    'kNoMessage': 'no message',
    'kRowNotUtf8': 'stem_arrow(): row %zu is not valid UTF-8',
    'kExportArguments': '__arrow_c_array__() takes at most 1 argument',
    'kSecondInterpreter': 'velmora._velmora does not support subinterpreters: it is already initialised in another interpreter of this process',
    'kUnexpectedNativeFailure': 'unexpected native failure',
    'kNoModuleState': 'velmora._velmora: a class without its module state',
}


def test_the_table_holds_the_texts_callers_match_on():
    assert _velmora._fixed_texts() == EXPECTED


def header(nodes, values=0, root=0):
    """A trie stream's header, empty metadata and value-table count."""
    return b"LXTR" + struct.pack(">iii", 7, nodes, root) + mutf8("") + struct.pack(">i", values)


def load(payload):
    return lambda ctx: TrieBuilder.from_bytes(payload)


def stem_with(command):
    """A one-node model whose only value is `command`, stemming a word with it."""
    return lambda ctx: StemmerCore.from_bytes(image([(1, [], [(0, 1)])], [command])).stem("word")


class Ctx:
    def __init__(self, small_dict, tmp_path):
        self.dict = small_dict
        self.tmp = tmp_path
        self.core = StemmerCore(small_dict, cache_size=0)
        self.builder = TrieBuilder(small_dict)


def pa():
    return pytest.importorskip("pyarrow")


def np():
    return pytest.importorskip("numpy")


class Exporter:
    """An Arrow producer handing out the given capsules."""

    def __init__(self, array=None, stream=None):
        if array is not None:
            self.__arrow_c_array__ = lambda requested_schema=None: array
        if stream is not None:
            self.__arrow_c_stream__ = lambda requested_schema=None: stream


def consumed_twice(ctx):
    capsules = pa().array(["cats"]).__arrow_c_array__()
    ctx.core.stem_arrow(Exporter(array=capsules))
    ctx.core.stem_arrow(Exporter(array=capsules))


def offsets_moved_past_the_data(ctx):
    offsets = np().array([0, 4, 4], dtype=np().int64)
    column = pa().Array.from_buffers(pa().large_string(), 2, [None, pa().py_buffer(offsets), pa().py_buffer(b"cats")])
    offsets[2] = 2**62  # after pyarrow's own checks, as a producer without them would hand it over
    ctx.core.stem_arrow(column)


def view_column(view):
    return pa().Array.from_buffers(pa().string_view(), 1, [None, pa().py_buffer(view), pa().py_buffer(b"cats" * 10)])


_get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
_get_pointer.restype = ctypes.c_void_p
_get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]
GET_NEXT = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
GET_LAST_ERROR = ctypes.CFUNCTYPE(ctypes.c_void_p, ctypes.c_void_p)
_FAILING = [GET_NEXT(lambda stream, out: 5)]  # EIO from every get_next


def failing_stream(message):
    """A stream of a string column whose get_next fails with `message` (None: no text)."""

    def run(ctx):
        capsule = pa().chunked_array([["cats"]]).__arrow_c_stream__()
        stream = _get_pointer(capsule, b"arrow_array_stream")
        text = ctypes.create_string_buffer(message.encode()) if message else None
        last_error = GET_LAST_ERROR(lambda s: ctypes.addressof(text) if text else None)
        _FAILING.append((text, last_error))  # alive as long as the stream may call them
        ctypes.c_void_p.from_address(stream + 8).value = ctypes.cast(_FAILING[0], ctypes.c_void_p).value
        ctypes.c_void_p.from_address(stream + 16).value = ctypes.cast(last_error, ctypes.c_void_p).value
        ctx.core.stem_arrow(Exporter(stream=capsule))

    return run


def export_called_with_two_arguments(ctx, monkeypatch):
    # stem_arrow hands its own export object to pyarrow.array; call it as a consumer could.
    monkeypatch.setattr(pa(), "array", lambda exported: exported.__arrow_c_array__(None, None))
    ctx.core.stem_arrow(pa().chunked_array([["cats"]]))


def module_with_all(value):
    def run(ctx):
        spec = importlib.util.spec_from_file_location(_velmora.__name__, _velmora.__file__)
        module = importlib.util.module_from_spec(spec)
        module.__all__ = value  # before the exec slot adds the classes to it
        spec.loader.exec_module(module)

    return run


def second_interpreter(ctx):
    interpreters = pytest.importorskip("_xxsubinterpreters")
    interp = interpreters.create()
    try:
        interpreters.run_string(interp, "import velmora._velmora")
    except interpreters.RunFailedError as e:
        raise ImportError(str(e)) from None
    finally:
        interpreters.destroy(interp)


class Reentrant:
    """A sequence of pairs whose iteration calls back into the builder."""

    def __init__(self, builder, call):
        self.builder, self.call = builder, call

    def __len__(self):
        return 1

    def __getitem__(self, i):
        if i:
            raise IndexError
        self.call(self.builder)
        return ("a", "b")


def gzip_cut(ctx):
    TrieBuilder.from_bytes(TrieBuilder.from_bytes(b"run\truns\trunning\n").to_bytes()[:-12])


def compiled_source(ctx):
    source = ctx.tmp / "model.vmc"
    source.write_bytes(ctx.builder.to_bytes())
    compile(str(source), str(ctx.tmp / "out.vmc"))


def same_output(ctx):
    compile(ctx.dict, ctx.dict)


# name -> (exception, call): a representative call raising the text. Parts of one message share a call.
TYPE_STR = (TypeError, lambda ctx: StemmerCore(ctx.dict, lookup=1))
TOO_MANY = (TypeError, lambda ctx: ctx.core.stem("a", "b"))
MISSING = (TypeError, lambda ctx: ctx.core.stem())
BAD_BYTES = (UnicodeDecodeError, lambda ctx: ctx.core.stemWord(b"ab\xff"))
VERSION = (ValueError, load(b"LXTR" + struct.pack(">i", 8)))
CHILD = (ValueError, load(image([(0, [("a", 2)], []), (0, [], [])], [])))
NO_VALUE = (ValueError, load(image([(1, [], [])], [])))
VALUE_COUNT = (ValueError, load(image([(1, [], [(0, 0)])], ["Na"])))
TOO_LONG = (MemoryError, lambda ctx: ctx.builder.add("a" * (1 << 15), "b" * (1 << 14)))
DICTIONARY_FIELD = (ValueError, load(b"run\truns\n" + b"x" * ((1 << 20) + 1) + b"\n"))
EXPANDS = (ValueError, load(image([(0, [("a", i + 1), ("b", i + 1)], []) for i in range(40)] + [(1, [], [(0, 1)])], ["Da"])))
LOOKUP = (ValueError, lambda ctx: StemmerCore(ctx.dict, lookup="First"))
DEVICE = (ValueError, lambda ctx: StemmerCore("/dev/null"))
BINARY = (ValueError, lambda ctx: TrieBuilder._from_source(b"\0\xff\xfe binary"))
STREAM = (OSError, failing_stream("producer broke"))

RAISED = {
    "kTargetStr": TYPE_STR,
    "kCannotBeConvertedTo": TYPE_STR,
    "kArgumentPrefix": TYPE_STR,
    "kArgumentPrefixEnd": TYPE_STR,
    "kTargetBool": (TypeError, lambda ctx: StemmerCore(ctx.dict, backward=1)),
    "kTargetBytes": (TypeError, lambda ctx: TrieBuilder.from_bytes(bytearray(b"run\truns\n"))),
    "kTargetTuple": (TypeError, lambda ctx: ctx.builder.add_many([["a", "b"]])),
    "kTargetList": (TypeError, module_with_all("StemmerCore")),
    "kTargetSequence": (TypeError, lambda ctx: ctx.core.stem_all_batch(w for w in ["a"])),
    "kTakes": TOO_MANY,
    "kPositionalArgumentsBut": TOO_MANY,
    "kUnexpectedKeyword": (TypeError, lambda ctx: ctx.core.stem(word="a", other=1)),
    "kMultipleValues": (TypeError, lambda ctx: ctx.core.stem("a", word="a")),
    "kMissing": MISSING,
    "kRequiredPositionalArgument": MISSING,
    "kEmbeddedNull": (ValueError, lambda ctx: StemmerCore("model\0.vmc")),
    "kStrIsNotASequence": (TypeError, lambda ctx: ctx.core.stem_all_batch("abc")),
    "kPairLengthPrefix": (ValueError, lambda ctx: ctx.builder.add_many([("a", "b", "c")])),
    "kCountOutOfRange": (OverflowError, lambda ctx: ctx.builder.add("a", "b", count=2**31)),
    "kCountAtLeastOne": (ValueError, lambda ctx: ctx.builder.add("a", "b", count=0)),
    "kAlreadyBorrowed": (RuntimeError, lambda ctx: ctx.builder.add_many(Reentrant(ctx.builder, lambda b: b.add("x", "y")))),
    "kAlreadyMutablyBorrowed": (RuntimeError, lambda ctx: ctx.builder.add_many(Reentrant(ctx.builder, lambda b: b.to_bytes()))),
    "kStemWordItemType": (TypeError, lambda ctx: ctx.core.stemWord(1)),
    "kStemWordsItemType": (TypeError, lambda ctx: ctx.core.stemWords([1])),
    "kInvalidUtf8": BAD_BYTES,
    "kInvalidUtf8Sequence": BAD_BYTES,
    "kBytesFromIndex": BAD_BYTES,
    "kIncompleteUtf8": (UnicodeDecodeError, lambda ctx: ctx.core.stemWord(b"ab\xc3")),
    "kOsErrorPrefix": (FileNotFoundError, lambda ctx: StemmerCore(str(ctx.tmp / "missing.vmc"))),
    "kOutputIsSource": (ValueError, same_output),
    "kThreadsType": (TypeError, lambda ctx: ctx.core.stem_batch(["a"], threads="2")),
    "kThreadsRange": (ValueError, lambda ctx: ctx.core.stem_batch(["a"], threads=0)),
    "kNotAnArrowColumn": (TypeError, lambda ctx: ctx.core.stem_arrow(["cats"])),
    "kNotAStringColumn": (TypeError, lambda ctx: ctx.core.stem_arrow(pa().array([1]))),
    "kDictionaryEncoded": (TypeError, lambda ctx: ctx.core.stem_arrow(pa().array(["a"]).dictionary_encode())),
    "kArrowPairType": (TypeError, lambda ctx: ctx.core.stem_arrow(Exporter(array=(1,)))),
    "kArrowAlreadyReleased": (ValueError, consumed_twice),
    "kMalformedArrowArray": (ValueError, offsets_moved_past_the_data),
    "kArrowStreamFailed": STREAM,
    "kNoMessage": (OSError, failing_stream(None)),
    "kRowNotUtf8": (ValueError, lambda ctx: ctx.core.stem_arrow(pa().array([b"\xff"], type=pa().binary()).view(pa().string()))),
    "kExportArguments": (TypeError, export_called_with_two_arguments),
    "kSecondInterpreter": (ImportError, second_interpreter),
    # Native errors.
    "kUnexpectedEnd": (ValueError, load(b"LXTR")),
    "kUnsupportedVersion": VERSION,
    "kExpectedVersion": VERSION,
    "kNodeCountRange": (ValueError, load(b"LXTR" + struct.pack(">iii", 7, 2**31 - 1, 0))),
    "kNonZeroRoot": (ValueError, load(b"LXTR" + struct.pack(">iii", 7, 1, 1))),
    "kValueTableCount": (ValueError, load(header(1, values=-1))),
    "kInvalidAcceptingFlag": (ValueError, load(image([(2, [], [])], []))),
    "kAtNode": (ValueError, load(image([(2, [], [])], []))),
    "kInvalidEdgeCount": (ValueError, load(header(1) + b"\0" + struct.pack(">i", 0x10000000))),
    "kLabelsNotAscending": (ValueError, load(image([(0, [("a", 1), ("a", 1)], []), (0, [], [])], []))),
    "kChildNodeId": CHILD,
    "kIsOutOfRange": CHILD,
    "kInvalidValueCount": (ValueError, load(header(1) + b"\0" + struct.pack(">ii", 0, 0x10000000))),
    "kAcceptingNode": NO_VALUE,
    "kHasNoValue": NO_VALUE,
    "kValueId": (ValueError, load(image([(1, [], [(1, 1)])], ["Na"]))),
    "kValueCount": VALUE_COUNT,
    "kMustBePositive": VALUE_COUNT,
    "kDuplicateValueId": (ValueError, load(image([(1, [], [(0, 1), (0, 2)])], ["Na"]))),
    "kCycleThroughNode": (ValueError, load(image([(0, [("a", 1)], []), (0, [("a", 2)], []), (0, [("a", 1)], [])], []))),
    "kUnreachableNode": (ValueError, load(image([(0, [], []), (0, [], [])], []))),
    "kMalformedModifiedUtf8": (ValueError, load(header(1, values=1) + b"\x00\x02\xc3\x28")),
    "kStringTooLong": (ValueError, lambda ctx: (ctx.builder.add("a", "\u4e2d" * 20000), ctx.builder.to_bytes())),
    "kTruncatedImage": (ValueError, gzip_cut),
    "kUnknownOpcode": (ValueError, stem_with("Xa")),
    "kInvalidNoopArg": (ValueError, stem_with("DaNb")),  # a lone N pair is the identity
    "kCannotMakeDominant": (OverflowError, lambda ctx: (ctx.builder.add("cats", "cax", count=2**31 - 1), ctx.builder.add("cats", "cat"))),
    "kCountExceedsFormat": (OverflowError, lambda ctx: (ctx.builder.add("cats", "cax", count=2**31 - 1), ctx.builder.add("cats", "cax", count=1))),
    "kTooLongToEncode": TOO_LONG,
    "kUnits": TOO_LONG,
    "kDictionaryLine": DICTIONARY_FIELD,
    "kFieldLongerThan": DICTIONARY_FIELD,
    "kLineLongerThan": (ValueError, load(b"\0" * ((1 << 24) + 1))),
    "kExpandsPast": EXPANDS,
    "kBuilderNodes": EXPANDS,
    "kInvalidLookupMode": LOOKUP,
    "kExpectedLookupModes": LOOKUP,
    "kAlreadyCompiled": (ValueError, compiled_source),
    "kCannotRead": DEVICE,
    "kNotARegularFile": DEVICE,
    "kCannotReadAs": (ValueError, lambda ctx: StemmerCore._load_checked("/dev/null")),
    "kIsBinary": BINARY,
    "kBadByteShare": BINARY,
    "kHoldsNoEntries": (ValueError, lambda ctx: TrieBuilder._from_source(b"# only a comment\n")),
    "kImageAsSource": (ValueError, lambda ctx: TrieBuilder._from_source(ctx.builder.to_bytes())),
    "kOffsetsOutOfRange": (ValueError, offsets_moved_past_the_data),
    "kOffsetsOutOfOrder": (ValueError, lambda ctx: ctx.core.stem_arrow(pa().Array.from_buffers(
        pa().large_string(), 2, [None, pa().py_buffer(np().array([0, 4, 2], dtype=np().int64)), pa().py_buffer(b"cats")]))),
    "kNegativeViewLength": (ValueError, lambda ctx: ctx.core.stem_arrow(view_column(struct.pack("<i12x", -1)))),
    "kViewOutsideBuffer": (ValueError, lambda ctx: ctx.core.stem_arrow(view_column(struct.pack("<i4sii", 20, b"cats", 0, 100)))),
}

# Texts no call from Python can raise, each with where it is raised instead or why it cannot be.
NOT_RAISED_HERE = {
    "kKeywordsMustBeStrings": "the interpreter refuses a non-str keyword name before the call",
    "kOutputListAllocation": "needs a failed allocation of the result list",
    "kUnexpectedNativeFailure": "needs a C++ exception other than a failed allocation; none is thrown",
    "kNoModuleState": "needs a finaliser calling an instance after the collector cleared its module's state",
    "kBadMagic": "loaders hand the reader only bytes that start with the magic; tests/cpp/image_test.cc",
    "kInflatesPastLimit": "needs gzip data inflating past 4 GiB; tests/cpp/image_test.cc (a lower limit)",
    "kBytes": "shares kInflatesPastLimit's message and the dictionary line limit of 16 MiB",
    "kDeflateInitFailed": "zlib failing to start compressing, and giving no text of its own",
    "kDeflateFailed": "zlib failing to compress in memory, and giving no text of its own",
    "kArrayReleased": "a released array capsule is refused before the reader sees it; tests/cpp/arrow_chunk_test.cc",
    "kNegativeLengthOrOffset": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kNoDataBuffer": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kNoOffsetsBuffer": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kOffsetsBufferRange": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kNoViewsBuffer": "pyarrow refuses (or crashes on) the array first; tests/cpp/arrow_chunk_test.cc",
    "kViewsBufferRange": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kNoBufferSizes": "pyarrow's export always carries the buffer sizes; tests/cpp/arrow_chunk_test.cc",
    "kDataBufferSizeRange": "pyarrow's export always carries true buffer sizes; tests/cpp/arrow_chunk_test.cc",
    "kLengthOrOffsetRange": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kWrongBufferCount": "pyarrow exports the buffers its type has; tests/cpp/arrow_chunk_test.cc",
    "kValidityBufferRange": "pyarrow refuses the array first; tests/cpp/arrow_chunk_test.cc",
    "kHoldsNul": "a warning, returned as text by a checked load; tests/python/test_checked_loading.py",
    "kUndecodableFirstAt": "a warning, returned as text by a checked load; tests/python/test_checked_loading.py",
    "kReadAsReplacement": "a warning, returned as text by a checked load; tests/python/test_checked_loading.py",
}


def test_every_text_is_raised_or_accounted_for():
    assert not set(RAISED) & set(NOT_RAISED_HERE)
    assert set(RAISED) | set(NOT_RAISED_HERE) == set(EXPECTED)


def pattern(text):
    """A printf template as a regular expression: each conversion stands for some text."""
    return ".+?".join(re.escape(part) for part in re.split(r"%(?:zu|d|s)", text))


@pytest.mark.parametrize("name", sorted(RAISED))
def test_each_text_is_raised(name, small_dict, tmp_path, monkeypatch):
    exception, call = RAISED[name]
    ctx = Ctx(small_dict, tmp_path)
    with pytest.raises(exception) as e:
        if call is export_called_with_two_arguments:
            call(ctx, monkeypatch)
        else:
            call(ctx)
    message = e.value.reason if isinstance(e.value, UnicodeDecodeError) else str(e.value)
    assert re.search(pattern(EXPECTED[name]), message), (name, message)

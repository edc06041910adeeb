#!/usr/bin/env python3
"""Generates src/util/unicode_tables.{h,cc} from the Unicode Character Database.

    python tools/gen_unicode_tables.py [--ucd DIR] [--check]

The native core takes every Unicode fact it needs from these tables, so stems do not depend on
the machine: the general category, the canonical combining class, the Lowercase, Uppercase,
Cased, Case_Ignorable and White_Space properties, the full lowercase mapping (root locale,
Final_Sigma aside, which the code handles) and the full canonical decomposition (Hangul
syllables aside, which decompose arithmetically).

The UCD comes from Debian's `unicode-data` package (/usr/share/unicode); its version must be the
pinned one below. Every code point maps, through a two-stage table, to one of a few thousand
distinct records. --check compares the committed files with what the generator would write
and exits 1 on any difference.
"""

from __future__ import annotations

import argparse
import pathlib
import re
import sys

UNICODE_VERSION = "15.0.0"
ROOT = pathlib.Path(__file__).resolve().parent.parent
OUTPUT_H = ROOT / "src/util/unicode_tables.h"
OUTPUT_CC = ROOT / "src/util/unicode_tables.cc"
MAX_CODE_POINT = 0x10FFFF

# General categories in the order of the C++ enum.
CATEGORIES = [
    "Cn", "Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Me", "Mc", "Nd", "Nl", "No", "Zs", "Zl", "Zp",
    "Cc", "Cf", "Co", "Cs", "Pd", "Ps", "Pe", "Pc", "Po", "Sm", "Sc", "Sk", "So", "Pi", "Pf",
]
FLAGS = {"Lowercase": 1, "Uppercase": 2, "Cased": 4, "Case_Ignorable": 8, "White_Space": 16}


def ucd_lines(path: pathlib.Path):
    for line in path.read_text(encoding="utf-8").splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            yield [f.strip() for f in line.split(";")]


def code_range(text: str) -> range:
    first, _, last = text.partition("..")
    return range(int(first, 16), int(last or first, 16) + 1)


def file_version(path: pathlib.Path) -> str:
    match = re.search(r"-(\d+\.\d+\.\d+)\.txt", path.read_text(encoding="utf-8").split("\n", 1)[0])
    return match.group(1) if match else "unknown"


class Database:
    def __init__(self, ucd: pathlib.Path) -> None:
        for name in ("DerivedCoreProperties.txt", "PropList.txt", "SpecialCasing.txt"):
            version = file_version(ucd / name)
            if version != UNICODE_VERSION:
                raise SystemExit(f"{ucd / name} is Unicode {version}; the tables pin {UNICODE_VERSION}")
        n = MAX_CODE_POINT + 1
        self.category = [0] * n
        self.ccc = [0] * n
        self.lower = list(range(n))
        self.decomposition: dict = {}
        self.flags = [0] * n
        self.special_lower: dict = {}
        self._read_unicode_data(ucd / "UnicodeData.txt")
        for fields in ucd_lines(ucd / "SpecialCasing.txt"):
            if len(fields) >= 5 and fields[4]:
                continue  # conditional: Final_Sigma is coded by hand, the rest is language-specific
            lower = [int(x, 16) for x in fields[1].split()]
            if len(lower) != 1:
                self.special_lower[int(fields[0], 16)] = lower
        for name, wanted in (("DerivedCoreProperties.txt", FLAGS), ("PropList.txt", FLAGS)):
            for fields in ucd_lines(ucd / name):
                if fields[1] in wanted:
                    for c in code_range(fields[0]):
                        self.flags[c] |= wanted[fields[1]]

    def _read_unicode_data(self, path: pathlib.Path) -> None:
        raw_decomposition = {}
        first = None
        for fields in ucd_lines(path):
            c = int(fields[0], 16)
            cats = [c]
            if fields[1].endswith(", First>"):
                first = c
                continue
            if fields[1].endswith(", Last>"):
                cats = range(first, c + 1)
            for d in cats:
                self.category[d] = CATEGORIES.index(fields[2])
                self.ccc[d] = int(fields[3])
            if fields[5] and not fields[5].startswith("<"):
                raw_decomposition[c] = [int(x, 16) for x in fields[5].split()]
            if fields[13]:
                self.lower[c] = int(fields[13], 16)

        def full(c: int) -> list:
            if c not in raw_decomposition:
                return [c]
            return [x for part in raw_decomposition[c] for x in full(part)]

        self.decomposition = {c: full(c) for c in raw_decomposition}


def build_records(db: Database):
    pool: list = []
    pool_at: dict = {}

    def pool_offset(seq: list) -> int:
        key = tuple(seq)
        if key not in pool_at:
            pool_at[key] = len(pool)
            pool.extend(seq)
        return pool_at[key]

    records: list = []
    record_at: dict = {}
    index = [0] * (MAX_CODE_POINT + 1)
    for c in range(MAX_CODE_POINT + 1):
        if c in db.special_lower:
            seq = db.special_lower[c]
            lower, lower_length = pool_offset(seq), len(seq)
        else:
            lower, lower_length = db.lower[c] - c, 0
        seq = db.decomposition.get(c)
        decomposition, decomposition_length = (pool_offset(seq), len(seq)) if seq else (0, 0)
        record = (lower, decomposition, decomposition_length, lower_length, db.category[c], db.ccc[c], db.flags[c])
        if record not in record_at:
            record_at[record] = len(records)
            records.append(record)
        index[c] = record_at[record]
    if len(records) > 0xFFFF or len(pool) > 0xFFFF:
        raise SystemExit("tables outgrew their 16-bit indexes")
    return records, index, pool


def two_stage(index: list, shift: int):
    size = 1 << shift
    blocks: list = []
    block_at: dict = {}
    stage1 = []
    for start in range(0, len(index), size):
        block = tuple(index[start:start + size])
        if block not in block_at:
            block_at[block] = len(blocks)
            blocks.append(block)
        stage1.append(block_at[block])
    return stage1, [v for b in blocks for v in b]


def numbers(values, per_line: int = 16, fmt: str = "{}") -> str:
    items = [fmt.format(v) for v in values]
    return "\n".join("    " + ", ".join(items[i:i + per_line]) + "," for i in range(0, len(items), per_line))


HEADER = """\
// Generated by tools/gen_unicode_tables.py from the Unicode Character Database {version}.
// Do not edit: run `make unicode-tables`.
"""


def render(db: Database):
    records, index, pool = build_records(db)
    # The block size with the smallest pair of stages; the lookup shifts by a constant.
    shift = min(range(4, 11), key=lambda s: sum(len(t) for t in two_stage(index, s)))
    stage1, stage2 = two_stage(index, shift)
    head = HEADER.format(version=UNICODE_VERSION)
    categories = "\n".join(f"  k{name}," for name in CATEGORIES)
    flags = "\n".join(f"inline constexpr uint8_t k{name.replace('_', '')} = {bit};" for name, bit in FLAGS.items())
    h = f"""{head}// The record of each code point, found through a two-stage table: kBlockIndex
// names the block of 2^kBlockShift entries in kBlocks that holds the code point's
// record number. See util/unicode.h for the functions that read them.
#pragma once

#include <cstdint>

namespace velmora::unicode_tables {{

inline constexpr char kUnicodeVersion[] = "{UNICODE_VERSION}";

enum class GeneralCategory : uint8_t {{
{categories}
}};

// Bits of UnicodeRecord::flags.
{flags}

struct UnicodeRecord {{
  // With lower_length 0, the simple lowercase mapping's offset from the code
  // point; otherwise the kSequences offset of the full lowercase mapping.
  int32_t lower;
  uint16_t decomposition;          // kSequences offset of the full canonical decomposition
  uint8_t decomposition_length;    // 0: the code point is its own decomposition
  uint8_t lower_length;
  GeneralCategory category;
  uint8_t combining_class;
  uint8_t flags;
}};

inline constexpr int kBlockShift = {shift};
extern const UnicodeRecord kRecords[{len(records)}];
extern const uint16_t kBlockIndex[{len(stage1)}];
extern const uint16_t kBlocks[{len(stage2)}];
extern const char32_t kSequences[{len(pool)}];

}}  // namespace velmora::unicode_tables
"""
    record_lines = "\n".join(
        f"    {{{lo}, {d}, {dl}, {ll}, GeneralCategory::k{CATEGORIES[cat]}, {ccc}, {fl}}},"
        for lo, d, dl, ll, cat, ccc, fl in records
    )
    cc = f"""{head}#include "util/unicode_tables.h"

namespace velmora::unicode_tables {{

const UnicodeRecord kRecords[{len(records)}] = {{
{record_lines}
}};

const uint16_t kBlockIndex[{len(stage1)}] = {{
{numbers(stage1)}
}};

const uint16_t kBlocks[{len(stage2)}] = {{
{numbers(stage2)}
}};

const char32_t kSequences[{len(pool)}] = {{
{numbers(pool, 12, "0x{:04X}")}
}};

}}  // namespace velmora::unicode_tables
"""
    size = len(records) * 12 + len(stage1) * 2 + len(stage2) * 2 + len(pool) * 4
    return h, cc, size


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--ucd", type=pathlib.Path, default=pathlib.Path("/usr/share/unicode"))
    parser.add_argument("--check", action="store_true", help="compare with the committed tables")
    args = parser.parse_args()
    h, cc, size = render(Database(args.ucd))
    if args.check:
        stale = [str(p.relative_to(ROOT)) for p, text in ((OUTPUT_H, h), (OUTPUT_CC, cc))
                 if not p.exists() or p.read_text(encoding="utf-8") != text]
        if stale:
            print(f"out of date with the UCD {UNICODE_VERSION}: {', '.join(stale)}", file=sys.stderr)
            return 1
        print(f"unicode tables match the UCD {UNICODE_VERSION} ({size} bytes of data)")
        return 0
    OUTPUT_H.write_text(h, encoding="utf-8")
    OUTPUT_CC.write_text(cc, encoding="utf-8")
    print(f"wrote {OUTPUT_H.relative_to(ROOT)} and {OUTPUT_CC.relative_to(ROOT)}: Unicode {UNICODE_VERSION}, {size} bytes of data")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#include "image/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

#include "image/format.h"
#include "util/cancellation.h"
#include "util/error_texts.h"

namespace velmora {

Expected<std::string> gzip_compress(std::string_view data) {
  static const unsigned char kHeader[10] = {0x1F, 0x8B, 0x08, 0x00, 0x00,
                                            0x00, 0x00, 0x00, 0x00, 0xFF};
  z_stream zs{};
  if (deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return invalid_data(zs.msg ? zs.msg : texts::kDeflateInitFailed);
  }
  std::string out(reinterpret_cast<const char*>(kHeader), sizeof kHeader);
  const size_t bound = deflateBound(&zs, uLong(data.size()));
  out.resize(sizeof kHeader + bound + 8);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = uInt(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data() + sizeof kHeader);
  zs.avail_out = uInt(bound);
  const int rc = deflate(&zs, Z_FINISH);
  if (rc != Z_STREAM_END) {
    std::string message = zs.msg ? zs.msg : texts::kDeflateFailed;
    deflateEnd(&zs);
    return invalid_data(message);
  }
  out.resize(sizeof kHeader + zs.total_out);
  deflateEnd(&zs);
  const uint32_t crc = uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
  const uint32_t size = uint32_t(data.size());
  for (int i = 0; i < 4; ++i) out.push_back(char((crc >> (8 * i)) & 0xFF));
  for (int i = 0; i < 4; ++i) out.push_back(char((size >> (8 * i)) & 0xFF));
  return out;
}

Expected<std::string> gunzip_if_gzipped(std::string_view data, size_t max_inflated) {
  if (data.size() < 2 || uint8_t(data[0]) != 0x1F || uint8_t(data[1]) != 0x8B) {
    return std::string(data);
  }
  z_stream zs{};
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return std::string(data);
  std::string out;
  // A first guess at the inflated size (dictionaries and images compress about
  // fourfold); the loop below grows the buffer when it is short.
  out.resize(std::min(max_inflated, data.size() < 4096 ? size_t(16384) : data.size() * 4));
  const unsigned char* next_in = reinterpret_cast<const unsigned char*>(data.data());
  size_t in_left = data.size();
  size_t produced = 0;
  int rc = Z_OK;
  bool over_limit = false;
  // zlib counts in 32-bit units: both sides are fed in slices, so buffers and
  // inputs of any size work, and a stalled stream (no progress) ends the loop.
  // Output goes in slices of 16 MiB, between which cancelled work stops.
  constexpr size_t kSlice = size_t(1) << 30;
  constexpr size_t kOutputSlice = size_t(1) << 24;
  bool stopped = false;
  while (rc == Z_OK) {
    if (stop_requested()) {
      stopped = true;
      break;
    }
    if (produced == out.size()) {
      if (out.size() >= max_inflated) {
        over_limit = true;
        break;
      }
      out.resize(std::min(max_inflated, std::max(out.size() * 2, size_t(16384))));
    }
    const size_t in_slice = std::min(in_left, kSlice);
    const size_t out_slice = std::min(out.size() - produced, kOutputSlice);
    zs.next_in = const_cast<Bytef*>(next_in);
    zs.avail_in = uInt(in_slice);
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zs.avail_out = uInt(out_slice);
    rc = inflate(&zs, Z_NO_FLUSH);
    const size_t consumed = in_slice - zs.avail_in;
    const size_t written = out_slice - zs.avail_out;
    next_in += consumed;
    in_left -= consumed;
    produced += written;
    if (rc == Z_BUF_ERROR) {
      // No progress possible: input exhausted (truncated member) unless only output room was short.
      if (in_left == 0 || (consumed == 0 && written == 0 && produced != out.size())) break;
      rc = Z_OK;
    }
  }
  const bool complete = rc == Z_STREAM_END;
  out.resize(produced);
  inflateEnd(&zs);
  if (stopped) return cancelled();
  if (over_limit) {
    return invalid_data(texts::kInflatesPastLimit + std::to_string(max_inflated) +
                        texts::kBytes);
  }
  if (!complete) {
    // A compiled image cut short must not fall back to reading as dictionary text.
    if (out.size() >= 4 && out.compare(0, 4, kTrieStreamMagic, 4) == 0) {
      return invalid_data(texts::kTruncatedImage);
    }
    return std::string(data);
  }
  return out;
}

}  // namespace velmora

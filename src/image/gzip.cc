#include "image/gzip.h"

#include <zlib.h>

#include <cstdint>

namespace velmora {

Expected<std::string> gzip_compress(std::string_view data) {
  static const unsigned char kHeader[10] = {0x1F, 0x8B, 0x08, 0x00, 0x00,
                                            0x00, 0x00, 0x00, 0x00, 0xFF};
  z_stream zs{};
  if (deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return invalid_data(zs.msg ? zs.msg : "deflateInit2 failed");
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
    std::string message = zs.msg ? zs.msg : "deflate failed";
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

std::string gunzip_if_gzipped(std::string_view data) {
  if (data.size() < 2 || uint8_t(data[0]) != 0x1F || uint8_t(data[1]) != 0x8B) {
    return std::string(data);
  }
  z_stream zs{};
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return std::string(data);
  std::string out;
  // A first guess at the inflated size (dictionaries and images compress about
  // fourfold); the loop below grows the buffer when it is short.
  out.resize(data.size() < 4096 ? 16384 : data.size() * 4);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = uInt(data.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (zs.total_out == out.size()) out.resize(out.size() * 2);
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + zs.total_out);
    zs.avail_out = uInt(out.size() - zs.total_out);
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc == Z_BUF_ERROR && zs.avail_out != 0) break;  // input ended early
    if (rc == Z_BUF_ERROR) rc = Z_OK;
  }
  const bool complete = rc == Z_STREAM_END;
  out.resize(zs.total_out);
  inflateEnd(&zs);
  if (!complete) return std::string(data);
  return out;
}

}  // namespace velmora

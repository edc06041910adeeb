#include "image/writer.h"

#include <cstdint>
#include <vector>

#include "image/gzip.h"
#include "image/modified_utf8.h"

namespace velmora {
namespace {

void put_u16(std::string& out, uint32_t v) {
  out.push_back(char((v >> 8) & 0xFF));
  out.push_back(char(v & 0xFF));
}

void put_i32(std::string& out, uint32_t v) {
  out.push_back(char((v >> 24) & 0xFF));
  out.push_back(char((v >> 16) & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
  out.push_back(char(v & 0xFF));
}

}  // namespace

std::string model_metadata_text(const ModelModes& modes) {
  auto line = [](const char* key, const char* value) { return std::string(key) + "=" + value + "\n"; };
  std::string text = "velmora.metadata.v1\nformatVersion=" + std::to_string(kTrieStreamVersion) + "\n";
  text += line(kDirectionKey, metadata_value(modes.direction));
  // The reduction lines describe what build/reduce does (the dominance figures
  // are train/frequency_trie.h's); readers ignore them.
  text +=
      "reductionMode=MERGE_SUBTREES_WITH_EQUIVALENT_DOMINANT_GET_RESULTS\n"
      "dominantWinnerMinPercent=75\n"
      "dominantWinnerOverSecondRatio=3\n"
      "contractUniformSubtrees=true\n";
  text += line(kDiacriticKey, metadata_value(modes.diacritic_mode));
  text += line(kCaseKey, metadata_value(modes.case_mode));
  return text;
}

Expected<std::string> write_trie_stream(const TrieGraph& c, const ModelModes& modes) {
  const size_t nodes = c.accepting.size();
  std::string out;
  out.reserve(6 * c.edge_labels.size() + 1024);
  out.append(kTrieStreamMagic, 4);
  put_i32(out, uint32_t(kTrieStreamVersion));
  put_i32(out, uint32_t(nodes));
  put_i32(out, 0);

  const std::string meta = model_metadata_text(modes);
  const std::u16string meta_units(meta.begin(), meta.end());  // pure ASCII
  if (Status s = write_modified_utf8(out, meta_units); !s) return s.take_error();

  // The graph's command numbering is the image's: freezing assigns it in order of first use.
  put_i32(out, uint32_t(c.commands.size()));
  for (const std::u16string& command : c.commands) {
    if (Status s = write_modified_utf8(out, command); !s) return s.take_error();
  }

  for (size_t n = 0; n < nodes; ++n) {
    out.push_back(char(c.accepting[n]));
    put_i32(out, c.edge_offsets[n + 1] - c.edge_offsets[n]);
    for (uint32_t e = c.edge_offsets[n]; e < c.edge_offsets[n + 1]; ++e) {
      put_u16(out, c.edge_labels[e]);
      put_i32(out, c.edge_children[e]);
    }
    put_i32(out, c.value_offsets[n + 1] - c.value_offsets[n]);
    for (uint32_t v = c.value_offsets[n]; v < c.value_offsets[n + 1]; ++v) {
      put_i32(out, c.value_commands[v]);
      put_i32(out, uint32_t(c.value_counts[v]));
    }
  }
  return out;
}

Expected<std::string> write_compiled_image(const TrieGraph& graph, const ModelModes& modes) {
  auto stream = write_trie_stream(graph, modes);
  if (!stream) return stream.take_error();
  return gzip_compress(*stream);
}

}  // namespace velmora

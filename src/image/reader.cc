#include "image/reader.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "util/utf.h"
#include "image/modified_utf8.h"
#include "util/error_texts.h"

namespace velmora {
namespace {

Error unexpected_end() {
  return Error{ErrorKind::kUnexpectedEnd, texts::kUnexpectedEnd, 0};
}

std::string at_node(uint32_t t) { return texts::kAtNode + std::to_string(t); }

// A cursor over the stream; every read checks the bytes it needs first.
class StreamCursor {
 public:
  explicit StreamCursor(std::string_view s, size_t pos = 0) : s_(s), pos_(pos) {}

  size_t position() const { return pos_; }
  size_t& position_ref() { return pos_; }
  size_t remaining() const { return s_.size() - pos_; }
  bool need(size_t k) const { return remaining() >= k; }

  uint8_t u8() { return uint8_t(s_[pos_++]); }
  uint16_t u16() {
    const uint16_t v = uint16_t((uint8_t(s_[pos_]) << 8) | uint8_t(s_[pos_ + 1]));
    pos_ += 2;
    return v;
  }
  int32_t i32() {
    const uint32_t v = (uint32_t(uint8_t(s_[pos_])) << 24) | (uint32_t(uint8_t(s_[pos_ + 1])) << 16) |
                       (uint32_t(uint8_t(s_[pos_ + 2])) << 8) | uint32_t(uint8_t(s_[pos_ + 3]));
    pos_ += 4;
    return int32_t(v);
  }

 private:
  std::string_view s_;
  size_t pos_;
};

}  // namespace

ModelModes parse_model_metadata(std::string_view text) {
  ModelModes modes;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view line;
    if (end == std::string_view::npos) {
      line = text.substr(pos);
      pos = text.size();
    } else {
      line = text.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pos = end + 1;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string_view value = line.substr(eq + 1);
    // Any value but the non-default spelling reads as the default.
    if (key == kDirectionKey) {
      const auto forward = TraversalDirection::kForward;
      modes.direction = value == metadata_value(forward) ? forward : TraversalDirection::kBackward;
    } else if (key == kCaseKey) {
      const auto as_is = CaseMode::kAsIs;
      modes.case_mode = value == metadata_value(as_is) ? as_is : CaseMode::kLowercaseWithLocaleRoot;
    } else if (key == kDiacriticKey) {
      const auto remove = DiacriticMode::kRemove;
      modes.diacritic_mode = value == metadata_value(remove) ? remove : DiacriticMode::kAsIs;
    }
  }
  return modes;
}

Status check_trie_shape(size_t node_count, const std::vector<uint32_t>& edge_offsets,
                        const std::vector<uint32_t>& edge_children) {
  enum : uint8_t { kUnvisited = 0, kOnStack = 1, kDone = 2 };
  std::vector<uint8_t> mark(node_count, kUnvisited);
  struct Frame {
    uint32_t node;
    uint32_t next_edge;
  };
  std::vector<Frame> stack;
  mark[0] = kOnStack;
  stack.push_back({0, edge_offsets[0]});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_edge == edge_offsets[top.node + 1]) {
      mark[top.node] = kDone;
      stack.pop_back();
      continue;
    }
    const uint32_t c = edge_children[top.next_edge++];
    if (mark[c] == kOnStack) return invalid_data(texts::kCycleThroughNode + std::to_string(c));
    if (mark[c] == kUnvisited) {
      mark[c] = kOnStack;
      stack.push_back({c, edge_offsets[c]});
    }
  }
  for (uint8_t m : mark) {
    if (m == kUnvisited) return invalid_data(texts::kUnreachableNode);
  }
  return ok_status();
}

namespace {

// Checks the fixed header and reads the metadata block; leaves `in` after it.
Expected<ModelModes> read_header(std::string_view stream, StreamCursor& in, int32_t& node_count) {
  const size_t L = stream.size();
  if (L < 4 || stream.substr(0, 4) != std::string_view(kTrieStreamMagic, 4)) {
    return invalid_data(texts::kBadMagic);
  }
  if (L < 8) return unexpected_end();
  const int32_t version = in.i32();
  if (version != kTrieStreamVersion) {
    return invalid_data(texts::kUnsupportedVersion + std::to_string(version) +
                        texts::kExpectedVersion + std::to_string(kTrieStreamVersion) + ")");
  }
  if (L < 12) return unexpected_end();
  node_count = in.i32();
  if (node_count <= 0 || size_t(node_count) > L) {
    return invalid_data(texts::kNodeCountRange);
  }
  if (L < 16) return unexpected_end();
  if (in.i32() != 0) return invalid_data(texts::kNonZeroRoot);
  auto meta = read_modified_utf8(stream, in.position_ref());
  if (!meta) return meta.take_error();
  return parse_model_metadata(to_utf8(*meta));
}

}  // namespace

Expected<ModelModes> read_image_modes(std::string_view stream) {
  StreamCursor in(stream, 4);
  int32_t node_count = 0;
  return read_header(stream, in, node_count);
}

Expected<DecodedImage> read_compiled_image(std::string_view stream) {
  const size_t L = stream.size();
  StreamCursor in(stream, 4);
  int32_t node_count = 0;
  auto modes = read_header(stream, in, node_count);
  if (!modes) return modes.take_error();
  DecodedImage decoded;
  decoded.modes = *modes;
  TrieGraph& graph = decoded.graph;

  if (!in.need(4)) return unexpected_end();
  const int32_t value_count = in.i32();
  if (value_count < 0 || size_t(value_count) > L / 2) {
    return invalid_data(texts::kValueTableCount);
  }
  // Equal texts are interned as they are read: a table of millions of copies
  // of one short command costs one entry plus an id per copy, not a string
  // object per copy (about 48 times the stream's size before).
  std::vector<uint32_t> command_of;  // value-table position -> index into graph.commands
  command_of.reserve(size_t(value_count));
  {
    std::unordered_map<std::u16string, uint32_t> index;
    for (int32_t i = 0; i < value_count; ++i) {
      auto text = read_modified_utf8(stream, in.position_ref());
      if (!text) return text.take_error();
      auto [it, inserted] = index.try_emplace(std::move(text).value(), uint32_t(graph.commands.size()));
      if (inserted) graph.commands.push_back(it->first);
      command_of.push_back(it->second);
    }
  }

  const uint32_t N = uint32_t(node_count);
  graph.accepting.reserve(N);
  graph.edge_offsets.reserve(size_t(N) + 1);
  graph.value_offsets.reserve(size_t(N) + 1);
  graph.edge_offsets.push_back(0);
  graph.value_offsets.push_back(0);
  std::unordered_set<int32_t> seen;
  std::vector<int32_t> node_ids;  // a node's value ids as written, for the duplicate check
  for (uint32_t t = 0; t < N; ++t) {
    if (!in.need(1)) return unexpected_end();
    const uint8_t flag = in.u8();
    if (flag > 1) {
      return invalid_data(texts::kInvalidAcceptingFlag + std::to_string(flag) + at_node(t));
    }
    if (!in.need(4)) return unexpected_end();
    const int32_t edges = in.i32();
    if (edges < 0 || size_t(edges) > in.remaining() / 6) {
      return invalid_data(texts::kInvalidEdgeCount + std::to_string(edges) + at_node(t));
    }
    uint32_t previous_label = 0;
    for (int32_t e = 0; e < edges; ++e) {
      if (!in.need(2)) return unexpected_end();
      const uint16_t label = in.u16();
      if (e > 0 && label <= previous_label) {
        return invalid_data(texts::kLabelsNotAscending + at_node(t));
      }
      previous_label = label;
      if (!in.need(4)) return unexpected_end();
      const int32_t child = in.i32();
      if (child < 0 || child >= node_count) {
        return invalid_data(texts::kChildNodeId + std::to_string(child) + texts::kIsOutOfRange +
                            at_node(t));
      }
      graph.edge_labels.push_back(label);
      graph.edge_children.push_back(uint32_t(child));
    }
    graph.edge_offsets.push_back(uint32_t(graph.edge_labels.size()));

    if (!in.need(4)) return unexpected_end();
    const int32_t values = in.i32();
    if (values < 0 || size_t(values) > in.remaining() / 8) {
      return invalid_data(texts::kInvalidValueCount + std::to_string(values) + at_node(t));
    }
    if (values == 0 && flag == 1) {
      return invalid_data(texts::kAcceptingNode + std::to_string(t) + texts::kHasNoValue);
    }
    // Few values per node are the rule: compare those directly, hash the rest.
    const bool hashed = values > 16;
    node_ids.clear();
    if (hashed) {
      seen.clear();
      seen.reserve(size_t(values));
    }
    for (int32_t k = 0; k < values; ++k) {
      if (!in.need(8)) return unexpected_end();
      const int32_t id = in.i32();
      const int32_t frequency = in.i32();
      if (id < 0 || id >= value_count) {
        return invalid_data(texts::kValueId + std::to_string(id) + texts::kIsOutOfRange + at_node(t));
      }
      if (frequency <= 0) {
        return invalid_data(texts::kValueCount + std::to_string(frequency) + texts::kMustBePositive +
                            at_node(t));
      }
      const bool duplicate =
          hashed ? !seen.insert(id).second
                 : std::find(node_ids.begin(), node_ids.end(), id) != node_ids.end();
      if (duplicate) return invalid_data(texts::kDuplicateValueId + std::to_string(id) + at_node(t));
      if (!hashed) node_ids.push_back(id);
      graph.value_commands.push_back(command_of[size_t(id)]);
      graph.value_counts.push_back(frequency);
    }
    graph.value_offsets.push_back(uint32_t(graph.value_commands.size()));
    graph.accepting.push_back(flag);
  }

  if (Status s = check_trie_shape(N, graph.edge_offsets, graph.edge_children); !s) {
    return s.take_error();
  }
  return decoded;
}

}  // namespace velmora

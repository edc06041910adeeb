#include "lib/model_loading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "builder/rebuild.h"
#include "dict/dictionary.h"
#include "serial/gzip.h"
#include "serial/image_reader.h"
#include "serial/image_writer.h"

namespace velmora {
namespace {

Error os_error(int number) { return Error{ErrorKind::kIo, {}, number}; }

CaseMode case_mode_for(bool lowercase) {
  return lowercase ? CaseMode::kLowercaseWithLocaleRoot : CaseMode::kAsIs;
}

ModelModes dictionary_modes(bool backward, bool lowercase) {
  return ModelModes{backward ? TraversalDirection::kBackward : TraversalDirection::kForward,
                    case_mode_for(lowercase), DiacriticMode::kAsIs};
}

ImageContent image_content(const FrozenTrie& f) {
  return ImageContent{f.edge_offsets, f.edge_labels,    f.edge_children, f.accepting,
                      f.value_offsets, f.value_commands, f.value_counts,  f.commands};
}

// Takes the decoded arrays over; the image is not used afterwards.
Expected<std::shared_ptr<CompiledTrie>> trie_from_image(DecodedImage&& image) {
  std::vector<CompiledPatch> patches;
  patches.reserve(image.value_table.size());
  for (const auto& text : image.value_table) {
    auto compiled = compile_patch(text, image.metadata.backward());
    if (!compiled) return compiled.take_error();
    patches.push_back(std::move(compiled).value());
  }
  DenseTables dense = build_dense_tables(image.edge_offsets, image.edge_labels, image.edge_children);
  TrieArrays arrays{std::move(image.edge_offsets), std::move(image.edge_labels),
                    std::move(image.edge_children), std::move(image.accepting),
                    std::move(image.value_offsets), std::move(image.value_ids)};
  return std::make_shared<CompiledTrie>(std::move(arrays), std::move(patches), std::move(dense),
                                        image.metadata);
}

}  // namespace

Expected<std::string> read_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return os_error(errno);
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) data.reserve(size_t(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int number = errno;
      ::close(fd);
      return os_error(number);
    }
    if (n == 0) break;
    data.append(buffer, size_t(n));
  }
  ::close(fd);
  return data;
}

Status write_file(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return os_error(errno);
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int number = errno;
      ::close(fd);
      return os_error(number);
    }
    done += size_t(n);
  }
  if (::close(fd) != 0) return os_error(errno);
  return ok_status();
}

Expected<std::shared_ptr<CompiledTrie>> trie_from_model_bytes(std::string_view raw,
                                                              const ModelOptions& options) {
  const std::string bytes = gunzip_if_gzipped(raw);
  Expected<std::shared_ptr<CompiledTrie>> trie = Error{};
  if (is_compiled_image(bytes)) {
    auto image = read_compiled_image(bytes);
    if (!image) return image.take_error();
    trie = trie_from_image(std::move(image).value());
  } else {
    FrequencyTrie built = build_frequency_trie(bytes, options.backward, options.store_original);
    trie = build_compiled_trie(freeze(built), dictionary_modes(options.backward, options.lowercase));
  }
  if (!trie) return trie;
  (*trie)->set_case_mode(case_mode_for(options.lowercase));
  (*trie)->set_lookup_mode(options.lookup);
  return trie;
}

Expected<std::shared_ptr<CompiledTrie>> load_model(const std::string& path,
                                                   const ModelOptions& options) {
  auto data = read_file(path);
  if (!data) return data.take_error();
  return trie_from_model_bytes(*data, options);
}

Expected<BuilderModel> builder_from_model_bytes(std::string_view raw, bool backward,
                                                bool store_original, bool lowercase) {
  const std::string bytes = gunzip_if_gzipped(raw);
  BuilderModel model;
  model.store_original = store_original;
  model.lowercase = lowercase;
  if (is_compiled_image(bytes)) {
    auto image = read_compiled_image(bytes);
    if (!image) return image.take_error();
    model.trie = rebuild_from_compiled(*image);
    model.modes = image->metadata;
  } else {
    model.trie = build_frequency_trie(bytes, backward, store_original);
    model.modes = dictionary_modes(backward, lowercase);
  }
  return model;
}

Expected<std::shared_ptr<CompiledTrie>> build_from_builder(const BuilderModel& model,
                                                           LookupMode lookup) {
  auto trie = build_compiled_trie(freeze(model.trie), model.modes);
  if (!trie) return trie;
  (*trie)->set_case_mode(case_mode_for(model.lowercase));
  (*trie)->set_lookup_mode(lookup);
  return trie;
}

Expected<std::string> image_from_builder(const FrequencyTrie& trie, const ModelModes& modes) {
  const FrozenTrie frozen = freeze(trie);
  return write_compiled_image(image_content(frozen), modes);
}

Expected<std::string> compile_dictionary(std::string_view raw, bool backward, bool store_original,
                                         bool lowercase) {
  const std::string bytes = gunzip_if_gzipped(raw);
  if (is_compiled_image(bytes)) return invalid_data("source is already a compiled trie");
  const FrequencyTrie trie = build_frequency_trie(bytes, backward, store_original);
  return image_from_builder(trie, dictionary_modes(backward, lowercase));
}

}  // namespace velmora

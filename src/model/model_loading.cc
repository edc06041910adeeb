#include "model/model_loading.h"

#include "train/dictionary.h"
#include "train/freeze.h"
#include "train/rebuild.h"
#include "command/compiled_patch.h"
#include "image/gzip.h"
#include "image/reader.h"
#include "image/writer.h"
#include "util/cancellation.h"

namespace velmora {
namespace {

CaseMode case_mode_for(bool lowercase) {
  return lowercase ? CaseMode::kLowercaseWithLocaleRoot : CaseMode::kAsIs;
}

ModelModes dictionary_modes(bool backward, bool lowercase) {
  return ModelModes{backward ? TraversalDirection::kBackward : TraversalDirection::kForward,
                    case_mode_for(lowercase), DiacriticMode::kAsIs};
}

}  // namespace

namespace {

Expected<LoadedModel> model_from_bytes(std::string_view raw, const ModelOptions& options) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  const std::string& bytes = *inflated;
  Expected<std::shared_ptr<CompiledTrie>> trie = Error{};
  std::optional<ModelModes> recorded;
  if (is_compiled_image(bytes)) {
    auto image = read_compiled_image(bytes);
    if (!image) return image.take_error();
    recorded = image->modes;
    trie = compile_trie(std::move(image->graph), image->modes);
  } else {
    auto built = build_frequency_trie(bytes, options.backward, options.store_original);
    if (!built) return built.take_error();
    if (stop_requested()) return cancelled();
    trie = compile_trie(freeze(*built), dictionary_modes(options.backward, options.lowercase));
  }
  if (!trie) return trie.take_error();
  (*trie)->set_case_mode(case_mode_for(options.lowercase));
  (*trie)->set_lookup_mode(options.lookup);
  return LoadedModel{std::move(trie).value(), recorded};
}

}  // namespace

Expected<std::shared_ptr<CompiledTrie>> trie_from_model_bytes(std::string_view raw,
                                                              const ModelOptions& options) {
  auto model = model_from_bytes(raw, options);
  if (!model) return model.take_error();
  return std::move(model->trie);
}

Expected<LoadedModel> load_model(const std::string& path, const ModelOptions& options) {
  auto data = read_file(path);
  if (!data) return data.take_error();
  return model_from_bytes(*data, options);
}

Expected<BuilderModel> builder_from_model_bytes(std::string_view raw, bool backward,
                                                bool store_original, bool lowercase) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  const std::string& bytes = *inflated;
  BuilderModel model;
  model.store_original = store_original;
  model.lowercase = lowercase;
  if (is_compiled_image(bytes)) {
    auto image = read_compiled_image(bytes);
    if (!image) return image.take_error();
    // Commands are checked here as the runtime checks them, so that a builder
    // never holds an image that nothing can load.
    for (const auto& text : image->graph.commands) {
      auto compiled = compile_patch(text, image->modes.backward());
      if (!compiled) return compiled.take_error();
    }
    auto rebuilt = rebuild_from_compiled(image->graph);
    if (!rebuilt) return rebuilt.take_error();
    model.trie = std::move(rebuilt).value();
    model.modes = image->modes;
  } else {
    auto built = build_frequency_trie(bytes, backward, store_original);
    if (!built) return built.take_error();
    if (stop_requested()) return cancelled();
    model.trie = std::move(built).value();
    model.modes = dictionary_modes(backward, lowercase);
  }
  return model;
}

Expected<std::shared_ptr<CompiledTrie>> build_from_builder(const BuilderModel& model,
                                                           LookupMode lookup) {
  auto trie = compile_trie(freeze(model.trie), model.modes);
  if (!trie) return trie;
  (*trie)->set_case_mode(case_mode_for(model.lowercase));
  (*trie)->set_lookup_mode(lookup);
  return trie;
}

Expected<std::string> image_from_builder(const FrequencyTrie& trie, const ModelModes& modes) {
  return write_compiled_image(freeze(trie), modes);
}

Expected<std::string> compile_dictionary(std::string_view raw, bool backward, bool store_original,
                                         bool lowercase) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  const std::string& bytes = *inflated;
  if (is_compiled_image(bytes)) return invalid_data("source is already a compiled trie");
  auto trie = build_frequency_trie(bytes, backward, store_original);
  if (!trie) return trie.take_error();
  if (stop_requested()) return cancelled();
  return image_from_builder(*trie, dictionary_modes(backward, lowercase));
}

}  // namespace velmora

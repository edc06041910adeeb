#include "model/model_loading.h"

#include "train/dictionary.h"
#include "train/freeze.h"
#include "train/rebuild.h"
#include "command/compiled_patch.h"
#include "image/gzip.h"
#include "image/reader.h"
#include "image/writer.h"
#include "util/cancellation.h"
#include "util/error_texts.h"

namespace velmora {
namespace {

CaseMode case_mode_for(bool lowercase) {
  return lowercase ? CaseMode::kLowercaseWithLocaleRoot : CaseMode::kAsIs;
}

ModelModes dictionary_modes(const ModelOptions& options) {
  return ModelModes{options.backward ? TraversalDirection::kBackward : TraversalDirection::kForward,
                    case_mode_for(options.lowercase), DiacriticMode::kAsIs};
}

}  // namespace

namespace {

// Dictionary text to a frequency trie; with `check`, binary text and text
// without a word form are refused and the text's warnings collected.
Expected<FrequencyTrie> checked_dictionary(std::string_view bytes, const ModelOptions& options,
                                           const FileNaming* check, std::vector<std::string>& warnings) {
  if (!check) return build_frequency_trie(bytes, options);
  const TextFaults faults = scan_text(bytes);
  if (Status s = refuse_binary(faults, *check); !s) return s.take_error();
  size_t word_forms = 0;
  auto built = build_frequency_trie(bytes, options, &word_forms);
  if (!built) return built.take_error();
  if (word_forms == 0) return no_entries(*check);
  for (auto& warning : text_warnings(faults, *check)) warnings.push_back(std::move(warning));
  return built;
}

}  // namespace

Expected<LoadedModel> load_model_bytes(std::string_view raw, const ModelOptions& options, LookupMode lookup,
                                       const FileNaming* check) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  const std::string& bytes = *inflated;
  Expected<std::shared_ptr<CompiledTrie>> trie = Error{};
  LoadedModel model;
  if (is_compiled_image(bytes)) {
    auto image = read_compiled_image(bytes);
    if (!image) return image.take_error();
    // An image compiled from an empty source loads, but stems nothing.
    if (check && image->graph.value_commands.empty()) return no_entries(*check);
    model.recorded_modes = image->modes;
    trie = compile_trie(std::move(image->graph), image->modes);
  } else {
    auto built = checked_dictionary(bytes, options, check, model.warnings);
    if (!built) return built.take_error();
    if (stop_requested()) return cancelled();
    trie = compile_trie(freeze(*built), dictionary_modes(options));
  }
  if (!trie) return trie.take_error();
  (*trie)->set_case_mode(case_mode_for(options.lowercase));
  (*trie)->set_lookup_mode(lookup);
  model.trie = std::move(trie).value();
  return model;
}

Expected<std::shared_ptr<CompiledTrie>> trie_from_model_bytes(std::string_view raw,
                                                              const ModelOptions& options,
                                                              LookupMode lookup) {
  auto model = load_model_bytes(raw, options, lookup);
  if (!model) return model.take_error();
  return std::move(model->trie);
}

Expected<BuilderModel> builder_from_model_bytes(std::string_view raw, const ModelOptions& options) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  const std::string& bytes = *inflated;
  BuilderModel model;
  model.options = options;
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
    model.options.backward = image->modes.backward();
  } else {
    auto built = build_frequency_trie(bytes, options);
    if (!built) return built.take_error();
    if (stop_requested()) return cancelled();
    model.trie = std::move(built).value();
    model.modes = dictionary_modes(options);
  }
  return model;
}

Expected<BuilderModel> builder_from_source(std::string_view raw, const ModelOptions& options,
                                           const FileNaming& naming, std::vector<std::string>& warnings) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  if (is_compiled_image(*inflated)) return image_as_source(naming);
  auto built = checked_dictionary(*inflated, options, &naming, warnings);
  if (!built) return built.take_error();
  if (stop_requested()) return cancelled();
  BuilderModel model;
  model.trie = std::move(built).value();
  model.modes = dictionary_modes(options);
  model.options = options;
  return model;
}

Expected<std::shared_ptr<CompiledTrie>> build_from_builder(const BuilderModel& model,
                                                           LookupMode lookup) {
  auto trie = compile_trie(freeze(model.trie), model.modes);
  if (!trie) return trie;
  (*trie)->set_case_mode(case_mode_for(model.options.lowercase));
  (*trie)->set_lookup_mode(lookup);
  return trie;
}

Expected<std::string> image_from_builder(const FrequencyTrie& trie, const ModelModes& modes) {
  return write_compiled_image(freeze(trie), modes);
}

Expected<std::string> compile_dictionary(std::string_view raw, const ModelOptions& options) {
  auto inflated = gunzip_if_gzipped(raw);
  if (!inflated) return inflated.take_error();
  const std::string& bytes = *inflated;
  if (is_compiled_image(bytes)) return invalid_data(texts::kAlreadyCompiled);
  auto trie = build_frequency_trie(bytes, options);
  if (!trie) return trie.take_error();
  if (stop_requested()) return cancelled();
  return image_from_builder(*trie, dictionary_modes(options));
}

}  // namespace velmora

// Model loading: gzip detection, image-or-dictionary dispatch, runtime tries
// from either kind, builders from either kind, and compiled images from
// builders. The meeting point of the build, image and runtime rooms; native
// only. The Python classes and the fuzz targets call these.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "train/frequency_trie.h"
#include "model/files.h"
#include "model/model_check.h"
#include "runtime/compiled_trie.h"
#include "util/expected.h"

namespace velmora {

// Builds the runtime trie from model bytes (image or dictionary, gzip or plain).
// Direction and diacritics of an image come from the image, the case mode from
// `options.lowercase`, the lookup mode from the caller.
Expected<std::shared_ptr<CompiledTrie>> trie_from_model_bytes(std::string_view bytes,
                                                              const ModelOptions& options,
                                                              LookupMode lookup = LookupMode::kFirst);

// A runtime trie with the modes its image recorded (nullopt for a dictionary)
// and, from a checked load, the warnings its text deserves.
struct LoadedModel {
  std::shared_ptr<CompiledTrie> trie;
  std::optional<ModelModes> recorded_modes;
  std::vector<std::string> warnings;
};
// Model bytes to a runtime trie and the modes its image recorded, inflated
// once. With `check`, the load also refuses content that cannot serve as a
// model (binary text, no dictionary entries, an image without a rule) and
// collects the warnings of model_check.h; without it, any bytes load.
Expected<LoadedModel> load_model_bytes(std::string_view bytes, const ModelOptions& options,
                                       LookupMode lookup, const FileNaming* check = nullptr);

// An editable builder from model bytes; an image's direction replaces
// `options.backward`.
Expected<BuilderModel> builder_from_model_bytes(std::string_view bytes, const ModelOptions& options);

// An editable builder from a source dictionary the caller names: a compiled
// image, binary text and a dictionary without entries are refused (messages of
// model_check.h); the text's warnings are appended to `warnings`.
Expected<BuilderModel> builder_from_source(std::string_view bytes, const ModelOptions& options,
                                           const FileNaming& naming, std::vector<std::string>& warnings);

// The runtime trie of a builder, with its case mode from `options.lowercase`.
Expected<std::shared_ptr<CompiledTrie>> build_from_builder(const BuilderModel& model,
                                                           LookupMode lookup);

// The compiled image (gzip bytes) of a builder's current content.
Expected<std::string> image_from_builder(const FrequencyTrie& trie, const ModelModes& modes);

// Compiles dictionary bytes into an image; a compiled image as source fails
// with "source is already a compiled trie".
Expected<std::string> compile_dictionary(std::string_view bytes, const ModelOptions& options);

}  // namespace velmora

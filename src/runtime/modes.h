// The mode bytes a model carries: traversal direction, case and diacritic
// handling, and the lookup mode; and the options a caller makes a model with.
// Used by the runtime, build, image and model rooms and the Python layer.
#pragma once

#include <cstdint>

namespace velmora {

enum class TraversalDirection : uint8_t { kBackward = 0, kForward = 1 };
enum class CaseMode : uint8_t { kLowercaseWithLocaleRoot = 0, kAsIs = 1 };
enum class DiacriticMode : uint8_t { kAsIs = 0, kRemove = 1 };
enum class LookupMode : uint8_t { kFirst = 0, kLast = 1, kAll = 2 };

// The options a model carries with it (recorded in images as metadata).
struct ModelModes {
  TraversalDirection direction = TraversalDirection::kBackward;
  CaseMode case_mode = CaseMode::kLowercaseWithLocaleRoot;
  DiacriticMode diacritic_mode = DiacriticMode::kAsIs;

  bool backward() const { return direction == TraversalDirection::kBackward; }
  bool operator==(const ModelModes&) const = default;
};

// The three choices a caller makes about a model, in one place for every room
// that needs any of them: which end of a word the trie is keyed by (a
// dictionary's; an image records its own), whether each stem also maps to
// itself when rules are added, and whether words are lowercased before the
// walk. The defaults are the constructors' defaults.
struct ModelOptions {
  bool backward = true;
  bool store_original = true;
  bool lowercase = true;
};

}  // namespace velmora

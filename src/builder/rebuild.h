// Reconstruction of an editable builder from a compiled image: the shared graph
// is expanded back into a tree that keeps every node's origin, accepting flag,
// values and counts, so that freezing it unchanged gives the same graph.
#pragma once

#include "builder/frequency_trie.h"
#include "serial/image_format.h"

namespace velmora {

FrequencyTrie rebuild_from_compiled(const DecodedImage& image);

}  // namespace velmora

#include "tags/TwinVQ.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TTwinVQ::LoadFromFile(const std::string&) { return false; }

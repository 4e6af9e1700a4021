#include "tags/AACfile.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TAACfile::LoadFromFile(const std::string&) { return false; }

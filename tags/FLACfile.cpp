#include "tags/FLACfile.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TFLACfile::LoadFromFile(const std::string&) { return false; }

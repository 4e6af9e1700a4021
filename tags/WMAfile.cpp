#include "tags/WMAfile.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TWMAfile::LoadFromFile(const std::string&) { return false; }

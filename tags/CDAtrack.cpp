#include "tags/CDAtrack.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TCDAtrack::LoadFromFile(const std::string&) { return false; }

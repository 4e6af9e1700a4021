#include "tags/MPEGplus.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TMPEGplus::LoadFromFile(const std::string&) { return false; }

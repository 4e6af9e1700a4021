#include "tags/MP4file.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TMP4file::LoadFromFile(const std::string&) { return false; }

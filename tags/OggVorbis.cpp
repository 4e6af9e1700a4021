#include "tags/OggVorbis.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TOggVorbis::LoadFromFile(const std::string&) { return false; }

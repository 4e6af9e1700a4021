#include "tags/MPEGaudio.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TMPEGaudio::LoadFromFile(const std::string&) { return false; }

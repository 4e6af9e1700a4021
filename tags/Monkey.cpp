#include "tags/Monkey.h"

// PLACEHOLDER: refuses every file until the reader of this format is built.
bool TMonkey::LoadFromFile(const std::string&) { return false; }

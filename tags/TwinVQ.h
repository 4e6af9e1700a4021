#pragma once
#include "tags/sMediaTag.h"

// PLACEHOLDER: this reader is not built yet; it refuses every file.
class TTwinVQ : public TsMediaTag {
public:
  bool LoadFromFile(const std::string& fileName) override;
};

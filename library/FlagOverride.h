// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A flag of the state set for the time of one call.

namespace library {

// Sets a flag for the time of one call and puts the old value back on every path, an
// exception included.
class FlagOverride {
public:
  FlagOverride(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~FlagOverride() { flag_ = saved_; }
  FlagOverride(const FlagOverride&) = delete;
  FlagOverride& operator=(const FlagOverride&) = delete;

private:
  bool& flag_;
  const bool saved_;
};

}  // namespace library

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers the tests share: a temporary folder and a byte builder for test files.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lyrimate-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? std::filesystem::path(made) : std::filesystem::path();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A path inside the folder, as a string with "/" separators (ASCII names are the same
  // in code page 932 and UTF-8).
  std::string File(std::string_view name) const { return (path_ / std::string(name)).string(); }

private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Builds binary content field by field: Bytes().Text("ID3").U8(3).Be32(10).
class Bytes {
public:
  Bytes() = default;
  Bytes(std::initializer_list<int> bytes) { for (int b : bytes) U8(b); }

  Bytes& U8(int v) { data_.push_back(static_cast<char>(v & 0xFF)); return *this; }
  Bytes& Le16(std::uint32_t v) { return U8(v).U8(v >> 8); }
  Bytes& Be16(std::uint32_t v) { return U8(v >> 8).U8(v); }
  Bytes& Be24(std::uint32_t v) { return U8(v >> 16).U8(v >> 8).U8(v); }
  Bytes& Le32(std::uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
  Bytes& Be32(std::uint32_t v) { return Be16(v >> 16).Be16(v & 0xFFFF); }
  Bytes& Le64(std::uint64_t v) { return Le32(static_cast<std::uint32_t>(v)).Le32(static_cast<std::uint32_t>(v >> 32)); }
  Bytes& Be64(std::uint64_t v) { return Be32(static_cast<std::uint32_t>(v >> 32)).Be32(static_cast<std::uint32_t>(v)); }
  // Four 7-bit groups, most significant first.
  Bytes& Syncsafe32(std::uint32_t v) { return U8((v >> 21) & 0x7F).U8((v >> 14) & 0x7F).U8((v >> 7) & 0x7F).U8(v & 0x7F); }
  Bytes& Text(std::string_view s) { data_.append(s); return *this; }
  Bytes& Append(const Bytes& other) { data_.append(other.data_); return *this; }
  Bytes& Fill(std::size_t count, int v = 0) { data_.append(count, static_cast<char>(v)); return *this; }

  std::size_t size() const { return data_.size(); }
  const std::string& str() const { return data_; }
  operator const std::string&() const { return data_; }

private:
  std::string data_;
};

}  // namespace testing_support

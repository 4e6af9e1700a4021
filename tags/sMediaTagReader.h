// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tag dispatcher: chooses the reader for a file and answers values by property name,
// from the reader's own properties or from the tags it carries (ID3v2, ID3v1, APEtag).
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/sMediaTag.h"

class TsMediaTagReader {
public:
  static constexpr std::size_t ReaderSlotCount = 13;
  using ReaderClassTable = std::array<ReaderFactory, ReaderSlotCount>;

  // A dispatcher over the program's reader classes.
  TsMediaTagReader();
  // A dispatcher over other reader classes (tests): slots 1 to 12 of classes are its fixed
  // slots (tried in the order 1, 12, 2 to 11), slot 0 is not used. The table must outlive
  // the dispatcher.
  explicit TsMediaTagReader(const ReaderClassTable& classes);
  ~TsMediaTagReader() = default;
  TsMediaTagReader(const TsMediaTagReader&) = delete;
  TsMediaTagReader& operator=(const TsMediaTagReader&) = delete;

  // Opens the file once and tries the reader chosen by the file's extension, then the fixed
  // readers, each reading through that one open file; true when one accepted the file (it
  // is then Current). Never throws.
  bool Open(const std::string& fileName);
  // Removes (writes) the tags of Current and of its embedded tags; the result of the last call.
  bool StripTags(const std::string& fileName);
  bool WriteTags(const std::string& fileName);
  // The property names of Current, then those of its embedded tags, each once; empty when
  // there is no Current.
  std::optional<std::vector<std::string>> PropertyNames() const;
  // The value of the named property as code page 932 text; empty when nothing answers.
  std::string GetValue(const std::string& name) const;
  void GetValue(const std::string& name, std::string& value) const { value = GetValue(name); }
  // Sets the named property on Current and on each embedded tag that publishes it.
  // Every failure ends the operation silently.
  void SetValue(const std::string& name, const std::string& value);

  // The reader that accepted the last opened file; null when none.
  TsMediaTag* Current() const { return current_.get(); }

  // The program's reader classes: slot 0 empty, slots 1 to 12 the fixed readers.
  static const ReaderClassTable& StandardReaderClasses();
  // The class that the file name's extension chooses among the fixed slots of classes;
  // null when no extension pattern matches. It depends on the name alone: a name that
  // matches no pattern starts at the fixed slots, whatever was opened before.
  static ReaderFactory ExtensionClass(std::string_view fileName,
                                      const ReaderClassTable& classes = StandardReaderClasses());

private:
  const ReaderClassTable& classes_;
  std::unique_ptr<TsMediaTag> current_;
};

// Pattern matching on code page 932 names: platform::MatchWildcard with "*" jumping to the
// last occurrence of what follows it (never backtracking) and ASCII letters only ignoring case.
bool MatchPatternList(std::string_view name, std::string_view patterns, std::string_view separator);
bool MatchPattern(std::string_view name, std::string_view pattern);
// An absent (null) name or pattern never matches.
bool MatchPattern(const char* name, const char* pattern);
// Byte position of the last occurrence of sub in text (case-insensitive, starting only at
// character boundaries); none when sub does not occur. An empty sub is found at the end.
std::optional<std::size_t> FindLastText(std::string_view text, std::string_view sub);

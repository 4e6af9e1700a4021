// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/sMediaTagReader.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Wildcard.h"
#include "tags/AACfile.h"
#include "tags/AIFFfile.h"
#include "tags/CDAtrack.h"
#include "tags/FLACfile.h"
#include "tags/MP4file.h"
#include "tags/MPEGaudio.h"
#include "tags/MPEGplus.h"
#include "tags/Monkey.h"
#include "tags/OggVorbis.h"
#include "tags/ReaderFaults.h"
#include "tags/TwinVQ.h"
#include "tags/WAVfile.h"
#include "tags/WMAfile.h"

namespace {

// Fixed slots of the reader table (slot 0 stands for the class chosen by extension).
enum ReaderSlot : std::size_t {
  WMAfileSlot = 1,
  MPEGaudioSlot,
  MPEGplusSlot,
  MP4fileSlot,
  OggVorbisSlot,
  MonkeySlot,
  AACfileSlot,
  FLACfileSlot,
  TwinVQSlot,
  WAVfileSlot,
  CDAtrackSlot,
  AIFFfileSlot,
};

// The order in which the fixed slots are tried: the AIFF reader, which recognises its files
// by their content alone, comes before the readers that accept any file with a tag.
constexpr ReaderSlot ProbeOrder[] = {WMAfileSlot, AIFFfileSlot, MPEGaudioSlot, MPEGplusSlot, MP4fileSlot,
                                     OggVorbisSlot, MonkeySlot, AACfileSlot, FLACfileSlot, TwinVQSlot,
                                     WAVfileSlot, CDAtrackSlot};
static_assert(std::size(ProbeOrder) == TsMediaTagReader::ReaderSlotCount - 1);

struct ExtensionRule {
  std::string_view patterns;
  ReaderSlot slot;  // the fixed slot whose class the patterns choose
};

// Tested in this order; the first list that matches chooses the class tried first.
constexpr ExtensionRule ExtensionRules[] = {
    {"*.aac", AACfileSlot},      {"*.ape", MonkeySlot},         {"*.cda", CDAtrackSlot},
    {"*.flac;*.fla", FLACfileSlot}, {"*.ogg", OggVorbisSlot},   {"*.vqf;*.svf", TwinVQSlot},
    {"*.wav", WAVfileSlot},      {"*.asf;*.wma", WMAfileSlot}, {"*.mp?;*.rmp", MPEGaudioSlot},
    {"*.m4a", MP4fileSlot},        {"*.aif;*.aiff;*.aifc", AIFFfileSlot},
};

constexpr std::string_view EmbeddedTagNames[] = {"ID3v2", "ID3v1", "APEtag"};

// The tag object that `owner` publishes under `name`; null when it publishes none (a
// property of another kind with that name is not an embedded tag).
TsMediaTag* EmbeddedTag(TsMediaTag& owner, std::string_view name) {
  const PropertyInfo* info = owner.FindProperty(name);
  if (!info || info->kind != PropKind::Object || !info->get) return nullptr;
  const PropValue value = info->get(owner);
  const auto* tag = std::get_if<TsMediaTag*>(&value);
  return tag ? *tag : nullptr;
}

std::vector<TsMediaTag*> EmbeddedTags(TsMediaTag& owner) {
  std::vector<TsMediaTag*> tags;
  for (std::string_view name : EmbeddedTagNames) {
    if (TsMediaTag* tag = EmbeddedTag(owner, name)) tags.push_back(tag);
  }
  return tags;
}

// Sets one property from text; false when the property is read-only or the text cannot
// become a value of its kind (the caller then stops).
bool SetPropertyFromText(TsMediaTag& object, const PropertyInfo& info, const std::string& text) {
  if (!info.set) return false;
  const std::optional<PropValue> value = PropValueFromText(info.kind, text);
  if (!value) return false;
  info.set(object, *value);
  return true;
}

// The extension patterns' rules: "*" never backtracks, only ASCII letters ignore case.
constexpr platform::WildcardRules PatternRules{platform::WildcardStar::LastOccurrence,
                                               platform::WildcardCase::AsciiLetters};

std::u16string PatternCharacters(std::string_view text) {
  return platform::WildcardCharacters(text, PatternRules.letterCase);
}

}  // namespace

std::optional<std::size_t> FindLastText(std::string_view text, std::string_view sub) {
  const std::size_t hit = PatternCharacters(text).rfind(PatternCharacters(sub));
  if (hit == std::u16string::npos) return std::nullopt;
  std::size_t pos = 0;
  for (std::size_t character = 0; character < hit; ++character) pos = platform::CharNext(text, pos);
  return pos;
}

bool MatchPattern(std::string_view name, std::string_view pattern) {
  return platform::MatchWildcard(name, pattern, PatternRules);
}

bool MatchPattern(const char* name, const char* pattern) {
  if (!name || !pattern) return false;
  return MatchPattern(std::string_view(name), std::string_view(pattern));
}

namespace {

// The pieces of a pattern list, split at every separator that starts at a character boundary;
// empty pieces included.
std::vector<std::string_view> PatternPieces(std::string_view patterns, std::string_view separator) {
  std::vector<std::string_view> pieces;
  std::size_t pieceStart = 0;
  std::size_t pos = 0;
  while (pos < patterns.size()) {
    if (!separator.empty() && patterns.substr(pos, separator.size()) == separator) {
      pieces.push_back(patterns.substr(pieceStart, pos - pieceStart));
      pos += separator.size();
      pieceStart = pos;
    } else {
      pos = platform::CharNext(patterns, pos);
    }
  }
  pieces.push_back(patterns.substr(pieceStart));
  return pieces;
}

bool MatchesAny(std::u16string_view name, const std::vector<std::u16string>& pieces) {
  return std::any_of(pieces.begin(), pieces.end(), [&](const std::u16string& piece) {
    return platform::MatchWildcardCharacters(name, piece, PatternRules.star);
  });
}

struct ConvertedRule {
  std::vector<std::u16string> pieces;
  ReaderSlot slot;
};

// The extension rules in the matcher's form, converted once for every dispatcher (read-only).
const std::vector<ConvertedRule>& ConvertedExtensionRules() {
  static const std::vector<ConvertedRule> rules = [] {
    std::vector<ConvertedRule> converted;
    for (const ExtensionRule& rule : ExtensionRules) {
      ConvertedRule entry{{}, rule.slot};
      for (std::string_view piece : PatternPieces(rule.patterns, ";")) entry.pieces.push_back(PatternCharacters(piece));
      converted.push_back(std::move(entry));
    }
    return converted;
  }();
  return rules;
}

}  // namespace

bool MatchPatternList(std::string_view name, std::string_view patterns, std::string_view separator) {
  std::vector<std::u16string> pieces;
  for (std::string_view piece : PatternPieces(patterns, separator)) pieces.push_back(PatternCharacters(piece));
  return MatchesAny(PatternCharacters(name), pieces);
}

namespace {

// Runs body; in the program an unexpected exception from a reader or tag is swallowed and
// gives fallback, in the fuzz build it passes on so that the fuzzer sees the fault.
template <class Body, class Result>
Result Guarded(Body&& body, Result fallback) {
  if constexpr (SwallowReaderFaults) {
    try {
      return body();
    } catch (...) {
      return fallback;
    }
  } else {
    (void)fallback;
    return body();
  }
}

}  // namespace

const TsMediaTagReader::ReaderClassTable& TsMediaTagReader::StandardReaderClasses() {
  static const ReaderClassTable table = [] {
    ReaderClassTable slots{};
    slots[WMAfileSlot] = &CreateReader<TWMAfile>;
    slots[MPEGaudioSlot] = &CreateReader<TMPEGaudio>;
    slots[MPEGplusSlot] = &CreateReader<TMPEGplus>;
    slots[MP4fileSlot] = &CreateReader<TMP4file>;
    slots[OggVorbisSlot] = &CreateReader<TOggVorbis>;
    slots[MonkeySlot] = &CreateReader<TMonkey>;
    slots[AACfileSlot] = &CreateReader<TAACfile>;
    slots[FLACfileSlot] = &CreateReader<TFLACfile>;
    slots[TwinVQSlot] = &CreateReader<TTwinVQ>;
    slots[WAVfileSlot] = &CreateReader<TWAVfile>;
    slots[CDAtrackSlot] = &CreateReader<TCDAtrack>;
    slots[AIFFfileSlot] = &CreateReader<TAIFFfile>;
    return slots;
  }();
  return table;
}

ReaderFactory TsMediaTagReader::ExtensionClass(std::string_view fileName, const ReaderClassTable& classes) {
  const std::u16string name = PatternCharacters(fileName);
  for (const ConvertedRule& rule : ConvertedExtensionRules()) {
    if (MatchesAny(name, rule.pieces)) return classes[rule.slot];
  }
  return nullptr;
}

TsMediaTagReader::TsMediaTagReader() : classes_(StandardReaderClasses()) {}

TsMediaTagReader::TsMediaTagReader(const ReaderClassTable& classes) : classes_(classes) {}

bool TsMediaTagReader::Open(const std::string& fileName) {
  current_.reset();
  // One open file for every reader tried; a file that cannot be opened reads as empty, and
  // the readers refuse it.
  platform::File file;
  file.Open(fileName, platform::File::Mode::Read);
  auto tryClass = [&](ReaderFactory factory) {
    if (!factory) return false;
    const bool accepted = Guarded(
        [&] {
          current_ = factory();
          return current_ && current_->LoadFrom(file);
        },
        false);
    if (!accepted) current_.reset();
    return accepted;
  };
  // The extension's class first; when it refuses, it is tried again in its fixed slot.
  if (tryClass(ExtensionClass(fileName, classes_))) return true;
  for (ReaderSlot slot : ProbeOrder) {
    if (tryClass(classes_[slot])) return true;
  }
  return false;
}

std::string TsMediaTagReader::GetValue(const std::string& name) const {
  if (!current_ || name.empty()) return {};
  std::string value = current_->PropertyText(name);
  if (!value.empty()) return value;
  // Deliberate: an integer always gives text, so an empty ID3v2 object answers "Track" with
  // 0 and a track number in the ID3v1 tag behind it is never asked (the song list relies on
  // this order).
  for (TsMediaTag* tag : EmbeddedTags(*current_)) {
    value = tag->PropertyText(name);
    if (!value.empty()) break;
  }
  return value;
}

void TsMediaTagReader::SetValue(const std::string& name, const std::string& value) {
  if (!current_ || name.empty()) return;
  // A setter that fails ends the operation.
  Guarded(
      [&] {
        if (const PropertyInfo* info = current_->FindProperty(name)) {
          if (!SetPropertyFromText(*current_, *info, value)) return false;
        }
        for (TsMediaTag* tag : EmbeddedTags(*current_)) {
          if (const PropertyInfo* info = tag->FindProperty(name)) {
            if (!SetPropertyFromText(*tag, *info, value)) return false;
          }
        }
        return true;
      },
      false);
}

bool TsMediaTagReader::StripTags(const std::string& fileName) {
  if (!current_ || fileName.empty()) return false;
  return Guarded(
      [&] {
        bool result = current_->StripFromFile(fileName);
        for (TsMediaTag* tag : EmbeddedTags(*current_)) result = tag->StripFromFile(fileName);
        return result;
      },
      false);
}

bool TsMediaTagReader::WriteTags(const std::string& fileName) {
  if (!current_ || fileName.empty()) return false;
  return Guarded(
      [&] {
        bool result = current_->WriteToFile(fileName);
        for (TsMediaTag* tag : EmbeddedTags(*current_)) result = tag->WriteToFile(fileName);
        return result;
      },
      false);
}

std::optional<std::vector<std::string>> TsMediaTagReader::PropertyNames() const {
  if (!current_) return std::nullopt;
  return Guarded([&]() -> std::optional<std::vector<std::string>> {
    std::vector<std::string> names;
    auto addNames = [&names](const TsMediaTag& object) {
      for (const PropertyInfo& info : object.Properties()) {
        bool present = false;
        for (const std::string& known : names) {
          if (platform::SameTextIgnoringAsciiCase(known, info.name)) { present = true; break; }
        }
        if (!present) names.push_back(info.name);
      }
    };
    addNames(*current_);
    for (TsMediaTag* tag : EmbeddedTags(*current_)) addNames(*tag);
    return names;
  }, std::optional<std::vector<std::string>>());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/sMediaTag.h"

#include <charconv>
#include <cmath>

#include "platform/CodePage.h"
#include "platform/File.h"

namespace {

std::string_view TrimAsciiSpace(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::int64_t DecimalOrZero(std::string_view text) {
  text = TrimAsciiSpace(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

double FloatOrZero(std::string_view text) {
  text = TrimAsciiSpace(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return 0;
  return value;
}

// "1.5e-05" -> "1.5E-5", "1e+20" -> "1E20".
std::string DelphiExponent(std::string_view general) {
  const std::size_t e = general.find('e');
  if (e == std::string_view::npos) return std::string(general);
  std::string result(general.substr(0, e));
  result += 'E';
  std::string_view exponent = general.substr(e + 1);
  if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
    if (exponent.front() == '-') result += '-';
    exponent.remove_prefix(1);
  }
  while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
  result += exponent;
  return result;
}

}  // namespace

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return DelphiExponent(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

std::string PropValueToText(PropKind kind, const PropValue& value) {
  switch (kind) {
    case PropKind::Byte:
    case PropKind::Word:
    case PropKind::Integer:
    case PropKind::Cardinal:
    case PropKind::Int64:
      return std::to_string(PropInt(value));
    case PropKind::Boolean:
      return PropBool(value) ? "True" : "False";
    case PropKind::Double:
      return FloatToText(PropDouble(value));
    case PropKind::ShortString:
    case PropKind::ByteString:
    case PropKind::WideString:
      return PropText(value);
    case PropKind::Record:
    case PropKind::Object:
      break;
  }
  return {};
}

std::optional<PropValue> PropValueFromText(PropKind kind, const std::string& text) {
  switch (kind) {
    case PropKind::Byte:
    case PropKind::Word:
    case PropKind::Integer:
    case PropKind::Cardinal:
    case PropKind::Int64:
      return PropValue(DecimalOrZero(text));
    case PropKind::Boolean: {
      if (platform::SameTextIgnoringAsciiCase(text, "TRUE")) return PropValue(true);
      if (platform::SameTextIgnoringAsciiCase(text, "FALSE")) return PropValue(false);
      return std::nullopt;
    }
    case PropKind::Double:
      return PropValue(FloatOrZero(text));
    case PropKind::ShortString:
    case PropKind::ByteString:
      return PropValue(text);
    case PropKind::WideString:
      return PropValue(platform::Cp932ToUtf16(text));
    case PropKind::Record:
    case PropKind::Object:
      break;
  }
  return std::nullopt;
}

std::int64_t PropInt(const PropValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *i;
  if (const auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  return 0;
}

bool PropBool(const PropValue& value) {
  if (const auto* b = std::get_if<bool>(&value)) return *b;
  return PropInt(value) != 0;
}

double PropDouble(const PropValue& value) {
  if (const auto* d = std::get_if<double>(&value)) return *d;
  return static_cast<double>(PropInt(value));
}

std::string PropText(const PropValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto* w = std::get_if<std::u16string>(&value)) return platform::Utf16ToCp932(*w);
  return {};
}

std::u16string PropWide(const PropValue& value) {
  if (const auto* w = std::get_if<std::u16string>(&value)) return *w;
  if (const auto* s = std::get_if<std::string>(&value)) return platform::Cp932ToUtf16(*s);
  return {};
}

PropertyTable DeriveProperties(const PropertyTable& base, std::vector<PropertyInfo> own) {
  PropertyTable table = base;
  for (auto& info : own) table.push_back(std::move(info));
  return table;
}

TsMediaTag::TsMediaTag() { ClearBase(); }

void TsMediaTag::ClearBase() {
  fileFormat_ = "unknown";
  rawValues_.clear();
}

const PropertyTable& TsMediaTag::BaseProperties() {
  static const PropertyTable table = {
      Published<TsMediaTag>("FileFormat", PropKind::ByteString, &TsMediaTag::FileFormat),
  };
  return table;
}

const PropertyTable& TsMediaTag::Properties() const { return BaseProperties(); }

const PropertyInfo* TsMediaTag::FindProperty(std::string_view name) const {
  for (const auto& info : Properties()) {
    if (platform::SameTextIgnoringAsciiCase(info.name, name)) return &info;
  }
  return nullptr;
}

std::string TsMediaTag::PropertyText(std::string_view name) {
  const PropertyInfo* info = FindProperty(name);
  if (!info || !info->get) return {};
  return PropValueToText(info->kind, info->get(*this));
}

bool TsMediaTag::LoadFromFile(const std::string& fileName) {
  platform::File file;
  file.Open(fileName, platform::File::Mode::Read);
  return LoadFrom(file);
}

bool TsMediaTag::LoadFrom(platform::File& file) {
  ClearFields();
  // A reader that refuses a file has already put its fields in the state it wants.
  if (!ReadFrom(file)) return false;
  if (!file.ReadFailed()) return true;
  ClearFields();
  return false;
}

bool TsMediaTag::ReadFrom(platform::File&) { return false; }
bool TsMediaTag::StripFromFile(const std::string&) { return false; }
bool TsMediaTag::WriteToFile(const std::string&) { return false; }

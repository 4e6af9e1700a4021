#include "tags/sMediaTag.h"

#include "platform/CodePage.h"

namespace {

bool SameNameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (platform::UpperAsciiChar(a[i]) != platform::UpperAsciiChar(b[i])) return false;
  }
  return true;
}

}  // namespace

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
      Published<TsMediaTag>("FileFormat", PropKind::ByteString,
                            [](const TsMediaTag& t) { return t.FileFormat(); }),
  };
  return table;
}

const PropertyTable& TsMediaTag::Properties() const { return BaseProperties(); }

const PropertyInfo* TsMediaTag::FindProperty(std::string_view name) const {
  for (const auto& info : Properties()) {
    if (SameNameIgnoringAsciiCase(info.name, name)) return &info;
  }
  return nullptr;
}

bool TsMediaTag::LoadFromFile(const std::string&) { return false; }
bool TsMediaTag::StripFromFile(const std::string&) { return false; }
bool TsMediaTag::WriteToFile(const std::string&) { return false; }

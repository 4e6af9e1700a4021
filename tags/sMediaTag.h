// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Base of every reader and tag class: published, typed properties looked up by name.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace platform {
class File;
}

class TsMediaTag;

// The kinds of published properties.
enum class PropKind {
  Byte,         // 8-bit unsigned integer
  Word,         // 16-bit unsigned integer
  Integer,      // 32-bit signed integer
  Cardinal,     // 32-bit unsigned integer
  Int64,        // 64-bit integer
  Boolean,      // enumeration False/True
  Double,       // floating point
  ShortString,  // String30 / String04: code page 932 bytes of a fixed capacity
  ByteString,   // code page 932 bytes
  WideString,   // UTF-16
  Record,       // a structure; reads as empty text
  Object,       // an owned tag object (ID3v1, ID3v2, APEtag); reads as empty text
};

// A property value: integer kinds in std::int64_t, Boolean in bool, Double in double,
// short and byte strings in std::string, wide strings in std::u16string, Object as a pointer
// (null when the object is absent), Record as std::monostate.
using PropValue = std::variant<std::monostate, std::int64_t, bool, double, std::string,
                               std::u16string, TsMediaTag*>;

struct PropertyInfo {
  std::string name;
  PropKind kind;
  std::function<PropValue(TsMediaTag&)> get;
  std::function<void(TsMediaTag&, const PropValue&)> set;  // empty: read-only
};

using PropertyTable = std::vector<PropertyInfo>;

// Value accessors for setters (a value of another alternative gives 0 / false / empty).
std::int64_t PropInt(const PropValue& value);
bool PropBool(const PropValue& value);
double PropDouble(const PropValue& value);
std::string PropText(const PropValue& value);
std::u16string PropWide(const PropValue& value);

// A published read-only property of class T: get is called with T&.
template <class T, class Get>
PropertyInfo Published(std::string name, PropKind kind, Get get) {
  return PropertyInfo{std::move(name), kind,
                      [get](TsMediaTag& object) -> PropValue { return get(static_cast<T&>(object)); },
                      {}};
}

// The property value of a getter's result: integers and enumerations widen to 64 bits.
template <class R>
PropValue ToPropValue(const R& value) {
  using V = std::decay_t<R>;
  if constexpr (std::is_same_v<V, bool>) {
    return value;
  } else if constexpr (std::is_integral_v<V> || std::is_enum_v<V>) {
    return static_cast<std::int64_t>(value);
  } else if constexpr (std::is_floating_point_v<V>) {
    return static_cast<double>(value);
  } else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<TsMediaTag, std::remove_cv_t<std::remove_pointer_t<V>>>) {
    return static_cast<TsMediaTag*>(const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(value));
  } else if constexpr (std::is_convertible_v<V, std::string_view>) {
    return std::string(std::string_view(value));
  } else {
    return value;
  }
}

// A published read-only property read through a getter of T without arguments.
template <class T, class R>
PropertyInfo Published(std::string name, PropKind kind, R (T::*getter)() const) {
  return Published<T>(std::move(name), kind,
                      [getter](const T& object) { return ToPropValue((object.*getter)()); });
}

// A published read-write property of class T.
template <class T, class Get, class Set>
PropertyInfo Published(std::string name, PropKind kind, Get get, Set set) {
  PropertyInfo info = Published<T>(std::move(name), kind, get);
  info.set = [set](TsMediaTag& object, const PropValue& value) { set(static_cast<T&>(object), value); };
  return info;
}

// A published read-write text property of class T (a byte string unless kind says otherwise)
// made of a member getter returning the stored text and a member setter taking it.
template <class T>
PropertyInfo TextProperty(std::string name, const std::string& (T::*get)() const,
                          void (T::*set)(const std::string&), PropKind kind = PropKind::ByteString) {
  return Published<T>(
      std::move(name), kind, [get](const T& object) { return (object.*get)(); },
      [set](T& object, const PropValue& value) { (object.*set)(PropText(value)); });
}

// The table of a derived class: the base's properties followed by its own.
PropertyTable DeriveProperties(const PropertyTable& base, std::vector<PropertyInfo> own);

// A double in its shortest general form with up to 15 significant digits and "." as the
// decimal separator: 245.3378, 0.0001, 1E-5, 1E15, -2.5, 0.
std::string FloatToText(double value);

// The text of a value of the given kind: integers in decimal, Boolean "True"/"False",
// doubles by FloatToText, short and byte strings as stored, wide strings in code page 932,
// records and objects empty.
std::string PropValueToText(PropKind kind, const PropValue& value);

// The value of the given kind that a text stands for: integers and doubles in decimal
// (0 when the text is not a number), Boolean by identifier ignoring letter case, strings as
// they are. Empty when the text cannot become a value of the kind (an unknown Boolean
// identifier, a record, an object).
std::optional<PropValue> PropValueFromText(PropKind kind, const std::string& text);

class TsMediaTag {
public:
  TsMediaTag();
  virtual ~TsMediaTag() = default;
  TsMediaTag(const TsMediaTag&) = delete;
  TsMediaTag& operator=(const TsMediaTag&) = delete;

  // The published properties of this object's class, base properties first.
  virtual const PropertyTable& Properties() const;
  // The base's own table ("FileFormat"); derived classes start theirs from it.
  static const PropertyTable& BaseProperties();
  // Finds a published property by name, ignoring letter case; null when not published.
  const PropertyInfo* FindProperty(std::string_view name) const;
  // The published property called name as text (PropValueToText); empty when not published.
  std::string PropertyText(std::string_view name);

  // Opens the file for reading and reads it with LoadFrom (a file that cannot be opened is
  // read as an empty one, which no reader accepts).
  bool LoadFromFile(const std::string& fileName);
  // True when the open file is of this reader's kind. Clears all fields first. A read that
  // fails on an input/output error makes the result false and leaves the cleared state.
  bool LoadFrom(platform::File& file);
  // Removes this tag from the file. The base refuses.
  virtual bool StripFromFile(const std::string& fileName);
  // Writes this object's values into the file as a tag. The base refuses.
  virtual bool WriteToFile(const std::string& fileName);

  const std::string& FileFormat() const { return fileFormat_; }
  std::vector<std::string>& RawValues() { return rawValues_; }
  const std::vector<std::string>& RawValues() const { return rawValues_; }

protected:
  // The reader's own reading of the open file, whose fields arrive cleared: reads, and tells
  // whether the file is of its kind. The base accepts nothing.
  virtual bool ReadFrom(platform::File& file);
  // Back to the cleared state after a failed read; the base clears its own fields.
  virtual void ClearFields() { ClearBase(); }
  void SetFileFormat(std::string format) { fileFormat_ = std::move(format); }
  // Back to the constructor's state: FileFormat "unknown", RawValues empty.
  void ClearBase();

private:
  std::string fileFormat_;
  std::vector<std::string> rawValues_;  // lines "name=value"
};

// The "virtual constructor": each reader class provides one.
using ReaderFactory = std::unique_ptr<TsMediaTag> (*)();

template <class T>
std::unique_ptr<TsMediaTag> CreateReader() {
  return std::make_unique<T>();
}

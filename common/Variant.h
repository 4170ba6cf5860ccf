#pragma once
// Variant: the value kind of host calls and of in-memory table cells.
// Null is distinct from empty text and from 0. Arrays carry the host's error lists, packets carry
// serialised tables (common/DataPacket.h), and Error stands for an exception the host raised
// during a call (the typed wrappers in host/ turn it into a ModuleError).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pt {

class Variant {
 public:
  enum class Kind : uint8_t { Null, Bool, Int, Float, Text, Array, Packet, Error };

  Variant() = default;
  Variant(std::nullptr_t) {}
  Variant(bool v) : v_(v) {}
  Variant(int v) : v_(static_cast<int64_t>(v)) {}
  Variant(long v) : v_(static_cast<int64_t>(v)) {}
  Variant(long long v) : v_(static_cast<int64_t>(v)) {}
  Variant(double v) : v_(v) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(std::string_view v) : v_(std::string(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}

  static Variant MakeArray(std::vector<Variant> items);
  static Variant MakePacket(std::string bytes);
  static Variant MakeError(std::string message);

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool IsNull() const { return kind() == Kind::Null; }
  bool IsText() const { return kind() == Kind::Text; }
  bool IsArray() const { return kind() == Kind::Array; }
  bool IsPacket() const { return kind() == Kind::Packet; }
  bool IsError() const { return kind() == Kind::Error; }
  bool IsNumber() const { return kind() == Kind::Int || kind() == Kind::Float; }

  // Conversions as the host's late-bound calls make them. They throw ModuleError when the value
  // does not convert (an array to text, "abc" to a number, ...). Null gives "", 0, 0.0, false.
  std::string ToText() const;
  int64_t ToInt() const;
  double ToFloat() const;
  bool ToBool() const;

  // Direct access; the caller has checked the kind.
  bool AsBool() const { return std::get<bool>(v_); }
  int64_t AsInt() const { return std::get<int64_t>(v_); }
  double AsFloat() const { return std::get<double>(v_); }
  const std::string& AsText() const { return std::get<std::string>(v_); }
  const std::vector<Variant>& AsArray() const;
  const std::string& AsPacket() const;  // packet bytes
  const std::string& AsError() const;

  // Value equality of kind and content (1 and 1.0 differ; used by tests and Locate).
  bool operator==(const Variant& other) const;
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  struct ArrayBox { std::shared_ptr<const std::vector<Variant>> items; };
  struct PacketBox { std::shared_ptr<const std::string> bytes; };
  struct ErrorBox { std::string message; };
  std::variant<std::monostate, bool, int64_t, double, std::string, ArrayBox, PacketBox, ErrorBox> v_;
};

// Decimal text of a float in the general form the suite writes: up to 15 significant digits,
// no trailing zeros, no exponent for ordinary magnitudes ("3.5", "12", "0.005").
std::string FloatToText(double value);
// Strict conversions of whole texts (surrounding blanks allowed); false when the text is not a
// number. Decimal point is ".".
bool TextToFloat(std::string_view text, double& out);
bool TextToInt(std::string_view text, int64_t& out);

}  // namespace pt

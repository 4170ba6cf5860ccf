#include "common/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/ModuleError.h"

namespace pt {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

Variant Variant::MakeArray(std::vector<Variant> items) {
  Variant v;
  v.v_ = ArrayBox{std::make_shared<const std::vector<Variant>>(std::move(items))};
  return v;
}

Variant Variant::MakePacket(std::string bytes) {
  Variant v;
  v.v_ = PacketBox{std::make_shared<const std::string>(std::move(bytes))};
  return v;
}

Variant Variant::MakeError(std::string message) {
  Variant v;
  v.v_ = ErrorBox{std::move(message)};
  return v;
}

const std::vector<Variant>& Variant::AsArray() const { return *std::get<ArrayBox>(v_).items; }
const std::string& Variant::AsPacket() const { return *std::get<PacketBox>(v_).bytes; }
const std::string& Variant::AsError() const { return std::get<ErrorBox>(v_).message; }

std::string Variant::ToText() const {
  switch (kind()) {
    case Kind::Null: return {};
    case Kind::Bool: return AsBool() ? "True" : "False";
    case Kind::Int: return std::to_string(AsInt());
    case Kind::Float: return FloatToText(AsFloat());
    case Kind::Text: return AsText();
    case Kind::Array: throw ModuleError("无法把数组转换为文本");
    case Kind::Packet: throw ModuleError("无法把数据包转换为文本");
    case Kind::Error: return AsError();
  }
  return {};
}

int64_t Variant::ToInt() const {
  switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Bool: return AsBool() ? -1 : 0;
    case Kind::Int: return AsInt();
    case Kind::Float: {
      double r = std::nearbyint(AsFloat());
      if (!std::isfinite(r) || std::fabs(r) > 9.2e18) throw ModuleError("数值超出整数范围");
      return static_cast<int64_t>(r);
    }
    case Kind::Text: {
      int64_t out = 0;
      if (TextToInt(AsText(), out)) return out;
      double f = 0;
      if (TextToFloat(AsText(), f) && std::fabs(f) < 9.2e18) return static_cast<int64_t>(std::nearbyint(f));
      throw ModuleError("'" + AsText() + "' 不是有效的整数");
    }
    default: throw ModuleError("无法把该值转换为整数");
  }
}

double Variant::ToFloat() const {
  switch (kind()) {
    case Kind::Null: return 0.0;
    case Kind::Bool: return AsBool() ? -1.0 : 0.0;
    case Kind::Int: return static_cast<double>(AsInt());
    case Kind::Float: return AsFloat();
    case Kind::Text: {
      double out = 0;
      if (TextToFloat(AsText(), out)) return out;
      throw ModuleError("'" + AsText() + "' 不是有效的浮点数");
    }
    default: throw ModuleError("无法把该值转换为浮点数");
  }
}

bool Variant::ToBool() const {
  switch (kind()) {
    case Kind::Null: return false;
    case Kind::Bool: return AsBool();
    case Kind::Int: return AsInt() != 0;
    case Kind::Float: return AsFloat() != 0.0;
    case Kind::Text: {
      std::string_view t = TrimBlanks(AsText());
      if (t.size() == 4 && strncasecmp(t.data(), "true", 4) == 0) return true;
      if (t.size() == 5 && strncasecmp(t.data(), "false", 5) == 0) return false;
      double f = 0;
      if (TextToFloat(t, f)) return f != 0.0;
      throw ModuleError("'" + AsText() + "' 不是有效的布尔值");
    }
    default: throw ModuleError("无法把该值转换为布尔值");
  }
}

bool Variant::operator==(const Variant& o) const {
  if (kind() != o.kind()) return false;
  switch (kind()) {
    case Kind::Null: return true;
    case Kind::Bool: return AsBool() == o.AsBool();
    case Kind::Int: return AsInt() == o.AsInt();
    case Kind::Float: return AsFloat() == o.AsFloat();
    case Kind::Text: return AsText() == o.AsText();
    case Kind::Array: return AsArray() == o.AsArray();
    case Kind::Packet: return AsPacket() == o.AsPacket();
    case Kind::Error: return AsError() == o.AsError();
  }
  return false;
}

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string s(buf);
  // %G may give an exponent; keep it in the suite's form (1E20, 1E-7), trailing zeros trimmed.
  auto e = s.find('E');
  std::string mant = e == std::string::npos ? s : s.substr(0, e);
  std::string expo = e == std::string::npos ? "" : s.substr(e + 1);
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  if (expo.empty()) return mant;
  int ex = std::atoi(expo.c_str());
  return mant + "E" + std::to_string(ex);
}

bool TextToFloat(std::string_view text, double& out) {
  std::string_view t = TrimBlanks(text);
  if (t.empty() || t.size() > 64) return false;
  char buf[72];
  std::memcpy(buf, t.data(), t.size());
  buf[t.size()] = 0;
  // Only plain decimal forms: digits, sign, point, exponent. No hex, no inf/nan.
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E')) return false;
  }
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(buf, &end);
  if (end != buf + t.size() || errno == ERANGE || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool TextToInt(std::string_view text, int64_t& out) {
  std::string_view t = TrimBlanks(text);
  if (t.empty() || t.size() > 24) return false;
  char buf[32];
  std::memcpy(buf, t.data(), t.size());
  buf[t.size()] = 0;
  size_t i = (buf[0] == '+' || buf[0] == '-') ? 1 : 0;
  if (i == t.size()) return false;
  for (size_t k = i; k < t.size(); ++k) if (buf[k] < '0' || buf[k] > '9') return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(buf, &end, 10);
  if (end != buf + t.size() || errno == ERANGE) return false;
  out = v;
  return true;
}

}  // namespace pt

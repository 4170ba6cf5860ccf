#include "hostapp/TraceHostService.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "common/DataPacket.h"
#include "host/HostOperations.h"

namespace pt::hostapp {

namespace {

using json = nlohmann::ordered_json;

json Cell(const Variant& v);

json PacketSummary(const std::string& bytes, bool withRecord) {
  try {
    DecodedPacket p = DecodePacket(bytes);
    json fields = json::array();
    for (const auto& f : p.fields) fields.push_back(f.name);
    json out = {{"fields", fields}, {"rows", p.rows.size()}};
    if (withRecord && p.rows.size() == 1) {
      json record = json::object();
      for (size_t i = 0; i < p.fields.size(); ++i) record[p.fields[i].name] = Cell(p.rows[0][i]);
      out["record"] = record;
    }
    return out;
  } catch (const std::exception&) {
    return {{"packet", "damaged"}, {"bytes", bytes.size()}};
  }
}

json Cell(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: return nullptr;
    case Variant::Kind::Bool: return v.AsBool();
    case Variant::Kind::Int: return v.AsInt();
    case Variant::Kind::Float: return v.AsFloat();
    case Variant::Kind::Text: return v.AsText();
    case Variant::Kind::Array: {
      json items = json::array();
      for (const Variant& i : v.AsArray()) items.push_back(Cell(i));
      return items;
    }
    case Variant::Kind::Packet: return PacketSummary(v.AsPacket(), false);
    case Variant::Kind::Error: return {{"error", v.AsError()}};
  }
  return nullptr;
}

json Argument(const Variant& v) { return v.IsPacket() ? PacketSummary(v.AsPacket(), true) : Cell(v); }

std::string LocalTime(std::chrono::system_clock::time_point at) {
  std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  localtime_r(&t, &tm);
  char base[32], zone[8];
  std::strftime(base, sizeof base, "%Y-%m-%dT%H:%M:%S", &tm);
  std::strftime(zone, sizeof zone, "%z", &tm);  // +0800
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
  char out[64];
  std::snprintf(out, sizeof out, "%s.%03d%.3s:%.2s", base, static_cast<int>(ms), zone, zone + 3);
  return out;
}

}  // namespace

TraceHostService::TraceHostService(HostService& inner, const std::string& path) : inner_(inner), path_(path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) throw std::runtime_error("cannot open the trace file " + path + ": " + std::strerror(errno));
}

TraceHostService::~TraceHostService() {
  if (fd_ >= 0) ::close(fd_);
}

Variant TraceHostService::Invoke(int dispId, std::vector<Variant>& args) {
  auto startedAt = std::chrono::system_clock::now();
  json record = {{"time", LocalTime(startedAt)}, {"seq", ++seq_}, {"disp", dispId}, {"op", host::OperationName(dispId)}};
  json in = json::array();
  for (const Variant& a : args) in.push_back(Argument(a));
  record["args"] = in;
  Variant before = args.empty() ? Variant() : args.back();

  auto t0 = std::chrono::steady_clock::now();
  Variant result = inner_.Invoke(dispId, args);
  auto t1 = std::chrono::steady_clock::now();

  record["result"] = Cell(result);
  if (!args.empty()) {
    const Variant& out = args.back();
    if (out.IsArray()) {
      record["errors"] = Cell(out);
    } else if (out.IsPacket() && !(before.IsPacket() && before.AsPacket() == out.AsPacket())) {
      try {
        record["rows"] = DecodePacket(out.AsPacket()).rows.size();
      } catch (const std::exception&) {
        record["rows"] = PacketSummary(out.AsPacket(), false);
      }
    } else if (!out.IsPacket() && out != before) {
      record["value"] = Cell(out);
    }
  }
  record["ms"] = std::round(std::chrono::duration<double, std::milli>(t1 - t0).count() * 1000.0) / 1000.0;
  Append(record.dump(-1, ' ', false, json::error_handler_t::replace) + "\n");
  return result;
}

void TraceHostService::Append(const std::string& line) {
  // One write per record: with O_APPEND the line lands whole at the end, even when another
  // process appends to the same file.
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (!warned_) std::fprintf(stderr, "pricetag-host: cannot write the trace file %s: %s\n", path_.c_str(), std::strerror(errno));
      warned_ = true;
      return;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

std::string ChooseTraceFile(const std::string& option) {
  if (!option.empty()) return option;
  const char* env = std::getenv("PRICETAG_HOST_TRACE");
  return env ? std::string(env) : std::string();
}

}  // namespace pt::hostapp

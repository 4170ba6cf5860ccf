// The SQLite back end: a file (or a private in-memory database) with the SQL Server
// compatibility functions, the collation CI and the catalogue views registered on it.
#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "common/DataPacket.h"
#include "common/GbkCodec.h"
#include "hostapp/HostDatabase.h"
#include "hostapp/SqlDialect.h"

namespace pt::hostapp {

namespace {

constexpr const char* kDateConversion =
    "Conversion failed when converting date and/or time from character string.";

// ---- collation CI: ASCII letters without case, trailing blanks ignored ----------------------

int CompareCi(void*, int na, const void* va, int nb, const void* vb) {
  const unsigned char* a = static_cast<const unsigned char*>(va);
  const unsigned char* b = static_cast<const unsigned char*>(vb);
  while (na > 0 && a[na - 1] == ' ') --na;
  while (nb > 0 && b[nb - 1] == ' ') --nb;
  int n = na < nb ? na : nb;
  for (int i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

// ---- dates ------------------------------------------------------------------------------------

struct DateTime {
  int64_t days = 0;   // since 1970-01-01
  int64_t secs = 0;   // of the day
};

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int ToInt(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

bool ParseTimeOfDay(std::string_view t, int64_t& secs) {
  // HH:MM[:SS[.fff]]
  size_t dot = t.find('.');
  if (dot != std::string_view::npos) {
    if (!AllDigits(t.substr(dot + 1))) return false;
    t = t.substr(0, dot);
  }
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t start = 0;
  while (count < 3) {
    size_t colon = t.find(':', start);
    std::string_view p = t.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    if (!AllDigits(p) || p.size() > 2) return false;
    parts[count++] = ToInt(p);
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
  secs = parts[0] * 3600 + parts[1] * 60 + parts[2];
  return true;
}

// A date as SQL Server reads a text for datetime: YYYYMMDD, YYYY-MM-DD, YYYY/MM/DD or YYYY.MM.DD,
// optionally followed by a time; the empty text is 1900-01-01.
bool ParseDateText(std::string_view s, DateTime& out) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  if (s.empty()) {
    out = DateTime{DaysFromCivil(1900, 1, 1), 0};
    return true;
  }
  std::string_view date = s, time;
  size_t sep = s.find_first_of(" T");
  if (sep != std::string_view::npos) {
    date = s.substr(0, sep);
    time = s.substr(sep + 1);
    while (!time.empty() && time.front() == ' ') time.remove_prefix(1);
  }
  int y, m, d;
  if (date.size() == 8 && AllDigits(date)) {
    y = ToInt(date.substr(0, 4));
    m = ToInt(date.substr(4, 2));
    d = ToInt(date.substr(6, 2));
  } else if (date.size() >= 8 && date.size() <= 10 && (date[4] == '-' || date[4] == '/' || date[4] == '.')) {
    char c = date[4];
    size_t second = date.find(c, 5);
    if (second == std::string_view::npos) return false;
    std::string_view ys = date.substr(0, 4), ms = date.substr(5, second - 5), ds = date.substr(second + 1);
    if (!AllDigits(ys) || !AllDigits(ms) || !AllDigits(ds) || ms.size() > 2 || ds.size() > 2) return false;
    y = ToInt(ys);
    m = ToInt(ms);
    d = ToInt(ds);
  } else {
    return false;
  }
  if (y < 1753 || !IsValidDate(y, m, d)) return false;
  int64_t secs = 0;
  if (!time.empty() && !ParseTimeOfDay(time, secs)) return false;
  out = DateTime{DaysFromCivil(y, m, d), secs};
  return true;
}

// A SQL value as a datetime; false with *error set when it does not convert, nullopt-like
// `isNull` for NULL.
bool ValueToDate(sqlite3_value* v, DateTime& out, bool& isNull) {
  isNull = false;
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: isNull = true; return true;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
      // SQL Server: a number is days since 1900-01-01, the fraction the time of day.
      double d = sqlite3_value_double(v);
      double whole = std::floor(d);
      out.days = DaysFromCivil(1900, 1, 1) + static_cast<int64_t>(whole);
      out.secs = static_cast<int64_t>(std::llround((d - whole) * 86400.0));
      if (out.secs >= 86400) { out.days += 1; out.secs -= 86400; }
      return true;
    }
    default: {
      const unsigned char* t = sqlite3_value_text(v);
      return ParseDateText(std::string_view(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_value_bytes(v))), out);
    }
  }
}

std::string FormatDateTime(const DateTime& dt, bool withTime) {
  CivilDate c = CivilFromDays(dt.days);
  char buf[32];
  if (withTime)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day,
                  static_cast<int>(dt.secs / 3600), static_cast<int>(dt.secs / 60 % 60), static_cast<int>(dt.secs % 60));
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Datetime values are texts here; their subtype tells pt_convert that they are dates, whose
// text form depends on the style (a text that merely looks like a date is only cut).
constexpr unsigned kDateSubtype = 'D';

void ResultDateTime(sqlite3_context* ctx, const DateTime& dt, bool withTime) {
  ResultText(ctx, FormatDateTime(dt, withTime));
  sqlite3_result_subtype(ctx, kDateSubtype);
}

void FnDatetime(sqlite3_context* ctx, int, sqlite3_value** argv) {
  DateTime dt;
  bool isNull;
  if (!ValueToDate(argv[0], dt, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  ResultDateTime(ctx, dt, true);
}

void FnDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  DateTime dt;
  bool isNull;
  if (!ValueToDate(argv[0], dt, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  ResultDateTime(ctx, dt, false);
}

std::string PartOf(sqlite3_value* v) {
  const unsigned char* t = sqlite3_value_text(v);
  return t ? AsciiLower(reinterpret_cast<const char*>(t)) : std::string();
}

// Weeks counted as SQL Server counts their boundaries (weeks start on Sunday).
int64_t WeekIndex(int64_t days) {
  // 1970-01-01 was a Thursday; shift so that Sundays start weeks.
  int64_t shifted = days + 4;
  return shifted >= 0 ? shifted / 7 : (shifted - 6) / 7;
}

void FnDatediff(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  DateTime a, b;
  bool na, nb;
  if (!ValueToDate(argv[1], a, na) || !ValueToDate(argv[2], b, nb))
    return sqlite3_result_error(ctx, kDateConversion, -1);
  if (na || nb) return sqlite3_result_null(ctx);
  CivilDate ca = CivilFromDays(a.days), cb = CivilFromDays(b.days);
  int64_t r;
  if (part == "day" || part == "dayofyear") r = b.days - a.days;
  else if (part == "month") r = (cb.year * 12 + cb.month) - (ca.year * 12 + ca.month);
  else if (part == "year") r = cb.year - ca.year;
  else if (part == "quarter") r = (cb.year * 4 + (cb.month - 1) / 3) - (ca.year * 4 + (ca.month - 1) / 3);
  else if (part == "week") r = WeekIndex(b.days) - WeekIndex(a.days);
  else if (part == "hour") r = (b.days * 24 + b.secs / 3600) - (a.days * 24 + a.secs / 3600);
  else if (part == "minute") r = (b.days * 1440 + b.secs / 60) - (a.days * 1440 + a.secs / 60);
  else if (part == "second") r = (b.days * 86400 + b.secs) - (a.days * 86400 + a.secs);
  else return sqlite3_result_error(ctx, ("'" + part + "' is not a recognized datediff option.").c_str(), -1);
  sqlite3_result_int64(ctx, r);
}

void FnDateadd(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int64_t n = sqlite3_value_int64(argv[1]);
  DateTime d;
  bool isNull;
  if (!ValueToDate(argv[2], d, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  if (part == "day" || part == "dayofyear") d.days += n;
  else if (part == "week") d.days += 7 * n;
  else if (part == "month" || part == "year" || part == "quarter") {
    int64_t months = part == "month" ? n : part == "year" ? 12 * n : 3 * n;
    CivilDate c = CivilFromDays(d.days);
    int64_t index = c.year * 12 + (c.month - 1) + months;
    int y = static_cast<int>(index / 12), m = static_cast<int>(index % 12 + 1), day = c.day;
    while (!IsValidDate(y, m, day)) --day;  // the 31st of a short month becomes its last day
    d.days = DaysFromCivil(y, m, day);
  } else {
    int64_t secs = part == "hour" ? 3600 * n : part == "minute" ? 60 * n : part == "second" ? n : INT64_MIN;
    if (secs == INT64_MIN) return sqlite3_result_error(ctx, ("'" + part + "' is not a recognized dateadd option.").c_str(), -1);
    int64_t total = d.days * 86400 + d.secs + secs;
    d.days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
    d.secs = total - d.days * 86400;
  }
  ResultDateTime(ctx, d, true);
}

void FnDatepart(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  DateTime d;
  bool isNull;
  if (!ValueToDate(argv[1], d, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  CivilDate c = CivilFromDays(d.days);
  int64_t r;
  if (part == "year") r = c.year;
  else if (part == "month") r = c.month;
  else if (part == "day") r = c.day;
  else if (part == "quarter") r = (c.month - 1) / 3 + 1;
  else if (part == "dayofyear") r = d.days - DaysFromCivil(c.year, 1, 1) + 1;
  else if (part == "weekday") r = ((d.days + 4) % 7 + 7) % 7 + 1;  // Sunday 1
  else if (part == "hour") r = d.secs / 3600;
  else if (part == "minute") r = d.secs / 60 % 60;
  else if (part == "second") r = d.secs % 60;
  else return sqlite3_result_error(ctx, ("'" + part + "' is not a recognized datepart option.").c_str(), -1);
  sqlite3_result_int64(ctx, r);
}

void FnGetdate(sqlite3_context* ctx, int, sqlite3_value**) {
  auto* clock = static_cast<const ServerClock*>(sqlite3_user_data(ctx));
  std::string dt = clock ? clock->DateTime() : ServerClock().DateTime();  // YYYYMMDDHHNNSS
  std::string s = dt.substr(0, 4) + "-" + dt.substr(4, 2) + "-" + dt.substr(6, 2) + " " + dt.substr(8, 2) + ":" +
                  dt.substr(10, 2) + ":" + dt.substr(12, 2);
  ResultText(ctx, s);
  sqlite3_result_subtype(ctx, kDateSubtype);
}

// The stand-in server's language is us_english.
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

void FnDatename(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::string part = PartOf(argv[0]);
  if (part != "month" && part != "weekday") return FnDatepart(ctx, argc, argv), void();
  DateTime d;
  bool isNull;
  if (!ValueToDate(argv[1], d, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
  if (isNull) return sqlite3_result_null(ctx);
  if (part == "month") return ResultText(ctx, kMonthNames[CivilFromDays(d.days).month - 1]);
  ResultText(ctx, kDayNames[((d.days + 4) % 7 + 7) % 7]);
}

// A datetime written by a CONVERT style (0 when the text was cast).
bool FormatStyle(const DateTime& dt, int64_t style, std::string& out) {
  CivilDate c = CivilFromDays(dt.days);
  int h = static_cast<int>(dt.secs / 3600), mi = static_cast<int>(dt.secs / 60 % 60), ss = static_cast<int>(dt.secs % 60);
  bool century = style >= 100 || style == 20 || style == 21 || style == 23 || style == 0;
  int64_t base = style >= 100 ? style - 100 : style;
  char y[8], buf[64];
  if (century) std::snprintf(y, sizeof y, "%04d", c.year);
  else std::snprintf(y, sizeof y, "%02d", c.year % 100);
  switch (style == 20 || style == 21 || style == 23 || style >= 120 ? style : base) {
    case 0: {
      int h12 = h % 12 == 0 ? 12 : h % 12;
      std::snprintf(buf, sizeof buf, "%.3s %2d %04d %2d:%02d%s", kMonthNames[c.month - 1], c.day, c.year, h12, mi,
                    h < 12 ? "AM" : "PM");
      break;
    }
    case 1: std::snprintf(buf, sizeof buf, "%02d/%02d/%s", c.month, c.day, y); break;
    case 2: std::snprintf(buf, sizeof buf, "%s.%02d.%02d", y, c.month, c.day); break;
    case 3: std::snprintf(buf, sizeof buf, "%02d/%02d/%s", c.day, c.month, y); break;
    case 4: std::snprintf(buf, sizeof buf, "%02d.%02d.%s", c.day, c.month, y); break;
    case 5: std::snprintf(buf, sizeof buf, "%02d-%02d-%s", c.day, c.month, y); break;
    case 8: std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, ss); break;
    case 10: std::snprintf(buf, sizeof buf, "%02d-%02d-%s", c.month, c.day, y); break;
    case 11: std::snprintf(buf, sizeof buf, "%s/%02d/%02d", y, c.month, c.day); break;
    case 12: std::snprintf(buf, sizeof buf, "%s%02d%02d", y, c.month, c.day); break;
    case 20: case 120:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, h, mi, ss);
      break;
    case 21: case 121:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.000", c.year, c.month, c.day, h, mi, ss);
      break;
    case 23: std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day); break;
    case 126: std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, h, mi, ss); break;
    default: return false;
  }
  out = buf;
  return true;
}

// pt_convert(x, n, style): CONVERT(varchar(n), x, style) and CAST(x AS varchar(n)). A date is
// written by the style; every value is cut to n characters (0: no limit), as the server cuts
// a text converted to a shorter text type.
void FnConvert(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  int64_t n = sqlite3_value_int64(argv[1]);
  int64_t style = sqlite3_value_int64(argv[2]);
  std::string text;
  if (sqlite3_value_subtype(argv[0]) == kDateSubtype) {
    DateTime dt;
    bool isNull;
    if (!ValueToDate(argv[0], dt, isNull)) return sqlite3_result_error(ctx, kDateConversion, -1);
    if (!FormatStyle(dt, style, text))
      return sqlite3_result_error(ctx, (std::to_string(style) + " is not a valid style number when converting from datetime to a character string.").c_str(), -1);
  } else {
    text = std::string(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), static_cast<size_t>(sqlite3_value_bytes(argv[0])));
  }
  if (n > 0) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i)
      if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    if (static_cast<size_t>(n) < starts.size()) text = text.substr(0, starts[static_cast<size_t>(n)]);
  }
  ResultText(ctx, text);
}

// pt_fits(x, n): a text column of n bytes (GBK, as the server's code page counts them) takes x,
// else the statement fails as on the server.
void FnFits(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return sqlite3_result_int(ctx, 1);
  std::string_view v(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), static_cast<size_t>(sqlite3_value_bytes(argv[0])));
  int64_t n = sqlite3_value_int64(argv[1]);
  if (static_cast<int64_t>(GbkLength(v)) <= n) return sqlite3_result_int(ctx, 1);
  std::string msg = "String or binary data would be truncated: '" + std::string(v) + "' is longer than " +
                    std::to_string(n) + " bytes.";
  sqlite3_result_error(ctx, msg.c_str(), -1);
}

// pt_pad(x, n): a fixed-width text column stores its value padded with blanks.
void FnPad(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return sqlite3_result_value(ctx, argv[0]);
  std::string v(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), static_cast<size_t>(sqlite3_value_bytes(argv[0])));
  int64_t n = sqlite3_value_int64(argv[1]);
  if (static_cast<int64_t>(GbkLength(v)) < n) v.append(static_cast<size_t>(n - static_cast<int64_t>(GbkLength(v))), ' ');
  ResultText(ctx, v);
}

// ---- the server's conversions of texts to numbers ------------------------------------------------

// A text as the server reads it for a number: blanks around, a sign, digits, a decimal point.
bool TextNumber(std::string_view t, double& out, bool& whole) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (t.empty()) {  // the server reads an empty text as 0
    out = 0;
    whole = true;
    return true;
  }
  size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  bool digits = false, dot = false;
  for (size_t k = i; k < t.size(); ++k) {
    if (t[k] >= '0' && t[k] <= '9') digits = true;
    else if (t[k] == '.' && !dot) dot = true;
    else return false;
  }
  if (!digits) return false;
  out = std::strtod(std::string(t).c_str(), nullptr);
  whole = !dot;
  return true;
}

void ConversionError(sqlite3_context* ctx, sqlite3_value* v, bool toInt) {
  std::string text(reinterpret_cast<const char*>(sqlite3_value_text(v)), static_cast<size_t>(sqlite3_value_bytes(v)));
  std::string msg = toInt ? "Conversion failed when converting the varchar value '" + text + "' to data type int."
                          : "Error converting data type varchar to float.";
  sqlite3_result_error(ctx, msg.c_str(), -1);
}

// pt_num(x): a value compared with a number, as the server converts it.
void FnNum(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return sqlite3_result_value(ctx, argv[0]);
  double d;
  bool whole;
  std::string_view t(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), static_cast<size_t>(sqlite3_value_bytes(argv[0])));
  if (!TextNumber(t, d, whole)) return ConversionError(ctx, argv[0], true);
  if (whole && std::fabs(d) < 9.2e18) return sqlite3_result_int64(ctx, static_cast<int64_t>(d));
  sqlite3_result_double(ctx, d);
}

// pt_add(a, b): "+" as the server does it: texts are joined, numbers added, and a text beside a
// number is converted to a number (a text that is none fails the statement).
void FnAdd(sqlite3_context* ctx, int, sqlite3_value** argv) {
  int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
  if (ta == SQLITE_NULL || tb == SQLITE_NULL) return sqlite3_result_null(ctx);
  if (ta == SQLITE_BLOB || tb == SQLITE_BLOB) return sqlite3_result_error(ctx, "Operand type clash: varbinary is incompatible with +", -1);
  if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
    std::string joined(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    joined.append(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), static_cast<size_t>(sqlite3_value_bytes(argv[1])));
    return ResultText(ctx, joined);
  }
  double v[2];
  bool isInt[2];
  for (int k = 0; k < 2; ++k) {
    int t = k ? tb : ta;
    if (t == SQLITE_INTEGER) {
      v[k] = static_cast<double>(sqlite3_value_int64(argv[k]));
      isInt[k] = true;
    } else if (t == SQLITE_FLOAT) {
      v[k] = sqlite3_value_double(argv[k]);
      isInt[k] = false;
    } else {
      bool whole;
      std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(argv[k])), static_cast<size_t>(sqlite3_value_bytes(argv[k])));
      int other = k ? ta : tb;
      if (!TextNumber(text, v[k], whole) || (other == SQLITE_INTEGER && !whole)) return ConversionError(ctx, argv[k], other == SQLITE_INTEGER);
      isInt[k] = other == SQLITE_INTEGER;
    }
  }
  if (isInt[0] && isInt[1]) return sqlite3_result_int64(ctx, static_cast<int64_t>(v[0]) + static_cast<int64_t>(v[1]));
  sqlite3_result_double(ctx, v[0] + v[1]);
}

// pt_single(x): the one value of a subquery used as a value; a second row fails as on the server.
struct Single {
  int64_t rows;
  sqlite3_value* value;
};
void SingleStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* s = static_cast<Single*>(sqlite3_aggregate_context(ctx, sizeof(Single)));
  if (!s) return sqlite3_result_error_nomem(ctx);
  if (++s->rows > 1) {
    return sqlite3_result_error(ctx,
                                "Subquery returned more than 1 value. This is not permitted when the subquery follows =, "
                                "!=, <, <= , >, >= or when the subquery is used as an expression.",
                                -1);
  }
  s->value = sqlite3_value_dup(argv[0]);
}
void SingleFinal(sqlite3_context* ctx) {
  auto* s = static_cast<Single*>(sqlite3_aggregate_context(ctx, 0));
  if (!s || s->rows == 0) return sqlite3_result_null(ctx);
  if (s->rows > 1) {
    sqlite3_value_free(s->value);
    return sqlite3_result_error(ctx,
                                "Subquery returned more than 1 value. This is not permitted when the subquery follows =, "
                                "!=, <, <= , >, >= or when the subquery is used as an expression.",
                                -1);
  }
  sqlite3_result_value(ctx, s->value);
  sqlite3_value_free(s->value);
}

// ---- numbers and texts -------------------------------------------------------------------------

// The amounts are money on the server, so ceiling sees exact decimals there; on binary floating
// point 0.7*10 is 7.000000000000001, whose ceiling would be 8. A value within a hair of a whole
// number is taken as that number.
void FnCeiling(sqlite3_context* ctx, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: return sqlite3_result_null(ctx);
    case SQLITE_INTEGER: return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    default: {
      double x = sqlite3_value_double(argv[0]);
      double nearest = std::nearbyint(x);
      double tolerance = 1e-9 * std::fmax(1.0, std::fabs(x));
      sqlite3_result_double(ctx, std::fabs(x - nearest) <= tolerance ? nearest : std::ceil(x));
    }
  }
}

// UTF-8 character boundaries: SQL Server counts characters in left/right/len.
std::vector<size_t> CharStarts(std::string_view s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

std::string_view ArgText(sqlite3_value* v) {
  const unsigned char* t = sqlite3_value_text(v);
  return std::string_view(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_value_bytes(v)));
}

void LeftRight(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  int64_t n = sqlite3_value_int64(argv[1]);
  if (n < 0)
    return sqlite3_result_error(
        ctx, left ? "Invalid length parameter passed to the left function." : "Invalid length parameter passed to the right function.", -1);
  std::string_view s = ArgText(argv[0]);
  std::vector<size_t> starts = CharStarts(s);
  size_t chars = starts.size();
  if (static_cast<size_t>(n) >= chars) return ResultText(ctx, std::string(s));
  if (left) return ResultText(ctx, std::string(s.substr(0, starts[static_cast<size_t>(n)])));
  ResultText(ctx, std::string(s.substr(starts[chars - static_cast<size_t>(n)])));
}

void FnLeft(sqlite3_context* ctx, int, sqlite3_value** argv) { LeftRight(ctx, argv, true); }
void FnRight(sqlite3_context* ctx, int, sqlite3_value** argv) { LeftRight(ctx, argv, false); }

void FnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string_view s = ArgText(argv[0]);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  sqlite3_result_int64(ctx, static_cast<int64_t>(CharStarts(s).size()));
}

void FnCharindex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  std::string needle = AsciiLower(ArgText(argv[0]));
  std::string hay = AsciiLower(ArgText(argv[1]));
  std::vector<size_t> starts = CharStarts(hay);
  int64_t from = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
  if (from < 1) from = 1;
  if (static_cast<size_t>(from) > starts.size()) return sqlite3_result_int64(ctx, 0);
  size_t pos = hay.find(needle, starts[static_cast<size_t>(from - 1)]);
  if (pos == std::string::npos || needle.empty()) return sqlite3_result_int64(ctx, 0);
  int64_t index = 1;
  for (size_t st : starts) {
    if (st >= pos) break;
    ++index;
  }
  sqlite3_result_int64(ctx, index);
}

// ---- catalogue ----------------------------------------------------------------------------------

// A stable positive id for a table name (SQL Server's object ids are arbitrary numbers too).
int64_t NameId(std::string_view name) {
  uint32_t h = 2166136261u;
  for (char c : AsciiLower(name)) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return static_cast<int64_t>(h & 0x7fffffff) + 1;
}

void FnObjid(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, NameId(ArgText(argv[0])));
}

void FnObjectId(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string name(ArgText(argv[0]));
  // "dbo.tbsptj" and "[tbsptj]" name the same table.
  if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  sqlite3_stmt* st = nullptr;
  bool exists = false;
  if (sqlite3_prepare_v2(sqlite3_context_db_handle(ctx),
                         "SELECT 1 FROM sqlite_schema WHERE type IN ('table','view') AND name=?1 COLLATE NOCASE", -1, &st,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_text(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    exists = sqlite3_step(st) == SQLITE_ROW;
  }
  sqlite3_finalize(st);
  if (!exists) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, NameId(name));
}

std::string DbMessage(sqlite3* db) { return sqlite3_errmsg(db); }

// "no such column: v" where v is a select-list alias of the statement (renamed by the dialect
// layer, so that only ORDER BY finds it): the server's message, naming what went wrong.
std::string AliasMessage(const std::string& message, std::string_view sql) {
  const std::string prefix = "no such column: ";
  if (message.rfind(prefix, 0) != 0) return message;
  std::string name = message.substr(prefix.size());
  std::string renamed = AsciiLower("\"" + name + std::string(1, kAliasMark) + "\"");
  if (AsciiLower(sql).find(renamed) == std::string::npos) return message;
  return "Invalid column name '" + name + "': a select-list alias cannot be used in WHERE, GROUP BY, HAVING or ON.";
}

}  // namespace

void RegisterSqlServerDialect(sqlite3* db_, const ServerClock* clock) {
  sqlite3_create_collation(db_, "CI", SQLITE_UTF8, nullptr, CompareCi);
  const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  struct Fn {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    int flags;
  };
  const Fn fns[] = {
      {"ceiling", 1, FnCeiling, pure},
      {"pt_left", 2, FnLeft, pure},
      {"pt_right", 2, FnRight, pure},
      {"len", 1, FnLen, pure},
      {"charindex", 2, FnCharindex, pure},
      {"charindex", 3, FnCharindex, pure},
      {"pt_datetime", 1, FnDatetime, pure},
      {"pt_date", 1, FnDate, pure},
      {"pt_datediff", 3, FnDatediff, pure},
      {"pt_dateadd", 3, FnDateadd, pure},
      {"pt_datepart", 2, FnDatepart, pure},
      {"pt_datename", 2, FnDatename, pure},
      {"pt_convert", 3, FnConvert, pure | SQLITE_SUBTYPE},
      {"pt_fits", 2, FnFits, pure},
      {"pt_num", 1, FnNum, pure},
      {"pt_add", 2, FnAdd, pure},
      {"pt_pad", 2, FnPad, pure},
      {"pt_objid", 1, FnObjid, pure},
      {"getdate", 0, FnGetdate, SQLITE_UTF8 | SQLITE_INNOCUOUS},
      {"object_id", 1, FnObjectId, SQLITE_UTF8 | SQLITE_INNOCUOUS},
  };
  for (const Fn& f : fns)
    sqlite3_create_function_v2(db_, f.name, f.args, f.flags, const_cast<ServerClock*>(clock), f.fn, nullptr, nullptr,
                               nullptr);
  sqlite3_create_function_v2(db_, "pt_single", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, SingleStep,
                             SingleFinal, nullptr);
  char* err = nullptr;
  if (sqlite3_exec(db_,
                   "CREATE TEMP VIEW IF NOT EXISTS syscolumns AS "
                   "SELECT p.name COLLATE CI AS name, pt_objid(m.name) AS id, p.type AS type "
                   "FROM sqlite_schema m JOIN pragma_table_info(m.name) p WHERE m.type IN ('table','view');"
                   "CREATE TEMP VIEW IF NOT EXISTS sysobjects AS "
                   "SELECT m.name COLLATE CI AS name, pt_objid(m.name) AS id, "
                   "CASE m.type WHEN 'table' THEN 'U' WHEN 'view' THEN 'V' ELSE 'X' END AS xtype "
                   "FROM sqlite_schema m WHERE m.type IN ('table','view');",
                   nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "cannot create the catalogue views";
    sqlite3_free(err);
    throw SqlError(msg, {});
  }
}

namespace {

class SqliteCursor : public DbCursor {
 public:
  SqliteCursor(sqlite3* db, std::string_view sql, const std::string& shownAs) : db_(db), shownAs_(shownAs) {
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st_, &tail);
    if (rc != SQLITE_OK) throw SqlError(AliasMessage(DbMessage(db_), sql), shownAs_);
    if (!st_) throw SqlError("空语句", shownAs_);
  }
  ~SqliteCursor() override { sqlite3_finalize(st_); }

  void BindText(int i, std::string_view text) override {
    sqlite3_bind_text(st_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void BindInt(int i, int64_t v) override { sqlite3_bind_int64(st_, i, v); }
  void BindFloat(int i, double v) override { sqlite3_bind_double(st_, i, v); }
  void BindNull(int i) override { sqlite3_bind_null(st_, i); }

  bool Step() override {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string msg = DbMessage(db_);
    sqlite3_reset(st_);
    throw SqlError(msg, shownAs_);
  }
  void Reset() override {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
  }

  int Columns() const override { return sqlite3_column_count(st_); }
  std::string Name(int c) const override {
    const char* n = sqlite3_column_name(st_, c);
    std::string name = n ? n : "";
    if (!name.empty() && name.back() == kAliasMark) name.pop_back();
    return name;
  }
  std::string DeclType(int c) const override {
    const char* d = sqlite3_column_decltype(st_, c);
    return d ? d : "";
  }
  bool IsNull(int c) const override { return sqlite3_column_type(st_, c) == SQLITE_NULL; }
  std::string Text(int c) const override {
    const unsigned char* t = sqlite3_column_text(st_, c);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(st_, c))) : std::string();
  }
  int64_t Int(int c) const override { return sqlite3_column_int64(st_, c); }
  double Float(int c) const override { return sqlite3_column_double(st_, c); }
  Variant Value(int c) const override {
    switch (sqlite3_column_type(st_, c)) {
      case SQLITE_NULL: return Variant();
      case SQLITE_INTEGER: return Variant(static_cast<long long>(Int(c)));
      case SQLITE_FLOAT: return Variant(Float(c));
      default: return Variant(Text(c));
    }
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* st_ = nullptr;
  std::string shownAs_;
};

class SqliteBulk : public BulkWriter {
 public:
  SqliteBulk(sqlite3* db, const std::string& table, const std::vector<std::string>& columns) {
    std::string sql = "INSERT INTO " + table + "(";
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? "," : "") + columns[i];
      marks += i ? ",?" : "?";
    }
    sql += ") VALUES(" + marks + ")";
    cursor_ = std::make_unique<SqliteCursor>(db, sql, sql);
  }
  void Add(const std::vector<Variant>& row) override {
    cursor_->Reset();
    for (size_t i = 0; i < row.size(); ++i) {
      int at = static_cast<int>(i) + 1;
      const Variant& v = row[i];
      switch (v.kind()) {
        case Variant::Kind::Null: cursor_->BindNull(at); break;
        case Variant::Kind::Bool: cursor_->BindInt(at, v.AsBool() ? 1 : 0); break;
        case Variant::Kind::Int: cursor_->BindInt(at, v.AsInt()); break;
        case Variant::Kind::Float: cursor_->BindFloat(at, v.AsFloat()); break;
        default: cursor_->BindText(at, v.ToText()); break;
      }
    }
    while (cursor_->Step()) {}
  }
  void Finish() override {}

 private:
  std::unique_ptr<SqliteCursor> cursor_;
};

class SqliteBackend : public DbBackend {
 public:
  SqliteBackend(const std::string& path, const ServerClock* clock) {
    int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      std::string msg = db_ ? DbMessage(db_) : "out of memory";
      sqlite3_close(db_);
      db_ = nullptr;
      throw SqlError(msg + " (" + path + ")", {});
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 5000);
    ExecNative("PRAGMA temp_store=MEMORY");
    if (path != ":memory:") {
      ExecNative("PRAGMA journal_mode=WAL");
      ExecNative("PRAGMA synchronous=NORMAL");
    }
    RegisterSqlServerDialect(db_, clock);
  }
  ~SqliteBackend() override { sqlite3_close_v2(db_); }

  Backend kind() const override { return Backend::Sqlite; }

  void ExecNative(std::string_view sql) override {
    std::string text(sql);
    char* err = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string msg = err ? err : DbMessage(db_);
      sqlite3_free(err);
      throw SqlError(msg, text);
    }
  }

  std::unique_ptr<DbCursor> Prepare(std::string_view sql, const std::string& shownAs) override {
    return std::make_unique<SqliteCursor>(db_, sql, shownAs);
  }

  bool TableExists(std::string_view name) override {
    SqliteCursor st(db_, "SELECT 1 FROM sqlite_schema WHERE type IN ('table','view') AND name=?1 COLLATE NOCASE", {});
    st.BindText(1, name);
    return st.Step();
  }
  bool ColumnExists(std::string_view table, std::string_view column) override {
    SqliteCursor st(db_, "SELECT 1 FROM pragma_table_info(?1) WHERE name=?2 COLLATE NOCASE", {});
    st.BindText(1, table);
    st.BindText(2, column);
    return st.Step();
  }

  void Begin() override { ExecNative("BEGIN"); }
  void Commit() override { ExecNative("COMMIT"); }
  void Rollback() noexcept override {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  bool InTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }

  std::unique_ptr<BulkWriter> Bulk(const std::string& table, const std::vector<std::string>& columns) override {
    return std::make_unique<SqliteBulk>(db_, table, columns);
  }

  // getdate() reads the clock through the pointer registered with the functions.
  void ClockChanged(const ServerClock&) override {}

  std::string RowOrder(const std::string& alias) const override { return alias + ".rowid"; }

  void FillSelection(const std::vector<std::string>& codes) override {
    ExecNative("CREATE TEMP TABLE IF NOT EXISTS pt_sel (f_spbm TEXT COLLATE CI PRIMARY KEY); DELETE FROM pt_sel;");
    bool own = !InTransaction();
    if (own) Begin();
    try {
      SqliteCursor ins(db_, "INSERT OR IGNORE INTO pt_sel(f_spbm) VALUES (?1)", {});
      for (const std::string& c : codes) {
        ins.Reset();
        ins.BindText(1, c);
        while (ins.Step()) {}
      }
      if (own) Commit();
    } catch (...) {
      if (own) Rollback();
      throw;
    }
    // The planner must know how small the selection is, or it scans the detail tables to
    // build Bloom filters instead of looking the few codes up.
    ExecNative("ANALYZE temp.pt_sel");
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<DbBackend> OpenSqliteBackend(const std::string& path, const ServerClock* clock) {
  return std::make_unique<SqliteBackend>(path, clock);
}

}  // namespace pt::hostapp

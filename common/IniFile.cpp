#include "common/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/GbkCodec.h"
#include "common/ModuleError.h"

namespace pt {

namespace {

std::string& ExeDirOverride() {
  static std::string dir;
  return dir;
}

inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// One line of the file as offsets into its bytes. Blanks, "=", "[" and ";" never occur as the
// second byte of a GBK character, so the raw bytes can be cut at them; names are compared only
// after decoding (a second byte may look like an ASCII letter).
struct Line {
  enum class Kind { Other, Section, Key };
  Kind kind = Kind::Other;
  size_t begin = 0, contentEnd = 0, end = 0;  // content excludes "\r\n" / "\n"
  std::string name;                           // decoded section or key name
  size_t valueBegin = 0, valueEnd = 0;        // Key: the trimmed value
  size_t valueSlot = 0;                       // Key: where a rewritten value starts
};

struct IniDoc {
  std::string bytes;
  bool utf8 = false;  // the file starts with a UTF-8 byte-order mark
  std::vector<Line> lines;

  std::string Decode(std::string_view raw) const { return utf8 ? std::string(raw) : GbkToUtf8(raw); }

  void Parse() {
    lines.clear();
    utf8 = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    size_t pos = utf8 ? 3 : 0;
    while (pos < bytes.size()) {
      Line ln;
      ln.begin = pos;
      size_t nl = bytes.find('\n', pos);
      ln.end = nl == std::string::npos ? bytes.size() : nl + 1;
      ln.contentEnd = nl == std::string::npos ? bytes.size() : nl;
      if (ln.contentEnd > ln.begin && bytes[ln.contentEnd - 1] == '\r') --ln.contentEnd;
      Classify(ln);
      lines.push_back(std::move(ln));
      pos = lines.back().end;
    }
  }

  void Classify(Line& ln) const {
    std::string_view content(bytes.data() + ln.begin, ln.contentEnd - ln.begin);
    std::string_view t = TrimView(content);
    if (t.empty() || t.front() == ';' || t.front() == '#') return;
    if (t.front() == '[') {
      std::string decoded = Decode(t.substr(1));
      size_t close = decoded.find(']');
      if (close == std::string::npos) return;
      ln.kind = Line::Kind::Section;
      ln.name = std::string(TrimView(std::string_view(decoded).substr(0, close)));
      return;
    }
    size_t eq = content.find('=');
    if (eq == std::string_view::npos) return;
    std::string_view key = TrimView(content.substr(0, eq));
    if (key.empty()) return;
    ln.kind = Line::Kind::Key;
    ln.name = Decode(key);
    size_t v = ln.begin + eq + 1;
    while (v < ln.contentEnd && IsBlank(bytes[v])) ++v;
    size_t e = ln.contentEnd;
    while (e > v && IsBlank(bytes[e - 1])) --e;
    ln.valueSlot = v;
    ln.valueBegin = v;
    ln.valueEnd = e;
  }

  // Index of the first key line of section/key, or -1. lastOfSection: the line after which a
  // new key of that section goes (-1 when the section is missing).
  int Find(std::string_view section, std::string_view key, int* lastOfSection) const {
    bool inside = false;
    int firstSectionLast = -1;
    bool firstSectionDone = false;
    for (size_t i = 0; i < lines.size(); ++i) {
      const Line& ln = lines[i];
      if (ln.kind == Line::Kind::Section) {
        if (inside) firstSectionDone = true;
        inside = SameName(ln.name, section);
        if (inside && !firstSectionDone && firstSectionLast < 0) firstSectionLast = static_cast<int>(i);
        continue;
      }
      if (!inside || ln.kind != Line::Kind::Key) continue;
      if (!firstSectionDone) firstSectionLast = static_cast<int>(i);
      if (SameName(ln.name, key)) {
        if (lastOfSection) *lastOfSection = firstSectionLast;
        return static_cast<int>(i);
      }
    }
    if (lastOfSection) *lastOfSection = firstSectionLast;
    return -1;
  }

  // What ends an unterminated last line before a new line follows it: a bare CR (an editor's
  // half of CR LF) is completed rather than left to run into the new line.
  std::string EndLastLine(const std::string& eol) const {
    return !bytes.empty() && bytes.back() == '\r' && eol == "\r\n" ? "\n" : eol;
  }

  std::string LineBreak() const {
    size_t nl = bytes.find('\n');
    if (nl == std::string::npos) return "\r\n";  // a new or one-line file: the suite's own form
    return nl > 0 && bytes[nl - 1] == '\r' ? "\r\n" : "\n";
  }
};

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadWholeFile(const std::string& path, std::string& out, int* err) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (err) *err = errno;
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (err) *err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    return ReadResult::Failed;
  }
  out.clear();
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (err) *err = errno;
      ::close(fd);
      return ReadResult::Failed;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return ReadResult::Ok;
}

[[noreturn]] void WriteFailed(const std::string& path, const std::string& why) {
  throw ModuleError("无法写入设置文件 " + path + "：" + why);
}

std::string ErrnoText(int e) { return std::strerror(e); }

// Replaces path by bytes: temporary file in the same directory, synced, renamed over the old one.
void ReplaceFile(const std::string& path, const std::string& bytes, bool existed, mode_t mode) {
  std::string target = path;
  if (existed) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) target = resolved;  // write through a symbolic link
  }
  size_t slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  static std::atomic<unsigned> counter{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = dir + "/." + base + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) WriteFailed(path, ErrnoText(errno));
  }
  if (fd < 0) WriteFailed(path, "无法创建临时文件");
  auto fail = [&](int e) {
    ::close(fd);
    ::unlink(tmp.c_str());
    WriteFailed(path, ErrnoText(e));
  };
  if (existed && ::fchmod(fd, mode & 07777) != 0) fail(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    WriteFailed(path, ErrnoText(e));
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    WriteFailed(path, ErrnoText(e));
  }
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);  // makes the rename itself durable
    ::close(dfd);
  }
}

bool HasLineBreak(std::string_view s) { return s.find('\n') != std::string_view::npos || s.find('\r') != std::string_view::npos; }

}  // namespace

std::string HostExecutableDir() {
  if (!ExeDirOverride().empty()) return ExeDirOverride();
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string exe(buf, static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

void SetHostExecutableDirForTesting(const std::string& directory) { ExeDirOverride() = directory; }

std::string IniFilePath(const std::string& file, const std::string& directory) {
  if (!directory.empty() && directory != "\\") {
    std::string dir = directory;
    for (char& c : dir)
      if (c == '\\') c = '/';
    return dir + file;
  }
  std::string dir = HostExecutableDir();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + file;
}

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& directory) {
  IniDoc doc;
  if (ReadWholeFile(IniFilePath(file, directory), doc.bytes, nullptr) != ReadResult::Ok) return defaultValue;
  doc.Parse();
  int i = doc.Find(TrimView(section), TrimView(key), nullptr);
  if (i < 0) return defaultValue;
  const Line& ln = doc.lines[static_cast<size_t>(i)];
  return doc.Decode(std::string_view(doc.bytes).substr(ln.valueBegin, ln.valueEnd - ln.valueBegin));
}

namespace {

// Puts one value into the document's bytes and parses them again; throws as WriteIniValue does.
void SetValue(IniDoc& doc, const std::string& path, const std::string& section, const std::string& key,
              const std::string& value) {
  std::string_view sec = TrimView(section);
  std::string_view k = TrimView(key);
  if (sec.empty() || HasLineBreak(sec) || sec.find(']') != std::string_view::npos)
    WriteFailed(path, "节名“" + std::string(section) + "”无效");
  if (k.empty() || HasLineBreak(k) || k.find('=') != std::string_view::npos || k.front() == '[' ||
      k.front() == ';' || k.front() == '#')
    WriteFailed(path, "键名“" + std::string(key) + "”无效");
  if (HasLineBreak(value)) WriteFailed(path, "键“" + std::string(k) + "”的值含有换行符");

  auto encode = [&](std::string_view text, const char* what) {
    if (doc.utf8) return std::string(text);
    bool lossless = true;
    std::string out = Utf8ToGbk(text, &lossless);
    if (!lossless) WriteFailed(path, std::string(what) + "“" + std::string(text) + "”含有 GBK 无法表示的字符");
    return out;
  };
  std::string encValue = encode(value, "值");
  std::string encKey = encode(k, "键名");
  std::string encSection = encode(sec, "节名");

  const std::string eol = doc.LineBreak();
  std::string out;
  int last = -1;
  int found = doc.Find(sec, k, &last);
  if (found >= 0) {
    const Line& ln = doc.lines[static_cast<size_t>(found)];
    out.reserve(doc.bytes.size() + encValue.size());
    out.append(doc.bytes, 0, ln.valueSlot);
    out.append(encValue);
    out.append(doc.bytes, ln.contentEnd, std::string::npos);
  } else if (last >= 0) {
    const Line& ln = doc.lines[static_cast<size_t>(last)];
    out.append(doc.bytes, 0, ln.end);
    // The section's last line ended the file without a line feed (none, or a bare CR).
    if (ln.end == ln.begin || doc.bytes[ln.end - 1] != '\n') out.append(doc.EndLastLine(eol));
    out.append(encKey).append("=").append(encValue).append(eol);
    out.append(doc.bytes, ln.end, std::string::npos);
  } else {
    out = doc.bytes;
    if (!out.empty() && out.back() != '\n' && !(doc.utf8 && out.size() == 3)) out.append(doc.EndLastLine(eol));
    out.append("[").append(encSection).append("]").append(eol);
    out.append(encKey).append("=").append(encValue).append(eol);
  }
  doc.bytes = std::move(out);
  doc.Parse();
}

}  // namespace

void WriteIniValues(const std::string& file, const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& values, const std::string& directory) {
  const std::string path = IniFilePath(file, directory);
  IniDoc doc;
  int err = 0;
  ReadResult rr = ReadWholeFile(path, doc.bytes, &err);
  // A file that exists but cannot be read is never replaced: its settings would be lost.
  if (rr == ReadResult::Failed) WriteFailed(path, "无法读取原文件（" + ErrnoText(err) + "）");
  bool existed = rr == ReadResult::Ok;
  mode_t mode = 0644;
  if (existed) {
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) mode = st.st_mode;
  }
  doc.Parse();
  for (const auto& [key, value] : values) SetValue(doc, path, section, key, value);
  ReplaceFile(path, doc.bytes, existed, mode);
}

void WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& directory) {
  WriteIniValues(file, section, {{key, value}}, directory);
}

}  // namespace pt

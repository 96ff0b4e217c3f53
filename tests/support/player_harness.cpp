#include "player_harness.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace fc::test {

namespace {

namespace fs = std::filesystem;

const char* const kInstallHint = "run scripts/install-deps.sh to install the Flash player harness";

fs::path RunnerScript() { return FLARECAST_PLAYER_RUNNER; }

// The harness's npm packages live beside the runner.
fs::path RunnerPackages() { return RunnerScript().parent_path() / "node_modules"; }

std::string NodeProgram() { return FLARECAST_NODE; }

std::string ChromiumProgram() {
  const char* env = std::getenv("FLARECAST_CHROMIUM");
  return env && *env ? env : "/usr/bin/chromium";
}

std::string StringMember(const JsonValue& line, const char* key) {
  const JsonValue* v = line.Find(key);
  return v && v->kind == JsonValue::Kind::String ? v->string : std::string();
}

double NumberMember(const JsonValue& line, const char* key) {
  const JsonValue* v = line.Find(key);
  return v && v->kind == JsonValue::Kind::Number ? v->number : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Running the harness

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw Error("cannot run: " + command);
  std::array<char, 4096> buffer{};
  size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    if (output) output->append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  if (status < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

fs::path ProgramDir() { return FLARECAST_PROGRAM_DIR; }

fs::path ScratchDir(const std::string& name) {
  const fs::path dir = fs::path(FLARECAST_PLAYER_SCRATCH) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string PlayerUnavailableReason() {
  if (!fs::exists(RunnerScript())) return "the runner " + RunnerScript().string() + " is missing";
  if (!fs::exists(RunnerPackages() / "@ruffle-rs" / "ruffle") || !fs::exists(RunnerPackages() / "playwright-core")) {
    return Format("the npm packages of the player harness are not installed in %s; %s", RunnerPackages().c_str(),
                  kInstallHint);
  }
  if (RunCommand(ShellQuote(NodeProgram()) + " --version >/dev/null 2>&1") != 0) {
    return Format("node (%s) does not run; %s", NodeProgram().c_str(), kInstallHint);
  }
  if (!fs::exists(ChromiumProgram())) {
    return Format("Chromium (%s) is not installed; %s", ChromiumProgram().c_str(), kInstallHint);
  }
  return {};
}

std::vector<PlayResult> PlaySwfs(const std::vector<fs::path>& files, const PlayOptions& options) {
  if (files.empty()) return {};
  if (const std::string why = PlayerUnavailableReason(); !why.empty()) throw Error("Flash player harness: " + why);
  std::string command = ShellQuote(NodeProgram()) + " " + ShellQuote(RunnerScript().string()) + " --json";
  command += options.ms ? Format(" --ms %d", *options.ms) : Format(" --frames %d", options.frames);
  command += Format(" --timeout %d", options.timeoutMs);
  if (!options.screenshotDir.empty()) command += " --screenshot-dir " + ShellQuote(options.screenshotDir.string());
  for (const fs::path& f : files) command += " " + ShellQuote(f.string());

  std::string output;
  const int code = RunCommand(command, &output);
  std::vector<PlayResult> results;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (Trim(line).empty()) continue;
    const JsonValue v = ParseJson(line);
    PlayResult r;
    r.file = StringMember(v, "file");
    r.error = StringMember(v, "error");
    r.screenshot = StringMember(v, "screenshot");
    r.frameRate = NumberMember(v, "frameRate");
    r.width = static_cast<int>(NumberMember(v, "width"));
    r.height = static_cast<int>(NumberMember(v, "height"));
    if (const JsonValue* trace = v.Find("trace"); trace && trace->kind == JsonValue::Kind::Array) {
      for (const JsonValue& item : trace->items) r.trace.push_back(item.string);
    }
    results.push_back(std::move(r));
  }
  // Exit code 1 only means that some movie failed, which its result says. Anything else,
  // or a missing result, is a fault of the harness.
  if ((code != 0 && code != 1) || results.size() != files.size()) {
    throw Error(Format("Flash player harness failed (exit code %d, %zu of %zu results); run by hand: %s", code,
                       results.size(), files.size(), command.c_str()));
  }
  return results;
}

// ---------------------------------------------------------------------------------------
// PNG

namespace {

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  if (at + 4 > b.size()) throw FormatError(Format("PNG: cut at offset %zu", at));
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

}  // namespace

Image DecodePng(const std::vector<uint8_t>& bytes) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin())) {
    throw FormatError("PNG: no PNG signature");
  }
  Image img;
  int colorType = -1;
  std::vector<uint8_t> idat, palette;
  for (size_t at = 8;;) {
    const uint32_t length = Be32(bytes, at);
    if (length > bytes.size() || at + 12 + length > bytes.size()) throw FormatError(Format("PNG: chunk at %zu cut", at));
    const std::string type(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
    const size_t data = at + 8;
    if (type == "IHDR") {
      if (length < 13) throw FormatError("PNG: short IHDR");
      img.width = static_cast<int>(Be32(bytes, data));
      img.height = static_cast<int>(Be32(bytes, data + 4));
      colorType = bytes[data + 9];
      if (bytes[data + 8] != 8 || bytes[data + 12] != 0) throw FormatError("PNG: only 8-bit, non-interlaced images");
      if (img.width <= 0 || img.height <= 0 || img.width > 16384 || img.height > 16384) {
        throw FormatError("PNG: bad size");
      }
    } else if (type == "PLTE") {
      palette.assign(bytes.begin() + static_cast<std::ptrdiff_t>(data),
                     bytes.begin() + static_cast<std::ptrdiff_t>(data + length));
    } else if (type == "IDAT") {
      idat.insert(idat.end(), bytes.begin() + static_cast<std::ptrdiff_t>(data),
                  bytes.begin() + static_cast<std::ptrdiff_t>(data + length));
    } else if (type == "IEND") {
      break;
    }
    at = data + length + 4;
  }
  int channels = 0;
  switch (colorType) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: throw FormatError(Format("PNG: colour type %d", colorType));
  }
  const size_t stride = static_cast<size_t>(img.width) * channels;
  std::vector<uint8_t> raw((stride + 1) * img.height);
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, idat.data(), idat.size()) != Z_OK || rawSize != raw.size()) {
    throw FormatError("PNG: broken image data");
  }
  // Undo the per-row filters in place; `prev` is the row above (zeros for the first).
  std::vector<uint8_t> prev(stride, 0), row(stride);
  img.rgba.resize(static_cast<size_t>(img.width) * img.height * 4);
  for (int y = 0; y < img.height; ++y) {
    const uint8_t* in = &raw[y * (stride + 1)];
    const uint8_t filter = in[0];
    for (size_t x = 0; x < stride; ++x) {
      const int a = x >= static_cast<size_t>(channels) ? row[x - channels] : 0;
      const int b = prev[x];
      const int c = x >= static_cast<size_t>(channels) ? prev[x - channels] : 0;
      int v = in[x + 1];
      switch (filter) {
        case 0: break;
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: v += Paeth(a, b, c); break;
        default: throw FormatError(Format("PNG: filter %d in row %d", filter, y));
      }
      row[x] = static_cast<uint8_t>(v);
    }
    for (int x = 0; x < img.width; ++x) {
      uint8_t* out = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
      const uint8_t* px = &row[static_cast<size_t>(x) * channels];
      switch (colorType) {
        case 0: out[0] = out[1] = out[2] = px[0]; out[3] = 255; break;
        case 2: out[0] = px[0]; out[1] = px[1]; out[2] = px[2]; out[3] = 255; break;
        case 3:
          if (size_t{px[0]} * 3 + 2 >= palette.size()) throw FormatError("PNG: palette index out of range");
          out[0] = palette[px[0] * 3]; out[1] = palette[px[0] * 3 + 1]; out[2] = palette[px[0] * 3 + 2]; out[3] = 255;
          break;
        case 4: out[0] = out[1] = out[2] = px[0]; out[3] = px[1]; break;
        default: std::copy(px, px + 4, out); break;
      }
    }
    std::swap(prev, row);
  }
  return img;
}

Image ReadPng(const fs::path& file) { return DecodePng(ReadFileBytes(file)); }

double PixelDifference(const Image& a, const Image& b, int tolerance) {
  if (a.width != b.width || a.height != b.height) return 1.0;
  const size_t pixels = static_cast<size_t>(a.width) * a.height;
  if (pixels == 0) return 0.0;
  size_t differing = 0;
  for (size_t i = 0; i < pixels; ++i) {
    for (size_t c = 0; c < 4; ++c) {
      if (std::abs(int{a.rgba[i * 4 + c]} - int{b.rgba[i * 4 + c]}) > tolerance) {
        ++differing;
        break;
      }
    }
  }
  return static_cast<double>(differing) / static_cast<double>(pixels);
}

// ---------------------------------------------------------------------------------------
// JSON

const JsonValue* JsonValue::Find(const std::string& key) const {
  for (const auto& [name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

namespace {

class JsonParser {
public:
  explicit JsonParser(const std::string& text) : text_(text) {}

  JsonValue ParseDocument() {
    JsonValue v = ParseValue(0);
    SkipSpace();
    if (at_ != text_.size()) Fail("text after the value");
    return v;
  }

private:
  [[noreturn]] void Fail(const char* what) const { throw FormatError(Format("JSON: %s at offset %zu", what, at_)); }

  void SkipSpace() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool Accept(const char* word) {
    const std::string_view w(word);
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  JsonValue ParseValue(int depth) {
    if (depth > 64) Fail("nesting too deep");
    SkipSpace();
    if (at_ >= text_.size()) Fail("value expected");
    JsonValue v;
    const char c = text_[at_];
    if (c == '{') {
      v.kind = JsonValue::Kind::Object;
      ++at_;
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == '}') {
        ++at_;
        return v;
      }
      for (;;) {
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != '"') Fail("member name expected");
        std::string name = ParseString();
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != ':') Fail("':' expected");
        ++at_;
        v.members.emplace_back(std::move(name), ParseValue(depth + 1));
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == ',') {
          ++at_;
          continue;
        }
        if (at_ < text_.size() && text_[at_] == '}') {
          ++at_;
          return v;
        }
        Fail("',' or '}' expected");
      }
    }
    if (c == '[') {
      v.kind = JsonValue::Kind::Array;
      ++at_;
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ']') {
        ++at_;
        return v;
      }
      for (;;) {
        v.items.push_back(ParseValue(depth + 1));
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == ',') {
          ++at_;
          continue;
        }
        if (at_ < text_.size() && text_[at_] == ']') {
          ++at_;
          return v;
        }
        Fail("',' or ']' expected");
      }
    }
    if (c == '"') {
      v.kind = JsonValue::Kind::String;
      v.string = ParseString();
      return v;
    }
    if (Accept("null")) return v;
    if (Accept("true") || Accept("false")) {
      v.kind = JsonValue::Kind::Bool;
      v.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
      return v;
    }
    const size_t start = at_;
    while (at_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos) ++at_;
    if (start == at_) Fail("unexpected character");
    v.kind = JsonValue::Kind::Number;
    const std::optional<double> number = ParseDouble(std::string_view(text_).substr(start, at_ - start));
    if (!number) Fail("bad number");
    v.number = *number;
    return v;
  }

  uint32_t Hex4() {
    if (at_ + 4 > text_.size()) Fail("cut \\u escape");
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[at_++];
      value <<= 4;
      if (h >= '0' && h <= '9') value |= h - '0';
      else if (h >= 'a' && h <= 'f') value |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F') value |= h - 'A' + 10;
      else Fail("bad \\u escape");
    }
    return value;
  }

  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  std::string ParseString() {
    ++at_;  // the opening quote
    std::string out;
    for (;;) {
      if (at_ >= text_.size()) Fail("unterminated string");
      const char c = text_[at_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail("unterminated string");
      const char e = text_[at_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = Hex4();
          // A high surrogate followed by a low one is one code point; a lone one becomes U+FFFD.
          if (cp >= 0xD800 && cp < 0xDC00 && text_.compare(at_, 2, "\\u") == 0) {
            const size_t save = at_;
            at_ += 2;
            const uint32_t low = Hex4();
            if (low >= 0xDC00 && low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              at_ = save;
              cp = 0xFFFD;
            }
          } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
          }
          AppendUtf8(out, cp);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  const std::string& text_;
  size_t at_ = 0;
};

}  // namespace

JsonValue ParseJson(const std::string& text) { return JsonParser(text).ParseDocument(); }

}  // namespace fc::test

#include "gui/model/desktop_actions.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cctype>
#include <cerrno>
#include <thread>

#include "core/log.h"
#include "core/text.h"

extern char** environ;

namespace fc::gui {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> With(std::vector<std::string> argv, const std::string& last) {
  argv.push_back(last);
  return argv;
}

}  // namespace

std::string FileUrl(const std::string& path) {
  std::string url = "file://";
  for (const char c : path) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || std::string_view("/-._~").find(c) != std::string_view::npos) url += c;
    else url += Format("%%%02X", u);
  }
  return url;
}

std::string PathOfFileUrl(std::string_view url) {
  if (!IStartsWith(url, "file://")) return "";
  url.remove_prefix(7);
  if (url.empty() || url.front() != '/') return "";  // a host name or a relative path
  std::string path;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] != '%') {
      path += url[i];
      continue;
    }
    const int hi = i + 2 < url.size() ? HexValue(url[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(url[i + 2]) : -1;
    if (lo < 0) return "";
    path += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  for (const char c : path)
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) return "";
  return path;
}

bool RunProgram(const std::vector<std::string>& argv, bool wait) {
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
    Log("Could not start " + argv[0]);
    return false;
  }
  if (!wait) {
    // The opener may stay until the browser is closed: reap it whenever it ends.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool TSystemDesktopActions::OpenFolder(const std::string& folder) {
  return !folder.empty() && RunProgram(With(commands_.Open, folder), false);
}

bool TSystemDesktopActions::OpenUrl(const std::string& url) {
  if (!IsWebAddress(url) && PathOfFileUrl(url).empty()) {
    Log("Refused to open " + url);
    return false;
  }
  return RunProgram(With(commands_.Open, url), false);
}

bool TSystemDesktopActions::PowerOff() {
  const bool ok = RunProgram(commands_.PowerOff, true);
  Log(ok ? "Power-off requested" : "The power-off request was refused");
  return ok;
}

}  // namespace fc::gui

// flarecast-cli serve: the Flash pages we write, served to the desktop's browser.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <ostream>
#include <optional>

#include "cli/command.h"
#include "cli/folder_server.h"
#include "cli/option_values.h"
#include "core/error.h"
#include "core/text.h"

extern char** environ;

namespace fc::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kDefaultPort = 8080;
const char* const kHost = "127.0.0.1";

// Signals held back from the calling thread (and the threads it starts) while the object lives.
class TBlockedSignals {
public:
  explicit TBlockedSignals(std::initializer_list<int> signals) {
    sigemptyset(&set_);
    for (const int s : signals) sigaddset(&set_, s);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
  }
  ~TBlockedSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  TBlockedSignals(const TBlockedSignals&) = delete;
  TBlockedSignals& operator=(const TBlockedSignals&) = delete;
  const sigset_t& Set() const { return set_; }

private:
  sigset_t set_;
  sigset_t previous_;
};

// Starts `url` opening in the desktop's browser; gives the opener's process id, or -1 (said
// on stderr) when it cannot start. The server runs on either way.
pid_t StartBrowser(const std::string& url) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  // The opener (and the browser it may become) gets the signals this thread holds back.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "xdg-open", nullptr, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) {
    std::cerr << "warning: cannot run xdg-open to open " << url << "; open it in a browser by hand\n";
    return -1;
  }
  return pid;
}

// Whether the opener `pid` is still running; says so on stderr when it has failed.
bool BrowserOpening(pid_t pid, const std::string& url) {
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == 0) return true;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::cerr << "warning: xdg-open could not open " << url << "; open it in a browser by hand\n";
  return false;
}

int Serve(const TArgs& args, std::ostream& out) {
  const fs::path folder = args.At(0);
  const std::optional<int32_t> port_option = IntValue(args, "--port", 0, 65535);
  const int port = port_option.value_or(kDefaultPort);

  TFolderServer server(folder);
  int bound = 0;
  try {
    bound = server.Bind(kHost, port);
  } catch (const Error&) {
    // The default port is a convenience; an explicit one is what the user asked for.
    if (port_option) throw;
    bound = server.Bind(kHost, 0);
  }

  // The signals are taken by this thread alone (the server's threads inherit the mask), so
  // that Ctrl-C stops the server in order and the command ends with 0.
  const TBlockedSignals stop_signals({SIGINT, SIGTERM});
  server.Start();

  const std::string address = Format("http://%s:%d/", kHost, bound);
  out << "Serving " << folder.string() << " at " << address << "\n";
  std::string open_url = address;
  if (const auto page = SinglePage(folder)) {
    open_url = address + UrlPathOf(*page);
    out << "Page: " << open_url << "\n";
  }
  out << "Press Ctrl-C to stop.\n" << std::flush;
  // The opener may wait for the browser to close: it is looked after while serving.
  pid_t opener = args.Has("--open") ? StartBrowser(open_url) : -1;

  const timespec tick{0, 200 * 1000 * 1000};
  while (!server.Ended()) {
    if (sigtimedwait(&stop_signals.Set(), nullptr, &tick) > 0) break;
    if (opener > 0 && !BrowserOpening(opener, open_url)) opener = -1;
  }
  const bool ran = server.Stop();
  if (!ran) throw Error("The server on " + address + " stopped with an error");
  return 0;
}

}  // namespace

void RegisterServeCommands(TCommandTable& table) {
  table.Add({.Name = "serve",
             .Args = "DIR",
             .Summary = "serve a folder over HTTP on 127.0.0.1, to view the Flash pages in a browser",
             .Details = Format(
                 "Browsers do not run the Ruffle web player's WebAssembly from file:// pages, so a\n"
                 "generated page is viewed through this server. It answers on 127.0.0.1 only, with\n"
                 "the content types a browser needs (.wasm, .HTML, .swf, .flv, ...) and byte ranges;\n"
                 "folders inside DIR are listed, paths with \"..\" are refused.\n"
                 "It prints the address, and the page's address when DIR holds exactly one .html\n"
                 "page, and runs until Ctrl-C (exit code 0).\n"
                 "Without --port it takes port %d, or a free port when that one is taken; an\n"
                 "explicit port that is taken is an error; --port 0 always takes a free port.",
                 kDefaultPort),
             .Options = {{"--port", "N", Format("the port (default %d; 0: any free port)", kDefaultPort)},
                         {"--open", "", "open the page (or the folder) in the desktop's browser with xdg-open"}},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = Serve});
}

}  // namespace fc::cli

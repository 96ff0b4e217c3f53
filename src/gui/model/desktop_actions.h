#pragma once
// What the windows ask of the desktop: opening a folder or a web page, and powering the
// computer off. Models go through TDesktopActions so that tests replace it; the real one
// starts the desktop's programs.

#include <string>
#include <string_view>
#include <vector>

namespace fc::gui {

class TDesktopActions {
public:
  virtual ~TDesktopActions() = default;
  // Each answers false when the request could not be made.
  virtual bool OpenFolder(const std::string& folder) = 0;
  virtual bool OpenUrl(const std::string& url) = 0;
  // A normal power-off, which lets the session close its programs; never a forced one.
  virtual bool PowerOff() = 0;
};

// Through xdg-open, and logind (org.freedesktop.login1 PowerOff, interactive false) on the
// system bus. Programs are started without a shell, each argument passed as it is.
class TSystemDesktopActions : public TDesktopActions {
public:
  struct TCommands {
    std::vector<std::string> Open = {"xdg-open"};  // the folder or address is appended
    std::vector<std::string> PowerOff = {"busctl", "call", "org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", "PowerOff", "b", "false"};
  };
  TSystemDesktopActions() = default;
  explicit TSystemDesktopActions(TCommands commands) : commands_(std::move(commands)) {}

  bool OpenFolder(const std::string& folder) override;
  // Refuses every address but http, https and file ones.
  bool OpenUrl(const std::string& url) override;
  // Waits for logind's answer; false when it refused.
  bool PowerOff() override;

private:
  TCommands commands_;
};

// (Web addresses are checked by IsWebAddress of core/text.h.)
// "file://" followed by an absolute path, percent-encoded where needed.
std::string FileUrl(const std::string& path);
// The path of a "file://" address (percent-decoded), or "" for anything else.
std::string PathOfFileUrl(std::string_view url);

// Starts a program with these arguments, without a shell. With `wait`, the result is whether
// it exited with 0; without, whether it started (it is reaped in the background).
bool RunProgram(const std::vector<std::string>& argv, bool wait);

}  // namespace fc::gui

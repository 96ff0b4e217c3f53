#pragma once
// Stand-ins for the desktop and for the user's answers during a run, for the model tests and
// the window tests alike: what was asked and opened is recorded, answers are set by the test.

#include <string>
#include <vector>

#include "gui/model/desktop_actions.h"
#include "gui/model/progress_model.h"

namespace fc::gui {

class TFakeDesktop final : public TDesktopActions {
public:
  std::vector<std::string> Opened;  // folders and addresses
  int PowerOffs = 0;                // never the real one
  bool OpenFolder(const std::string& folder) override { return Open(folder); }
  bool OpenUrl(const std::string& url) override { return Open(url); }
  bool PowerOffWorks = true;
  bool PowerOff() override {
    ++PowerOffs;
    return PowerOffWorks;
  }

private:
  bool Open(const std::string& place) {
    Opened.push_back(place);
    return true;
  }
};

// The run's questions, answered as the test says.
class TFakeQuestions : public TProgressQuestions {
public:
  TOverwriteAnswer AskOverwrite(const std::string& question, const TMediaTask&) override {
    Asked.push_back(question);
    return Overwrite;
  }
  bool ConfirmCancel(const std::string& question) override {
    Asked.push_back(question);
    return Confirm;
  }
  void Inform(const std::string& title, const std::string& message) override { Told.push_back(title + ": " + message); }

  TOverwriteAnswer Overwrite = TOverwriteAnswer::Yes;
  bool Confirm = true;
  std::vector<std::string> Asked, Told;
};

}  // namespace fc::gui

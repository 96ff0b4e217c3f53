#pragma once
// Stand-ins for the desktop and for the user's answers during a run, and the set-up of a run,
// for the model tests and the window tests alike: what was asked and opened is recorded,
// answers are set by the test.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/model/desktop_actions.h"
#include "gui/model/progress_model.h"
#include "profiles/profile_item.h"
#include "tasks/media_task.h"
#include "tasks/task_builder.h"

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

// Tasks for these inputs through `profile`, writing into `folder`, as the main window adds
// them; their player movie and page come from the templates of the program folder.
inline void AddRunTasks(TMediaTaskMgr& manager, const TProfileItem& profile, const std::vector<std::string>& inputs,
                        const std::filesystem::path& folder) {
  TTaskBuilder builder(manager, profile);
  TConversionRequest request;
  request.Inputs = inputs;
  request.OutputFolder = folder.string();
  const size_t before = manager.Tasks().Count();
  builder.Build(request);
  for (size_t i = before; i < manager.Tasks().Count(); ++i)
    manager.Tasks().Items(i)->Flash.ProgramFolder = FLARECAST_PROGRAM_DIR;
}

// The names of what a folder holds, sorted.
inline std::vector<std::string> FileNamesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace fc::gui

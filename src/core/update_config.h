#pragma once
// "Configure.xml", the update checker's file in the program folder. Its document element is
// "Update" with the children id, product, mainwndclass, application, version, mutex,
// lastupdate, period (days) and url. The program only reads and writes "period"; the rest
// belongs to an external updater, which this build does not ship.

#include <optional>
#include <string>

namespace fc {

class TUpdateConfig {
public:
  // Loads the file when the "UpdateFlag" setting is on and the file exists and parses.
  // Otherwise the update checker stays off (Loaded() is false).
  bool Load(const std::string& file_name, bool update_flag);
  bool Loaded() const { return loaded_; }

  // The check period in days; 0 when checking is off or the file is not loaded.
  int Period() const { return period_; }
  // Writes "period" and saves the file at once (atomically). Throws IoError on failure.
  void SetPeriod(int days);
  // The options dialog's update-interval choice: 0 = weekly (7), 1 = monthly (30), else off (0).
  static int PeriodOfChoice(int choice);

  std::string Element(const char* name) const;  // text of a child of "Update"

private:
  std::string file_name_;
  std::string xml_;  // the document as read, rewritten with the new period on save
  bool loaded_ = false;
  int period_ = 0;
};

}  // namespace fc

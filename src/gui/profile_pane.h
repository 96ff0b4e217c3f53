#pragma once
// The profile pane of the main window: the catalogue's categories with their profiles, the
// recently used ones and the user's own. Choosing a profile reports it; the main window
// applies it to the checked tasks. The catalogue is the model; the pane only draws it.

#include <QIcon>
#include <QWidget>

#include <cstdint>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace fc {
class TProfileCatalogue;
struct TProfileCategory;
struct TProfileItem;
struct TConfig;
}  // namespace fc

namespace fc::gui {

class TProfilePane : public QWidget {
  Q_OBJECT
public:
  TProfilePane(TProfileCatalogue& catalogue, const TConfig& config, QWidget* parent = nullptr);

  // Fills the pane from the catalogue (after loading it or a change of language); the
  // "Profile"/"Recent" setting fills the recent category.
  void Rebuild();
  // Selects a profile by effective identifier, opening its category; false when unknown.
  bool SelectProfile(int32_t id);
  const TProfileItem* SelectedProfile() const;
  // What a click on a profile does: select it, keep it in the recent list, report it.
  void ChooseProfile(int32_t id);

signals:
  void ProfileChosen(const fc::TProfileItem& profile);

protected:
  // A new interface language: the catalogue's localised names, shown again.
  void changeEvent(QEvent* event) override;

private:
  QTreeWidgetItem* FindProfileItem(int32_t id) const;
  // The rows of one category under its item, from the catalogue.
  void FillCategory(QTreeWidgetItem* top, TProfileCategory& category);
  // The recent category's rows again, after a choice changed the list.
  void RefillRecent();

  TProfileCatalogue& catalogue_;
  const TConfig& config_;
  QTreeWidget* tree_ = nullptr;
};

// The icon of a profile or category by its catalogue icon name; a generic one otherwise.
QIcon ProfileIcon(const std::string& name, bool category);

}  // namespace fc::gui

#include "gui/profile_pane.h"

#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/error.h"
#include "core/language.h"
#include "gui/model/job_texts.h"
#include "gui/user_prompts.h"
#include "profiles/profile_catalogue.h"

namespace fc::gui {
namespace {

constexpr int kIdRole = Qt::UserRole + 1;

}  // namespace

QIcon ProfileIcon(const std::string& name, bool category) {
  const QString named = ":/icons/" + ToQString(name) + ".svg";
  if (!name.empty() && QFile::exists(named)) return QIcon(named);
  return QIcon(category ? ":/icons/category.svg" : ":/icons/profile.svg");
}

TProfilePane::TProfilePane(TProfileCatalogue& catalogue, const TConfig& config, QWidget* parent)
    : QWidget(parent), catalogue_(catalogue), config_(config) {
  setObjectName("ProfilePane");
  tree_ = new QTreeWidget(this);  // owned by the pane
  tree_->setObjectName("tvProfiles");
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(true);
  tree_->setUniformRowHeights(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_);
  connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (item->parent()) ChooseProfile(item->data(0, kIdRole).toInt());
  });
  connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item->parent()) ChooseProfile(item->data(0, kIdRole).toInt());
  });
  Rebuild();
}

void TProfilePane::Rebuild() {
  const int32_t selected = catalogue_.SelectedId();
  catalogue_.SetRecentList(config_.ReadString(keys::kProfile, keys::kRecent, ""));
  tree_->clear();
  for (size_t c = 0; c < catalogue_.CategoryCount(); ++c) {
    TProfileCategory& category = catalogue_.Category(c);
    auto* top = new QTreeWidgetItem(tree_, QStringList{ToQString(category.Title)});
    top->setIcon(0, ProfileIcon(category.Icon, true));
    top->setFlags(Qt::ItemIsEnabled);
    FillCategory(top, category);
  }
  if (selected != 0) SelectProfile(selected);
}

void TProfilePane::FillCategory(QTreeWidgetItem* top, TProfileCategory& category) {
  for (const TProfileItem* profile : catalogue_.CategoryItems(category).Items()) {
    auto* item = new QTreeWidgetItem(top, QStringList{ToQString(profile->Name)});
    item->setIcon(0, ProfileIcon(profile->Icon, false));
    item->setToolTip(0, ToQString(profile->Description));
    item->setData(0, kIdRole, profile->EffectiveId());
  }
}

void TProfilePane::RefillRecent() {
  const int32_t selected = catalogue_.SelectedId();
  for (size_t c = 0; c < catalogue_.CategoryCount() && static_cast<int>(c) < tree_->topLevelItemCount(); ++c) {
    TProfileCategory& category = catalogue_.Category(c);
    if (category.Type != TProfileCategoryType::Recent) continue;
    QTreeWidgetItem* top = tree_->topLevelItem(static_cast<int>(c));
    qDeleteAll(top->takeChildren());  // the rows are the tree's; taken out, they are ours to free
    FillCategory(top, category);
  }
  if (QTreeWidgetItem* item = FindProfileItem(selected)) tree_->setCurrentItem(item);
}

QTreeWidgetItem* TProfilePane::FindProfileItem(int32_t id) const {
  TProfileCategory* current = catalogue_.CurrentCategory();
  QTreeWidgetItem* first = nullptr;
  for (int c = 0; c < tree_->topLevelItemCount(); ++c) {
    QTreeWidgetItem* top = tree_->topLevelItem(c);
    for (int i = 0; i < top->childCount(); ++i) {
      if (top->child(i)->data(0, kIdRole).toInt() != id) continue;
      // The catalogue's own category of the profile first: a profile is listed in several.
      if (current && &catalogue_.Category(static_cast<size_t>(c)) == current) return top->child(i);
      if (!first) first = top->child(i);
    }
  }
  return first;
}

bool TProfilePane::SelectProfile(int32_t id) {
  catalogue_.SelectProfile(id);
  if (!catalogue_.SelectedProfile()) return false;
  QTreeWidgetItem* item = FindProfileItem(id);
  if (!item) return false;
  tree_->collapseAll();
  item->parent()->setExpanded(true);
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
  return true;
}

void TProfilePane::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    catalogue_.ApplyLanguage(TLanguageMgr::Instance().Current());
    Rebuild();
  }
  QWidget::changeEvent(event);
}

const TProfileItem* TProfilePane::SelectedProfile() const { return catalogue_.SelectedProfile(); }

void TProfilePane::ChooseProfile(int32_t id) {
  const TProfileItem* profile = catalogue_.FindProfile(id);
  if (!profile) return;
  catalogue_.SelectProfile(id);
  const std::string recent = config_.ReadString(keys::kProfile, keys::kRecent, "");
  const std::string updated = PushRecentProfile(recent, id);
  if (updated != recent) {
    try {
      config_.WriteString(keys::kProfile, keys::kRecent, updated);
    } catch (const Error&) {
      // A settings file that cannot be written only loses the recent list, not the choice.
    }
    catalogue_.SetRecentList(updated);
    // Later: the row that was clicked may be one of the recent rows, still in its signal.
    QTimer::singleShot(0, this, &TProfilePane::RefillRecent);
  }
  if (QTreeWidgetItem* item = FindProfileItem(id)) tree_->setCurrentItem(item);
  emit ProfileChosen(*profile);
}

}  // namespace fc::gui

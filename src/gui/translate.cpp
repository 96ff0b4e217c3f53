#include "gui/translate.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>

#include <map>

#include "core/language.h"
#include "core/text.h"

namespace fc::gui {
namespace {

constexpr const char* kRoot = "LanguageResource";

QTabWidget* TabOfPage(const QWidget* page) {
  const QWidget* stack = page->parentWidget();
  if (!qobject_cast<const QStackedWidget*>(stack)) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  return tabs && tabs->indexOf(const_cast<QWidget*>(page)) >= 0 ? tabs : nullptr;
}

QStringList ComboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

// Replaces item texts by position: the items, their data and the selection stay.
void SetComboItems(QComboBox* combo, const QStringList& items) {
  for (int i = 0; i < combo->count() && i < items.size(); ++i) combo->setItemText(i, items[i]);
}

// The caption of an object: what the user reads as its name.
QString Caption(const QObject* o) {
  if (auto* a = qobject_cast<const QAction*>(o)) return a->text();
  if (auto* m = qobject_cast<const QMenu*>(o)) return m->title();
  auto* w = qobject_cast<const QWidget*>(o);
  if (!w) return {};
  if (QTabWidget* tabs = TabOfPage(w)) return tabs->tabText(tabs->indexOf(const_cast<QWidget*>(w)));
  if (w->isWindow()) return w->windowTitle();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  return {};
}

void SetCaption(QObject* o, const QString& text) {
  if (auto* a = qobject_cast<QAction*>(o)) return a->setText(text);
  if (auto* m = qobject_cast<QMenu*>(o)) return m->setTitle(text);
  auto* w = qobject_cast<QWidget*>(o);
  if (!w) return;
  if (QTabWidget* tabs = TabOfPage(w)) return tabs->setTabText(tabs->indexOf(w), text);
  if (w->isWindow()) return w->setWindowTitle(text);
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->setTitle(text);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->setText(text);
  if (auto* l = qobject_cast<QLabel*>(w)) return l->setText(text);
}

bool HasCaption(const QObject* o) {
  if (qobject_cast<const QAction*>(o) || qobject_cast<const QMenu*>(o)) return true;
  auto* w = qobject_cast<const QWidget*>(o);
  return w && (TabOfPage(w) || w->isWindow() || qobject_cast<const QGroupBox*>(w) ||
               qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLabel*>(w));
}

QString Hint(const QObject* o) {
  if (auto* a = qobject_cast<const QAction*>(o)) return a->toolTip() == a->text().remove('&') ? QString() : a->toolTip();
  auto* w = qobject_cast<const QWidget*>(o);
  return w ? w->toolTip() : QString();
}

void SetHint(QObject* o, const QString& text) {
  if (auto* a = qobject_cast<QAction*>(o)) return a->setToolTip(text);
  if (auto* w = qobject_cast<QWidget*>(o)) w->setToolTip(text);
}

bool HasHint(const QObject* o) { return qobject_cast<const QAction*>(o) || qobject_cast<const QWidget*>(o); }

QString Items(const QObject* o) {
  if (auto* c = qobject_cast<const QComboBox*>(o)) return ComboItems(c).join('\n');
  if (auto* l = qobject_cast<const QListWidget*>(o)) {
    QStringList items;
    for (int i = 0; i < l->count(); ++i) items << l->item(i)->text();
    return items.join('\n');
  }
  return {};
}

void SetItems(QObject* o, const QString& text) {
  const QStringList items = text.split('\n');
  if (auto* c = qobject_cast<QComboBox*>(o)) return SetComboItems(c, items);
  if (auto* l = qobject_cast<QListWidget*>(o))
    for (int i = 0; i < l->count() && i < items.size(); ++i) l->item(i)->setText(items[i]);
}

bool HasItems(const QObject* o) { return qobject_cast<const QComboBox*>(o) || qobject_cast<const QListWidget*>(o); }

QString Columns(const QObject* o) {
  auto* t = qobject_cast<const QTreeWidget*>(o);
  if (!t) return {};
  QStringList labels;
  for (int i = 0; i < t->columnCount(); ++i) labels << t->headerItem()->text(i);
  return labels.join('\n');
}

void SetColumns(QObject* o, const QString& text) {
  auto* t = qobject_cast<QTreeWidget*>(o);
  if (!t) return;
  const QStringList labels = text.split('\n');
  for (int i = 0; i < t->columnCount() && i < labels.size(); ++i) t->headerItem()->setText(i, labels[i]);
}

bool HasColumns(const QObject* o) { return qobject_cast<const QTreeWidget*>(o); }

// The translatable properties: the one table that both reading (for the language file
// skeleton) and writing (translation) go through.
struct TTextProperty {
  const char* Name;
  bool (*Has)(const QObject*);
  QString (*Get)(const QObject*);
  void (*Set)(QObject*, const QString&);
};
constexpr TTextProperty kTextProperties[] = {
    {"Caption", HasCaption, Caption, SetCaption},
    {"Hint", HasHint, Hint, SetHint},
    {"Items", HasItems, Items, SetItems},
    {"Columns", HasColumns, Columns, SetColumns},
};

// The built-in text of a property is kept on the object the first time the object is seen,
// with the text last applied from a language file, so that a later language without an entry
// can put the built-in text back without touching texts the program changed since.
QByteArray BuiltInKey(const TTextProperty& p) { return QByteArray("fcBuiltIn") + p.Name; }
QByteArray AppliedKey(const TTextProperty& p) { return QByteArray("fcApplied") + p.Name; }

QString BuiltInText(QObject* o, const TTextProperty& p) {
  const QVariant stored = o->property(BuiltInKey(p));
  if (stored.isValid()) return stored.toString();
  const QString text = p.Get(o);
  o->setProperty(BuiltInKey(p), text);
  return text;
}

void ApplyTexts(QObject* o, pugi::xml_node element) {
  for (const TTextProperty& p : kTextProperties) {
    if (!p.Has(o)) continue;
    const QString built_in = BuiltInText(o, p);
    const pugi::xml_attribute value = element.attribute(p.Name);
    if (value) {
      const QString text = QString::fromUtf8(value.value());
      p.Set(o, text);
      o->setProperty(AppliedKey(p), text);
    } else if (const QVariant applied = o->property(AppliedKey(p)); applied.isValid()) {
      if (p.Get(o) == applied.toString()) p.Set(o, built_in);
      o->setProperty(AppliedKey(p), QVariant());
    }
  }
}

bool IsComponentName(const QString& name) {
  static const QRegularExpression kIdentifier("^[A-Za-z_][A-Za-z0-9_]*$");
  return !name.startsWith("qt_") && kIdentifier.match(name).hasMatch();
}

// The named components of a window: its actions, menus and the widgets inside it (not
// other windows it owns).
QList<QObject*> Components(QWidget* form) {
  QList<QObject*> out;
  for (QObject* o : form->findChildren<QObject*>()) {
    if (!IsComponentName(o->objectName())) continue;
    if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow() && !qobject_cast<QMenu*>(w)) continue;
    if (!qobject_cast<QWidget*>(o) && !qobject_cast<QAction*>(o)) continue;
    out << o;
  }
  return out;
}

std::string ClassName(const QObject* o) {
  const std::string name = o->metaObject()->className();
  const size_t colon = name.rfind(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

void ApplyFont(QWidget* form, const TLanguageFont& font) {
  QFont f = form->font();
  if (!font.Name.empty()) f.setFamily(QString::fromStdString(font.Name));
  if (font.Size > 0) f.setPointSize(font.Size);
  form->setFont(f);
}

void SendLanguageChange(QWidget* form) {
  QEvent event(QEvent::LanguageChange);
  QCoreApplication::sendEvent(form, &event);
  for (QWidget* w : form->findChildren<QWidget*>()) QCoreApplication::sendEvent(w, &event);
}

// The window's element in the current language: by its object name, else by its class with
// a "name" attribute (by_class then tells which form matched). A null node when none.
pugi::xml_node FormElement(const QWidget* form, bool& by_class) {
  by_class = false;
  TLanguageItem* language = TLanguageMgr::Instance().Current();
  if (!language || !language->HasDocument() || !IsComponentName(form->objectName())) return {};
  const std::string form_name = form->objectName().toStdString();
  const std::string base = std::string("/") + kRoot + "/Forms/";
  pugi::xml_node element = language->Select(base + form_name).first().node();
  if (!element) {
    element = language->Select(base + ClassName(form) + "[@name='" + form_name + "']").first().node();
    by_class = static_cast<bool>(element);
  }
  if (element) language->FoundByClassName = by_class;
  return element;
}

std::string EntryName(pugi::xml_node child, bool by_class) {
  return by_class ? child.attribute("name").value() : child.name();
}

}  // namespace

bool TranslateForm(QWidget* form) {
  bool by_class = false;
  const pugi::xml_node element = FormElement(form, by_class);
  if (const TLanguageItem* language = TLanguageMgr::Instance().Current(); language && language->HasDocument())
    ApplyFont(form, language->Font());

  std::map<std::string, pugi::xml_node> entries;
  for (pugi::xml_node child : element.children())
    if (child.type() == pugi::node_element) entries.emplace(EntryName(child, by_class), child);
  ApplyTexts(form, element);
  for (QObject* o : Components(form)) {
    const auto it = entries.find(o->objectName().toStdString());
    ApplyTexts(o, it == entries.end() ? pugi::xml_node() : it->second);
  }
  SendLanguageChange(form);
  return static_cast<bool>(element);
}

bool TranslateControlAs(QObject* control, QWidget* form, const std::string& entry_name) {
  bool by_class = false;
  const pugi::xml_node element = FormElement(form, by_class);
  for (pugi::xml_node child : element.children()) {
    if (child.type() != pugi::node_element || EntryName(child, by_class) != entry_name) continue;
    ApplyTexts(control, child);
    return true;
  }
  ApplyTexts(control, pugi::xml_node());
  return false;
}

void TranslateAllForms() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isWindow() && !qobject_cast<QMenu*>(w) && IsComponentName(w->objectName())) TranslateForm(w);
}

void WriteFormElement(QWidget* form, pugi::xml_node forms, bool only_translatable) {
  const auto write_texts = [](QObject* o, pugi::xml_node node) {
    for (const TTextProperty& p : kTextProperties) {
      if (!p.Has(o)) continue;
      const QString text = BuiltInText(o, p);
      if (!text.isEmpty()) node.append_attribute(p.Name).set_value(text.toUtf8().constData());
    }
  };
  const std::string form_name = form->objectName().toStdString();
  pugi::xml_node element = only_translatable ? forms.append_child(form_name.c_str())
                                             : forms.append_child(ClassName(form).c_str());
  if (!only_translatable) {
    element.append_attribute("name").set_value(form_name.c_str());
    element.append_attribute("Width").set_value(form->width());
    element.append_attribute("Height").set_value(form->height());
  }
  write_texts(form, element);
  for (QObject* o : Components(form)) {
    const std::string name = o->objectName().toStdString();
    pugi::xml_node child;
    if (only_translatable) {
      child = element.append_child(name.c_str());
      write_texts(o, child);
      if (!child.first_attribute()) element.remove_child(child);  // nothing to translate
      continue;
    }
    child = element.append_child(ClassName(o).c_str());
    child.append_attribute("name").set_value(name.c_str());
    write_texts(o, child);
    if (auto* w = qobject_cast<QWidget*>(o)) {
      child.append_attribute("Enabled").set_value(w->isEnabled() ? 1 : 0);
      child.append_attribute("Visible").set_value(w->isHidden() ? 0 : 1);
    }
  }
}

}  // namespace fc::gui

#pragma once
// Window texts from the language file. The "Forms" element of a language file holds one
// element per window, named after the window's object name (or after its class, with the
// object name in a "name" attribute). Its attributes are the window's own properties; each
// child element names a component of the window (by element name, or by its "name"
// attribute in the class-and-name form) and carries that component's properties:
//
//   <OptionsForm Caption="Optionen">
//     <btnOK Caption="&amp;OK" Hint="..."/>
//     <cboFormat Items="JPEG-Bild (*.jpg)&#10;Bitmap (*.bmp)"/>
//   </OptionsForm>
//
// Properties: Caption (window title, label, button, check box, group box, tab, action and
// menu text), Hint (tool tip), Items (combo box and list items, one per line, by position),
// Columns (tree header labels, one per line). Other attributes are ignored, as are
// components the window does not have.

#include <string>

#include <pugixml.hpp>

class QObject;
class QWidget;

namespace fc::gui {

// Applies the current language's texts to the window and its named components and sends
// them a LanguageChange event. Texts without an entry stay, or return to the built-in text
// when an earlier language had changed them. False when the language has no element for
// the window (the window then shows its built-in texts).
bool TranslateForm(QWidget* form);
// Gives one control of the window the texts of another entry of the window's element (a
// button that shows "Pause" or "Resume", for instance); without that entry the control
// keeps or gets back its built-in texts. False when there is no such entry.
bool TranslateControlAs(QObject* control, QWidget* form, const std::string& entry_name);
// TranslateForm for every open top-level window that has an object name.
void TranslateAllForms();

// Appends the window's element to a "Forms" node with its built-in texts. Only the
// translatable properties (MakeLangRes), or the class-and-name form with the state of every
// named component as well (MakeFormRes).
void WriteFormElement(QWidget* form, pugi::xml_node forms, bool only_translatable);

}  // namespace fc::gui

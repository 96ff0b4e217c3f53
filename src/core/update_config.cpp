#include "core/update_config.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include <pugixml.hpp>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace fc {

bool TUpdateConfig::Load(const std::string& file_name, bool update_flag) {
  loaded_ = false;
  period_ = 0;
  file_name_ = file_name;
  std::error_code ec;
  if (!update_flag || !std::filesystem::is_regular_file(file_name, ec)) return false;
  pugi::xml_document doc;
  if (!doc.load_file(file_name.c_str()) || std::string_view(doc.document_element().name()) != "Update")
    return false;
  std::ostringstream text;
  doc.save(text, "  ");
  xml_ = text.str();
  period_ = ParseInt32(doc.document_element().child("period").text().get()).value_or(0);
  loaded_ = true;
  return true;
}

std::string TUpdateConfig::Element(const char* name) const {
  if (!loaded_) return {};
  pugi::xml_document doc;
  doc.load_string(xml_.c_str());
  return doc.document_element().child(name).text().get();
}

void TUpdateConfig::SetPeriod(int days) {
  pugi::xml_document doc;
  if (!loaded_ || !doc.load_string(xml_.c_str())) {
    doc.reset();
    doc.append_child("Update");
  }
  pugi::xml_node root = doc.document_element();
  pugi::xml_node period = root.child("period");
  if (!period) period = root.append_child("period");
  period.text().set(days);
  std::ostringstream text;
  doc.save(text, "  ");
  try {
    WriteFileAtomic(file_name_, text.str());
  } catch (const Error&) {
    throw IoError(Format("Unable to write to %s", file_name_.c_str()));
  }
  xml_ = text.str();
  period_ = days;
  loaded_ = true;
}

int TUpdateConfig::PeriodOfChoice(int choice) {
  switch (choice) {
    case 0: return 7;
    case 1: return 30;
    default: return 0;
  }
}

}  // namespace fc

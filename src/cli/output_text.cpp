#include "cli/output_text.h"

namespace fc::cli {

std::string JsonLine(const TJson& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string JsonDocument(const TJson& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace fc::cli

#pragma once
// How the commands print: sizes, times and JSON. Every --json output goes through JsonLine
// (a stream of statuses, one object per line) or JsonDocument (one pretty-printed document).

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace fc::cli {

// Objects keep their fields in the order they were set.
using TJson = nlohmann::ordered_json;

// One line of compact JSON with its line break. Bytes that are not UTF-8 become U+FFFD.
std::string JsonLine(const TJson& value);
// An indented document with a final line break.
std::string JsonDocument(const TJson& value);


}  // namespace fc::cli

#pragma once
// The string table: every identifier and string literal of a compilation, and every name the
// code generator invents, becomes a small dense integer id. Name equality is id equality.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ascompiler/containers.h"

namespace fc {

using TStrId = int32_t;
using TStrIdArray = std::vector<TStrId>;

// Pseudo-ids of the constants a literal node can stand for.
inline constexpr TStrId kUndefinedId = -1;
inline constexpr TStrId kNullId = -2;
inline constexpr TStrId kFalseId = -3;
inline constexpr TStrId kTrueId = -4;

class TStringTable {
public:
  TStringTable();

  TStrId Intern(std::string_view text);
  const std::string& Text(TStrId id) const;  // throws EVectorRangeError for an unknown id
  int Count() const { return static_cast<int>(texts_.size()); }

  static constexpr TStrId EmptyId = 0;
  static constexpr TStrId ThisId = 1;
  static constexpr TStrId PrototypeId = 2;
  static constexpr TStrId SuperId = 3;
  static constexpr TStrId ArgumentsId = 4;
  static constexpr TStrId GlobalId = 5;
  static constexpr TStrId ObjectId = 6;

private:
  static uint32_t Hash(std::string_view text);
  void Grow();

  std::vector<std::string> texts_;
  std::vector<uint32_t> hashes_;  // per id, so that growing does not hash every text again
  // Open addressing: ids (or -1 for a free slot), a power of two in size, at most half full.
  std::vector<TStrId> slots_;
};

}  // namespace fc

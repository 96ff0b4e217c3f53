#pragma once
// Failures of the ActionScript compiler. Every compile error reaches the caller as an
// EActionCompileError carrying the message the user sees.

#include <string>

#include "core/error.h"

namespace fc {

class EActionCompileError : public Error {
public:
  using Error::Error;
};

// An index outside a compiler vector; carries the offending index.
class EVectorRangeError : public Error {
public:
  EVectorRangeError(const std::string& message, int index) : Error(message), index_(index) {}
  int Index() const { return index_; }

private:
  int index_;
};

class EDictKeyNotFound : public Error {
public:
  using Error::Error;
};

}  // namespace fc

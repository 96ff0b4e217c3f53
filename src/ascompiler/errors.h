#pragma once
// Failures of the ActionScript compiler. Every compile error reaches the caller as an
// EActionCompileError carrying the message the user sees.

#include <string>
#include <utility>
#include <vector>

#include "core/error.h"

namespace fc {

// Where a compile error lies and what it is, for a display such as
// "FILE:LINE:COLUMN: error: MESSAGE". Line and column count from 1; a file name that is
// empty means the main text of the compilation.
struct TCompileDiagnostic {
  std::string File;
  int Line = 0;
  int Column = 0;
  std::string Message;
};

// The message is the text the compiler has always given (what a movie records); the
// diagnostics, when there are any, list each error found with its place.
class EActionCompileError : public Error {
public:
  using Error::Error;
  EActionCompileError(const std::string& message, std::vector<TCompileDiagnostic> diagnostics)
      : Error(message), diagnostics_(std::move(diagnostics)) {}
  const std::vector<TCompileDiagnostic>& Diagnostics() const { return diagnostics_; }

private:
  std::vector<TCompileDiagnostic> diagnostics_;
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

#pragma once
// The project's exceptions. Failures are exceptions that carry their message text; a library
// adds a subclass only where callers must tell its failures apart.

#include <stdexcept>
#include <string>

namespace fc {

class Error : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Bytes from a file that do not follow their format. The message names the record, the
// field and the offset where the fault was found.
class FormatError : public Error {
public:
  using Error::Error;
};

// A file could not be read or written.
class IoError : public Error {
public:
  using Error::Error;
};

}  // namespace fc

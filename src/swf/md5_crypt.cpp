// The MD5-crypt password scheme of the protect and debugger tags, through libcrypt.

#include <crypt.h>

#include <random>
#include <string>

#include "core/error.h"
#include "core/text.h"
#include "swf/bits_engine.h"

namespace fc {
namespace {

constexpr std::string_view kMagic = "$1$";
// The scheme's output alphabet, from which salts are drawn too.
constexpr std::string_view kAlphabet = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

std::string MD5Crypt(const std::string& Password, const std::string& Salt) {
  std::string salt = Salt.rfind(kMagic, 0) == 0 ? Salt.substr(kMagic.size()) : Salt;
  if (salt.size() >= 2) {
    salt.resize(2);
  } else {
    std::random_device random;
    salt.clear();
    for (int i = 0; i < 2; ++i) salt += kAlphabet[random() % kAlphabet.size()];
  }
  // libcrypt reads the salt up to a '$' and refuses characters outside the alphabet; a salt
  // that would be read differently is refused here with a message instead.
  if (salt.find_first_not_of(kAlphabet) != std::string::npos)
    throw Error("The MD5-crypt salt '" + salt + "' has characters other than . / 0-9 A-Z a-z");
  if (Password.find('\0') != std::string::npos) throw Error("An MD5-crypt password cannot hold a zero character");

  crypt_data data{};
  const std::string setting = std::string(kMagic) + salt + "$";
  const char* hash = crypt_rn(Password.c_str(), setting.c_str(), &data, sizeof data);
  if (!hash) throw Error(Format("libcrypt refused to hash a password of %zu bytes", Password.size()));
  return hash;
}

}  // namespace fc

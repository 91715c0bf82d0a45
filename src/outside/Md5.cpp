#include "outside/Md5.h"

#include <openssl/evp.h>

namespace pkg {

bool md5Buffer(const void* data, size_t length, std::string& out) {
  out.clear();
  static const unsigned char kEmpty = 0;
  if (data == nullptr) {
    if (length != 0) {
      return false;
    }
    data = &kEmpty;
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(data, length, digest, &digestLength, EVP_md5(), nullptr) != 1) {
    return false;
  }
  static const char kHex[] = "0123456789abcdef";
  out.reserve(2 * digestLength);
  for (unsigned int i = 0; i < digestLength; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0x0F];
  }
  return true;
}

}  // namespace pkg

#pragma once
// Owning handles for the OpenSSL objects the update code makes: each frees its
// object with the library's own function when it goes out of scope.

#include <openssl/evp.h>

#include <memory>

namespace imbrino {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using KeyHandle = std::unique_ptr<EVP_PKEY, KeyFree>;

struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

}  // namespace imbrino

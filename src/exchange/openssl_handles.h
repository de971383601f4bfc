#pragma once

#include <memory>
#include <openssl/bio.h>
#include <openssl/x509.h>

namespace zumaset {

// Owners of the OpenSSL objects the certificate code reads and checks.
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Deleter {
    void operator()(X509* cert) const { X509_free(cert); }
};
using BioPtr = std::unique_ptr<BIO, BioDeleter>;
using X509Ptr = std::unique_ptr<X509, X509Deleter>;

} // namespace zumaset

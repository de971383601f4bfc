#pragma once

#include "app/ctl/ctl_output.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace zumaset {

struct CaFetchOptions;

// The operator's CA certificates in the client's CA folder, without a desktop.

// Every file of the folder: its name, and the subject, validity and
// fingerprint of the certificate it holds.
int ListCaCertificates(const std::filesystem::path& caFolder, const CtlOutput& output);

// Fetches both certificates from `server`, shows each and stores the ones the
// user confirms (every one with `assumeYes`).
int FetchCaCertificates(const std::filesystem::path& caFolder, const std::string& server, const CaFetchOptions& options,
                        std::istream& in, bool assumeYes, const CtlOutput& output);

// Validates a local certificate file (PEM or DER) and stores it.
int AddCaCertificate(const std::filesystem::path& caFolder, const std::filesystem::path& file, const CtlOutput& output);

// Removes one file of the folder by its name.
int RemoveCaCertificate(const std::filesystem::path& caFolder, const std::string& name, const CtlOutput& output);

} // namespace zumaset

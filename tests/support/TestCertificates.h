// Certificates for the TLS tests, made with the openssl command as an
// administrator would.
#pragma once

#include <cstdlib>
#include <string>

namespace vellum::testing {

// A P-256 key without a pass phrase and its certificate, written as
// FOLDER/NAME.key and FOLDER/NAME.pem; signed by FOLDER/CA.pem, or by itself
// when `ca` is empty (a CA when altNames, "IP:127.0.0.1,DNS:localhost", is
// empty too). Valid for `days` from now: a negative count, already expired.
// False when openssl failed.
inline bool MakeCertificate(const std::string& folder, const std::string& name,
                            const std::string& altNames = "", const std::string& ca = "",
                            int days = 2)
{
    const std::string at = folder + name, valid = " -days " + std::to_string(days);
    auto openssl = [](const std::string& words) {
        return std::system(("/usr/bin/openssl " + words + " >/dev/null 2>&1").c_str()) == 0;
    };
    std::string request =
        "req -subj /CN=" + name + (altNames.empty() ? "" : " -addext subjectAltName=" + altNames) +
        " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout " + at + ".key -out " + at;
    if (ca.empty())
        return openssl(request + ".pem -x509" + valid);
    return openssl(request + ".csr") &&
           openssl("x509 -req -copy_extensions copy -CA " + folder + ca + ".pem -CAkey " + folder +
                   ca + ".key -in " + at + ".csr -out " + at + ".pem" + valid);
}

} // namespace vellum::testing

// As RFC 5802 and 7677 define it: the salted password is PBKDF2 with
// HMAC-SHA-256, the stored key the SHA-256 of the client key, each key an
// HMAC of the salted password. The password goes in as given (PostgreSQL
// prepares only passwords that are not plain ASCII).
#include "ScramSecret.h"

#include <array>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <string_view>

namespace {

constexpr int kIterations = 4096;
using Digest = std::array<unsigned char, SHA256_DIGEST_LENGTH>;

std::string Base64(const unsigned char* bytes, int size)
{
    std::string text(static_cast<size_t>(4 * ((size + 2) / 3)), '\0');
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes, size);
    return text;
}

Digest Hmac(const Digest& key, std::string_view message)
{
    Digest out{};
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), out.data(),
         &length);
    return out;
}

} // namespace

std::string ScramSha256Secret(const std::string& password)
{
    std::array<unsigned char, 16> salt{};
    Digest salted{};
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1 ||
        PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), kIterations, EVP_sha256(),
                          static_cast<int>(salted.size()), salted.data()) != 1)
        return {};
    Digest clientKey = Hmac(salted, "Client Key");
    Digest storedKey{};
    SHA256(clientKey.data(), clientKey.size(), storedKey.data());
    Digest serverKey = Hmac(salted, "Server Key");
    return "SCRAM-SHA-256$" + std::to_string(kIterations) + ":" +
           Base64(salt.data(), static_cast<int>(salt.size())) + "$" +
           Base64(storedKey.data(), static_cast<int>(storedKey.size())) + ":" +
           Base64(serverKey.data(), static_cast<int>(serverKey.size()));
}

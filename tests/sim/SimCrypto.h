// The test-facing side of the simulated CryptoAPI. Verification is real
// (OpenSSL's libcrypto), so tests sign with real keys as the maker would.
// sim::ResetCrypto() (called by sim::Reset()) ends every open handle.
#pragma once
#include <string>

namespace sim {

// The RSA PKCS#1 v1.5 SHA-256 signature of data made with the PEM private key
// at keyPath, in the byte order signing tools write (most significant first).
// Empty when the key cannot be read.
std::string SignWithKey(const std::string& data, const std::string& keyPath);

// CryptoAPI handles (contexts, keys, hashes) not yet released or destroyed.
int OpenCryptHandleCount();

}  // namespace sim

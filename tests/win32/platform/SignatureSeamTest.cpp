// Signature verification through the real CryptoAPI: signatures made by
// openssl (as the release step makes them) over the built program, checked
// with the keys built into it and with a stranger's key.
#include "update/SignatureCheck.h"
#include "base/Handles.h"

#include "platform/Crypto.h"
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/win32/gtest/DosPath.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file as the update holds its download: open for reading.
struct OpenFile {
    explicit OpenFile(const std::string& path)
        : file(plat::CreateFileA(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING, 0)) {}
    FileHandle file;
};

bool SignedByMaker(const std::string& path, const Signature& signature) {
    return IsSignedByMaker(OpenFile(path).file.Get(), signature);
}

Signature AsSignature(const std::string& bytes) {
    Signature signature{};
    EXPECT_EQ(bytes.size(), kSignatureSize);
    std::copy_n(bytes.begin(), std::min(bytes.size(), kSignatureSize), signature.begin());
    return signature;
}

class SignatureSeam : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty()) << "TQ_SIGNED_DIR is not set";
        signature = AsSignature(ReadAll(dir + "\\tarnquill.exe.sig"));
    }
    const std::string dir = DosPathFromEnvironment("TQ_SIGNED_DIR");
    const std::string exe = dir + "\\tarnquill.exe";
    Signature signature{};
};

TEST_F(SignatureSeam, TheMakersSignatureVerifiesWithTheBuiltInKey) {
    EXPECT_TRUE(SignedByMaker(exe, signature));
}

TEST_F(SignatureSeam, AFlippedByteOfTheExecutableOrOfTheSignatureFails) {
    EXPECT_FALSE(SignedByMaker(dir + "\\tarnquill-flipped.exe", signature));
    Signature flipped = signature;
    flipped[200] ^= 0x01;
    EXPECT_FALSE(SignedByMaker(exe, flipped));
}

TEST_F(SignatureSeam, AnotherKeysSignatureFailsAndVerifiesOnlyWithThatKey) {
    Signature stranger = AsSignature(ReadAll(dir + "\\tarnquill.exe.stranger.sig"));
    EXPECT_FALSE(SignedByMaker(exe, stranger));
    std::string blob = ReadAll(DosPathFromEnvironment("TQ_STRANGER_KEY_BLOB"));
    ASSERT_EQ(blob.size(), 404u);
    EXPECT_TRUE(IsSignedWithKey(OpenFile(exe).file.Get(), stranger,
                                reinterpret_cast<const unsigned char*>(blob.data()), blob.size()));
}

TEST_F(SignatureSeam, ATruncatedSignatureFails) {
    std::string blob = ReadAll(DosPathFromEnvironment("TQ_SIGNING_KEY_BLOB"));
    std::string image = ReadAll(exe);
    CryptContext context;
    ASSERT_TRUE(plat::CryptAcquireContextA(context.Put(), plat::PROV_RSA_AES, plat::CRYPT_VERIFYCONTEXT));
    CryptKey key;
    ASSERT_TRUE(plat::CryptImportKey(context.Get(), reinterpret_cast<const plat::BYTE*>(blob.data()),
                                     static_cast<plat::DWORD>(blob.size()), 0, key.Put()));
    CryptHash hash;
    ASSERT_TRUE(plat::CryptCreateHash(context.Get(), plat::CALG_SHA_256, 0, hash.Put()));
    ASSERT_TRUE(plat::CryptHashData(hash.Get(), reinterpret_cast<const plat::BYTE*>(image.data()),
                                    static_cast<plat::DWORD>(image.size()), 0));
    Signature reversed;
    std::reverse_copy(signature.begin(), signature.end(), reversed.begin());
    // The whole signature verifies through the seam; its first 383 bytes do not.
    EXPECT_TRUE(plat::CryptVerifySignatureA(hash.Get(), reversed.data(), kSignatureSize, key.Get(), 0));
    EXPECT_FALSE(plat::CryptVerifySignatureA(hash.Get(), reversed.data() + 1, kSignatureSize - 1, key.Get(), 0));
}

}  // namespace

// A machine with the installed program running, an update directory on the
// stand-in server, and checks that every test leaves no handle behind.
#pragma once
#include "update/AutoUpdater.h"
#include "update/UpdateLock.h"
#include "tests/StdString.h"

#include "tests/sim/SimCrypto.h"
#include "tests/sim/SimInet.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimThreads.h"

#include "BuildConfig.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace updtest {

inline const std::string kBaseUrl = TQ_SCHEME "://" TQ_HOST "/tarnquill/update/";
inline const std::string kManifestUrl = kBaseUrl + "update.txt";
// The failure boxes' caption, spelled out in code page 936.
inline const std::string kFailureCaption = "\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC\xA3\xA1";
// The executable and its signature of the release that announces version:
// the version rides in the query, so no cache mixes two releases' files.
inline std::string ExeUrl(const std::string& version) { return kBaseUrl + "tarnquill.exe?v=" + version; }
inline std::string SigUrl(const std::string& version) { return kBaseUrl + "tarnquill.exe.sig?v=" + version; }
inline const std::string kExeUrl = ExeUrl("5.0.0.1");
inline const std::string kSigUrl = SigUrl("5.0.0.1");
inline const std::string kSigningKey = TQ_TEST_KEYS_DIR "/TEST-ONLY-update-signing-key.pem";
inline const std::string kStrangerKey = TQ_TEST_KEYS_DIR "/TEST-ONLY-stranger-key.pem";

// The signature the maker's release step serves for image.
inline std::string SignatureOf(const std::string& image, const std::string& key = kSigningKey) {
    std::string signature = sim::SignWithKey(image, key);
    EXPECT_EQ(signature.size(), 384u) << "cannot sign with " << key;
    return signature;
}
inline const std::string kFolder = "C:\\ProgramData\\Veltrano";
inline const std::string kExe = kFolder + "\\tarnquill.exe";
inline const std::string kBackup = kFolder + "\\OldExecutable.bak";
inline const std::string kTempDir = "C:\\Users\\user\\AppData\\Local\\Temp\\";
// This process's download, beside the executable: the file name, the hash
// of kExe that the update lock's name carries, and the simulated process id
// 4242.
inline const std::string kDownload = kFolder + "\\tarnquill.exe.0E2A1C47E51C4BF9.4242.part";

// What the update left in the executable's folder besides the executable
// and its backup, and in the temporary folder.
inline std::vector<std::string> LeftOver() {
    std::vector<std::string> left;
    for (const std::string& name : sim::ListFolder(kFolder))
        if (name != "tarnquill.exe" && name != "OldExecutable.bak") left.push_back(name);
    for (const std::string& name : sim::ListFolder(kTempDir)) left.push_back(name);
    return left;
}

class UpdateWorld : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        oldImage = sim::MakeExecutableImage("5.0.0.0");
        newImage = sim::MakeExecutableImage("5.0.0.1");
        sim::SetModulePath(kExe);
        sim::PutFile(kExe, oldImage);
        sim::SetRunningImage(kExe, true);
    }

    void TearDown() override {
        updater.reset();
        EXPECT_EQ(sim::OpenUrlHandleCount(), 0) << "a URL handle was left open";
        EXPECT_EQ(sim::OpenSessionCount(), 0) << "the session outlived the updater";
        EXPECT_TRUE(sim::BadInternetHandleCalls().empty());
        EXPECT_EQ(sim::OpenFileHandleCount(), 0) << "a file handle was left open";
        EXPECT_TRUE(sim::BadHandleCalls().empty());
        EXPECT_EQ(sim::OpenCryptHandleCount(), 0) << "a CryptoAPI handle was left open";
        EXPECT_FALSE(sim::MutexHeld(StdString(UpdateLockName(kExe.c_str())))) << "the update lock was kept";
    }

    CAutoUpdater& Updater() {
        if (!updater) updater.emplace();
        return *updater;
    }

    // The manifest announcing version, and the executable image served
    // with the maker's signature beside it.
    void Publish(const std::string& version, const std::string& image) {
        sim::ServeBody(kManifestUrl, version);
        sim::ServeBody(SigUrl(version), SignatureOf(image));
        sim::ServeBody(ExeUrl(version), image);
    }

    UpdateResult Check() { return Updater().CheckForUpdate(kBaseUrl.c_str()); }

    // The executable, its backup and the folders untouched by a
    // result that changes nothing on disk.
    void ExpectDiskUnchanged(const std::optional<std::string>& backup = std::nullopt) {
        EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
        EXPECT_EQ(sim::ReadFileBytes(kBackup), backup);
        EXPECT_EQ(LeftOver(), std::vector<std::string>{});
    }

    std::optional<CAutoUpdater> updater;
    std::string oldImage;
    std::string newImage;
};

}  // namespace updtest

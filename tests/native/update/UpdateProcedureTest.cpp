// The blocking update procedure: each result and what it leaves on disk; it
// asks nothing and shows nothing.
#include "UpdateWorld.h"

#include "update/UpdateSettings.h"

#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "platform/User.h"
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimSecurity.h"

#include <string>

using namespace updtest;

namespace {

const std::string kEarlierBackup = "image of an earlier update";

sim::HttpAnswer Answer(plat::DWORD status, const std::string& body) {
    sim::HttpAnswer answer;
    answer.status = status;
    answer.body = body;
    return answer;
}

class Procedure : public UpdateWorld {};

TEST_F(Procedure, NoConnectionEndsBeforeAnyRequest) {
    sim::SetConnected(false);
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Check(), NotConnected);
    EXPECT_TRUE(sim::OpenedUrls().empty());
    ExpectDiskUnchanged();
}

TEST_F(Procedure, AnUnreachableManifestIsOpenFailed) {
    sim::HttpAnswer refused;
    refused.unreachable = true;
    sim::ServeUrl(kManifestUrl, refused);
    EXPECT_EQ(Check(), OpenFailed);
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl}));
    ExpectDiskUnchanged();
}

TEST_F(Procedure, AnEmptyOrFailedManifestReadIsManifestReadFailed) {
    sim::ServeBody(kManifestUrl, "");
    EXPECT_EQ(Check(), ManifestReadFailed);

    sim::HttpAnswer dropped;
    dropped.body = "5.0.0.1";
    dropped.failAfter = 0;
    sim::ServeUrl(kManifestUrl, dropped);
    EXPECT_EQ(Check(), ManifestReadFailed);
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl, kManifestUrl}));
    ExpectDiskUnchanged();
}

TEST_F(Procedure, AnExecutableWithoutAVersionIsOwnVersionUnknown) {
    for (const std::string& image :
         {sim::MakeExecutableImageWithoutVersion(), sim::MakeExecutableImage("0.0.0.0")}) {
        sim::SetRunningImage(kExe, false);
        sim::PutFile(kExe, image);
        Publish("5.0.0.1", newImage);
        EXPECT_EQ(Check(), OwnVersionUnknown);
    }
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl, kManifestUrl}));
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(Procedure, AManifestNotNewerEndsSilentlyAfterOneRequest) {
    for (const char* manifest : {"5.0", "5.0.0.0", "4.9.9.9", "5.0.0.1\r\n", "v5.1", "1.2.3.4.5",
                                 "<html><body>404 Not Found</body></html>"}) {
        SCOPED_TRACE(manifest);
        updater.reset();
        sim::ResetInet();
        sim::ServeBody(kManifestUrl, manifest);
        EXPECT_EQ(Check(), NoNewerVersion);
        EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl}));
    }
    EXPECT_TRUE(sim::MessageBoxes().empty());
    ExpectDiskUnchanged();
}

TEST_F(Procedure, AnErrorStatusForTheManifestEndsSilentlyWhateverItsBody) {
    // "503" would otherwise read as version 503 and be offered.
    for (const char* body : {"503", "<html>Not Found</html>"}) {
        sim::HttpAnswer error;
        error.status = 503;
        error.body = body;
        sim::ServeUrl(kManifestUrl, error);
        EXPECT_EQ(Check(), ManifestReadFailed);
    }
    EXPECT_TRUE(sim::MessageBoxes().empty());
    ExpectDiskUnchanged();
}

TEST_F(Procedure, AnExecutableThatCannotBeOpenedIsNeverOffered) {
    sim::ServeBody(kManifestUrl, "5.0.0.1");
    sim::ServeBody(kSigUrl, SignatureOf(newImage));
    sim::HttpAnswer refused;
    refused.unreachable = true;
    sim::ServeUrl(kExeUrl, refused);
    EXPECT_EQ(Check(), OpenFailed);
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl, kSigUrl, kExeUrl}));
    EXPECT_TRUE(sim::MessageBoxes().empty());
    ExpectDiskUnchanged();
}

TEST_F(Procedure, AcceptedUpdateSwapsTheExecutableBehindTheBackup) {
    sim::PutFile(kBackup, "image of an earlier update");
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Check(), Updated);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_TRUE(sim::IsRunningImage(kBackup));
    EXPECT_FALSE(sim::Exists(kDownload));
    EXPECT_TRUE(sim::MessageBoxes().empty()) << "nobody is asked";
    // Made in the executable's folder, the new image has that folder's
    // rights: the other users of the machine can still start the program.
    EXPECT_TRUE(sim::MayAccess(kExe, sim::Account::UserB, sim::kReadExecute));
    EXPECT_FALSE(sim::MayAccess(kExe, sim::Account::UserB, sim::kWrite));
}

TEST_F(Procedure, TheManifestReadLeavesRoomForTheTerminator) {
    // 4096 bytes that are a valid version up to any length: only 4095 are
    // taken. No address of a release can carry such a version, so nothing is
    // offered, as when the server cannot be reached.
    std::string manifest = "5.0.0.1" + std::string(4096 - 7, '.');
    Publish(manifest, newImage);
    EXPECT_EQ(Check(), OpenFailed);
    ASSERT_FALSE(sim::UrlReads().empty());
    EXPECT_EQ(sim::UrlReads()[0].asked, 4095u);
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl}));
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(Procedure, OnlyTheFirstPieceOfTheManifestCounts) {
    sim::HttpAnswer pieces;
    pieces.body = "5.0.0.1";
    pieces.pieceSize = 3;  // "5.0": equal to the running version
    sim::ServeUrl(kManifestUrl, pieces);
    EXPECT_EQ(Check(), NoNewerVersion);
}

// Every way the served executable can be unusable: result 4, nothing
// replaced, no file left in the temporary folder.
class BadDownload : public UpdateWorld {
protected:
    // exe is served beside signature (by default the maker's signature of
    // the sound new image).
    void ExpectRejected(const sim::HttpAnswer& exe, std::string signature = std::string()) {
        sim::ServeBody(kManifestUrl, "5.0.0.1");
        sim::ServeBody(kSigUrl, signature.empty() ? SignatureOf(newImage) : signature);
        sim::ServeUrl(kExeUrl, exe);
        sim::PutFile(kBackup, kEarlierBackup);
            EXPECT_EQ(Check(), DownloadFailed);
        EXPECT_TRUE(sim::MessageBoxes().empty());
        // Not even the backup of the swap was touched.
        ExpectDiskUnchanged(kEarlierBackup);
    }

    sim::HttpAnswer Served(const std::string& body) {
        sim::HttpAnswer answer;
        answer.body = body;
        return answer;
    }
};

TEST_F(BadDownload, AnErrorStatusEvenWithAnExecutableBody) {
    sim::HttpAnswer notFound = Served("<html><body>404 Not Found</body></html>");
    notFound.status = 404;
    ExpectRejected(notFound);
    sim::HttpAnswer wrongStatus = Served(newImage);
    wrongStatus.status = 500;
    ExpectRejected(wrongStatus);
}

TEST_F(BadDownload, ABodyShorterThanAnnounced) {
    sim::HttpAnswer truncated = Served(newImage.substr(0, newImage.size() / 2));
    truncated.contentLength = static_cast<plat::DWORD>(newImage.size());
    ExpectRejected(truncated);
}

TEST_F(BadDownload, AConnectionDroppedMidway) {
    sim::HttpAnswer dropped = Served(newImage + std::string(10000, 'z'));
    dropped.failAfter = 4096;
    ExpectRejected(dropped);
}

TEST_F(BadDownload, ABodyThatIsNoExecutable) {
    ExpectRejected(Served("<html>maintenance</html>"));
    ExpectRejected(Served(""));
}

TEST_F(BadDownload, AnImageCutShortWithoutAnAnnouncedLength) {
    sim::HttpAnswer cut = Served(newImage.substr(0, newImage.size() - 1));
    cut.sendsContentLength = false;
    ExpectRejected(cut);
}

TEST_F(BadDownload, AnythingTheMakerDidNotSign) {
    std::string flippedImage = newImage;
    flippedImage[flippedImage.size() / 2] ^= 0x01;
    ExpectRejected(Served(flippedImage));
    std::string flippedSignature = SignatureOf(newImage);
    flippedSignature[100] ^= 0x01;
    ExpectRejected(Served(newImage), flippedSignature);
    ExpectRejected(Served(newImage), SignatureOf(newImage, kStrangerKey));
    // Every piece counts, not only the first one read back.
    const std::string large = newImage + std::string(3 * 4096, 'p');
    std::string changedLate = large;
    changedLate[4096 + 100] ^= 0x01;
    ExpectRejected(Served(changedLate), SignatureOf(large));
    // The body alone does not make a signed download: its signature must match.
    ExpectRejected(Served(newImage), SignatureOf(sim::MakeExecutableImage("5.0.0.2")));
}

TEST_F(BadDownload, ASignedExecutableNotNewerThanTheRunningOne) {
    for (const std::string& image : {oldImage, sim::MakeExecutableImage("4.9.0.0"),
                                     sim::MakeExecutableImageWithoutVersion()})
        ExpectRejected(Served(image), SignatureOf(image));
}

// The test images fit one read piece; the real program does not.
TEST_F(Procedure, AnImageLargerThanOneReadPieceIsCheckedWhole) {
    const std::string large = newImage + std::string(3 * 4096, 'p');
    Publish("5.0.0.1", large);
    EXPECT_EQ(Check(), Updated);
    EXPECT_EQ(sim::ReadFileBytes(kExe), large);
}

TEST_F(Procedure, TheDownloadNeedNotCarryTheAnnouncedVersionExactly) {
    // A manifest that names 5.1 for an executable of 5.1.0.3.
    std::string image = sim::MakeExecutableImage("5.1.0.3");
    Publish("5.1", image);
    EXPECT_EQ(Check(), Updated);
    EXPECT_EQ(sim::ReadFileBytes(kExe), image);
}

// Without a usable signature nothing is offered: the same silent outcome as
// an unreachable server, and the executable is never even opened.
TEST_F(Procedure, NoUsableSignatureNoOffer) {
    std::string signature = SignatureOf(newImage);
    sim::HttpAnswer notFound = Answer(404, signature);
    sim::HttpAnswer unreachable;
    unreachable.unreachable = true;
    sim::HttpAnswer dropped = Answer(200, signature);
    dropped.failAtEnd = true;
    for (const sim::HttpAnswer& answer : {notFound, unreachable, dropped,
                                          Answer(200, signature.substr(1)),
                                          Answer(200, signature + "\n")}) {
        updater.reset();
        sim::ResetInet();
        sim::ServeBody(kManifestUrl, "5.0.0.1");
        sim::ServeUrl(kSigUrl, answer);
        EXPECT_EQ(Check(), OpenFailed);
        EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl, kSigUrl}));
    }
    EXPECT_TRUE(sim::MessageBoxes().empty());
    ExpectDiskUnchanged();
}

TEST_F(Procedure, ASignatureDeliveredInPiecesIsWhole) {
    Publish("5.0.0.1", newImage);
    sim::HttpAnswer pieces = Answer(200, SignatureOf(newImage));
    pieces.pieceSize = 100;
    sim::ServeUrl(kSigUrl, pieces);
    EXPECT_EQ(Check(), Updated);
}

// At most kMaxDownloadBytes: a larger announced length is refused before
// the first read, a body that grows past it is called off there.
TEST_F(BadDownload, ABodyOverTheBound) {
    auto readOfExe = [] {
        std::size_t delivered = 0;
        for (const auto& read : sim::UrlReads()) delivered += read.url == kExeUrl ? read.delivered : 0;
        return delivered;
    };
    sim::HttpAnswer announced = Served(newImage);
    announced.contentLength = kMaxDownloadBytes + 1;
    ExpectRejected(announced);
    EXPECT_EQ(readOfExe(), 0u);

    sim::HttpAnswer growing = Served(newImage);
    growing.fillTo = std::size_t{kMaxDownloadBytes} + 1024 * 1024;
    growing.sendsContentLength = false;
    ExpectRejected(growing);
    EXPECT_LE(readOfExe(), std::size_t{kMaxDownloadBytes} + 4096);
}

// The bound itself is allowed: a release of exactly kMaxDownloadBytes,
// announced as such, is downloaded whole and swapped in.
TEST_F(Procedure, AReleaseOfExactlyTheBoundIsTaken) {
    const std::string largest = newImage + std::string(kMaxDownloadBytes - newImage.size(), 'p');
    Publish("5.0.0.1", largest);
    sim::QueueAnswer(plat::IDYES);
    EXPECT_EQ(Check(), Updated);
    EXPECT_EQ(sim::ReadFileBytes(kExe)->size(), std::size_t{kMaxDownloadBytes});
}

TEST_F(BadDownload, AFullDisk) {
    sim::InjectFault(sim::Op::WriteFile, 1, sim::Fault::Short(10));
    ExpectRejected(Served(newImage));
}

TEST_F(BadDownload, AStaleTemporaryFileIsNotLeftBehind) {
    sim::PutFile(kDownload, "left by an earlier attempt");
    sim::HttpAnswer notFound = Served("gone");
    notFound.status = 404;
    ExpectRejected(notFound);
}

// A backup that cannot be deleted (an old copy still runs from it, or
// another user made it) does not stop the swap: it gets a backup of its own,
// which a later update clears.
TEST_F(Procedure, ABackupThatCannotBeDeletedGetsOneOfItsOwn) {
    const std::string ownBackup = kFolder + "\\OldExecutable.4242.bak";
    sim::PutFile(kBackup, "image still running elsewhere");
    sim::SetRunningImage(kBackup, true);
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Check(), Updated);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), "image still running elsewhere");
    EXPECT_EQ(sim::ReadFileBytes(ownBackup), oldImage);
    sim::SetRunningImage(kBackup, false);
    sim::SetRunningImage(ownBackup, false);

    sim::SetRunningImage(kExe, false);
    sim::SetModulePath(kExe);
    sim::PutFile(kExe, oldImage);
    sim::SetRunningImage(kExe, true);
    updater.reset();
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Check(), Updated);
    EXPECT_FALSE(sim::Exists(ownBackup));
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
}

// Neither a lock that any local user can take in the global namespace nor a
// copy that ended while holding the lock stops the update.
TEST_F(Procedure, NoLockLeftOrTakenElsewhereStopsTheUpdate) {
    const std::string hash = StdString(ExecutableHash(kExe.c_str()));
    plat::HANDLE otherUsers = plat::CreateMutexA(("Global\\tarnquill-update-" + hash).c_str());
    ASSERT_EQ(plat::WaitForSingleObject(otherUsers, 0), plat::WAIT_OBJECT_0);
    plat::HANDLE endedCopy = plat::CreateMutexA(StdString(UpdateLockName(kExe.c_str())).c_str());
    ASSERT_EQ(plat::WaitForSingleObject(endedCopy, 0), plat::WAIT_OBJECT_0);
    plat::CloseHandle(endedCopy);  // its process ended without a release

    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Check(), Updated);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    plat::ReleaseMutex(otherUsers);
    plat::CloseHandle(otherUsers);
}

TEST_F(Procedure, AFailedSecondMovePutsTheOldImageBack) {
    Publish("5.0.0.1", newImage);
    sim::InjectFault(sim::Op::MoveFileEx, 2);
    EXPECT_EQ(Check(), NotReplaced);
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_TRUE(sim::IsRunningImage(kExe));
    EXPECT_FALSE(sim::Exists(kBackup));
    EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

}  // namespace

// Files and folders: opening, sharing and deleting files, the image of a
// running process, moves and replacements, folders and names. What the
// installation's copy and the update's swap of the executable meet on the
// disk.
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractWorld.h"
#include "platform/Security.h"

using namespace plat;

namespace contract {
namespace {

using OpenFiles = WorldTest;

TEST_F(OpenFiles, CreateAlwaysTruncatesAndOpenExistingNeedsTheFile) {
    const std::string path = Scratch() + "\\data.bin";
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForRead(path));
    ASSERT_TRUE(WriteBytes(path, std::string(5000, 'x')));
    ASSERT_TRUE(WriteBytes(path, std::string("ab\0c", 4)));

    HANDLE h = OpenForRead(path);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD high = 0xdeadbeef, got = 0xdeadbeef;
    EXPECT_EQ(4u, GetFileSize(h, &high));
    EXPECT_EQ(0u, high);
    char buf[8] = {};
    EXPECT_TRUE(ReadFile(h, buf, 3, &got));
    EXPECT_EQ(3u, got);
    EXPECT_TRUE(ReadFile(h, buf + 3, 8, &got));
    EXPECT_EQ(1u, got);
    EXPECT_EQ(std::string("ab\0c", 4), std::string(buf, 4));
    EXPECT_TRUE(ReadFile(h, buf, 8, &got));  // the end: success with nothing
    EXPECT_EQ(0u, got);
    EXPECT_FALSE(WriteFile(h, "x", 1, &got));  // a read handle does not write
    EXPECT_TRUE(CloseHandle(h));

    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWrite(Scratch() + "\\missing\\a.bin"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWrite(Scratch()));  // a folder
}

TEST_F(OpenFiles, ASecondOpeningMustShareWithTheFirst) {
    const std::string path = Scratch() + "\\s.bin";
    ASSERT_TRUE(WriteBytes(path, "data"));
    HANDLE reader = OpenForRead(path, FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWrite(path));  // the reader denies writing
    HANDLE second = OpenForRead(path, FILE_SHARE_READ);
    EXPECT_NE(INVALID_HANDLE_VALUE, second);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForRead(path, FILE_SHARE_WRITE));  // denies the open reader
    CloseHandle(second);
    CloseHandle(reader);
    EXPECT_EQ("data", ReadBytes(path));  // nothing truncated

    HANDLE writer = OpenForWrite(path, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForRead(path));
    CloseHandle(writer);
    writer = OpenForWrite(path);
    HANDLE shared = OpenForRead(path);
    EXPECT_NE(INVALID_HANDLE_VALUE, shared);
    CloseHandle(shared);
    CloseHandle(writer);
}

// The update's staged download: created new, written and read back through
// the one handle, which no other opening may write through meanwhile.
TEST_F(OpenFiles, CreateNewNeverReusesAFileAndItsHandleReadsBackWhatItWrote) {
    const std::string path = Scratch() + "\\staged.part";
    ASSERT_TRUE(WriteBytes(path, "planted"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ("planted", ReadBytes(path));
    ASSERT_TRUE(DeleteFileA(path.c_str()));

    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD got = 0;
    EXPECT_TRUE(WriteFile(h, "0123456789", 10, &got));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWrite(path));
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(6u, SetFilePointer(h, 6, FILE_BEGIN));
    char buf[8] = {};
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &got));
    EXPECT_EQ("6789", std::string(buf, got));
    EXPECT_EQ(0u, SetFilePointer(h, 0, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(h, buf, 3, &got));
    EXPECT_EQ("012", std::string(buf, got));
    CloseHandle(h);
    EXPECT_EQ("0123456789", ReadBytes(path));
}

TEST_F(OpenFiles, CannotBeDeletedOrMovedWhileOpen) {
    const std::string path = Scratch() + "\\o.bin", moved = Scratch() + "\\p.bin";
    ASSERT_TRUE(WriteBytes(path, "x"));
    HANDLE h = OpenForRead(path);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(MoveFileExA(path.c_str(), moved.c_str(), MOVEFILE_COPY_ALLOWED));
    ASSERT_TRUE(WriteBytes(moved, "y"));
    EXPECT_FALSE(MoveFileExA(moved.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));  // nor replaced
    EXPECT_TRUE(DeleteFileA(moved.c_str()));
    CloseHandle(h);
    EXPECT_TRUE(MoveFileExA(path.c_str(), moved.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(DeleteFileA(moved.c_str()));
    EXPECT_FALSE(DeleteFileA(moved.c_str()));
    EXPECT_FALSE(DeleteFileA(Scratch().c_str()));  // a folder is no file
}

using RunningImage = WorldTest;

TEST_F(RunningImage, CanBeRenamedButNotDeletedOrOverwritten) {
    const std::string image = StartRunningImage();
    const std::string bak = Scratch() + "\\OldExecutable.bak", next = Scratch() + "\\next.exe";
    const auto before = ReadBytes(image);  // copying a running program works
    ASSERT_TRUE(before.has_value());
    EXPECT_FALSE(DeleteFileA(image.c_str()));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWrite(image));
    EXPECT_EQ(before, ReadBytes(image));  // not truncated
    ASSERT_TRUE(WriteBytes(next, "MZ next"));
    EXPECT_FALSE(MoveFileExA(next.c_str(), image.c_str(), MOVEFILE_REPLACE_EXISTING));

    // The rename frees the name; the image stays in use under its new one.
    EXPECT_TRUE(MoveFileExA(image.c_str(), bak.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_FALSE(DeleteFileA(bak.c_str()));
    EXPECT_TRUE(MoveFileExA(next.c_str(), image.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("MZ next", ReadBytes(image));
}

// What the update asks before it offers anything: whether a file may be
// made in the executable's folder and the executable moved, by opening both
// for that alone. A running image opens so; a file held by a handle that
// does not share deleting does not.
TEST_F(RunningImage, OpensToBeMovedAndItsFolderToTakeAFile) {
    constexpr DWORD kShareEverything = kShareAll | FILE_SHARE_DELETE;
    const std::string image = StartRunningImage();
    HANDLE folder =
        CreateFileA(Scratch().c_str(), FILE_ADD_FILE, kShareEverything, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    EXPECT_NE(INVALID_HANDLE_VALUE, folder);
    CloseHandle(folder);
    HANDLE moving = CreateFileA(image.c_str(), DELETE, kShareEverything, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(INVALID_HANDLE_VALUE, moving);
    CloseHandle(moving);
    HANDLE held = OpenForRead(image);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(image.c_str(), DELETE, kShareEverything, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    CloseHandle(held);
}

TEST_F(RunningImage, CanBeCopiedButNeverCopiedOver) {
    const std::string image = StartRunningImage();
    const std::string copy = Scratch() + "\\copy.exe";
    ASSERT_TRUE(WriteBytes(copy, "stale"));
    EXPECT_FALSE(CopyFileA(image.c_str(), copy.c_str(), TRUE));  // asked not to overwrite
    EXPECT_EQ("stale", ReadBytes(copy));
    EXPECT_TRUE(CopyFileA(image.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(ReadBytes(image), ReadBytes(copy));
    EXPECT_FALSE(CopyFileA(copy.c_str(), image.c_str(), FALSE));
    EXPECT_FALSE(CopyFileA((Scratch() + "\\missing.exe").c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(DeleteFileA(copy.c_str()));  // the copy is no running image
}

using Moves = WorldTest;

TEST_F(Moves, RefuseAnExistingTargetUnlessAskedToReplace) {
    const std::string a = Scratch() + "\\new.exe", b = Scratch() + "\\old.exe";
    ASSERT_TRUE(WriteBytes(a, "new image"));
    ASSERT_TRUE(WriteBytes(b, "old image"));
    EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("new image", ReadBytes(a));
    EXPECT_EQ("old image", ReadBytes(b));

    EXPECT_TRUE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(FileExists(a.c_str()));
    EXPECT_EQ("new image", ReadBytes(b));
    EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));  // no source
}

TEST_F(Moves, CarryAFileIntoAnotherFolderThatExists) {
    const std::string a = Scratch() + "\\a.exe", sub = Scratch() + "\\sub";
    ASSERT_TRUE(WriteBytes(a, "A"));
    EXPECT_FALSE(MoveFileExA(a.c_str(), (sub + "\\a.bak").c_str(), MOVEFILE_COPY_ALLOWED));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str()));
    EXPECT_TRUE(MoveFileExA(a.c_str(), (sub + "\\a.bak").c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_FALSE(FileExists(a.c_str()));
    EXPECT_EQ("A", ReadBytes(sub + "\\A.BAK"));
    // A change of case only is a rename onto itself.
    EXPECT_TRUE(MoveFileExA((sub + "\\a.bak").c_str(), (sub + "\\A.Bak").c_str(), 0));
    EXPECT_EQ("A", ReadBytes(sub + "\\a.bak"));
}

TEST_F(Moves, DelayedMovesAreRecordedAndLeaveBothFiles) {
    const std::string from = Scratch() + "\\new.exe", to = Scratch() + "\\old.exe";
    ASSERT_TRUE(WriteBytes(from, "N"));
    ASSERT_TRUE(WriteBytes(to, "O"));
    EXPECT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ("N", ReadBytes(from));
    EXPECT_EQ("O", ReadBytes(to));
    const auto pending = PendingMoves();
    ASSERT_EQ(1u, pending.size());
    EXPECT_STRCASEEQ(from.c_str(), pending[0].first.c_str());
    EXPECT_STRCASEEQ(to.c_str(), pending[0].second.c_str());
    // A delayed delete has no target.
    EXPECT_TRUE(MoveFileExA(to.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_EQ(2u, PendingMoves().size());
    EXPECT_EQ("", PendingMoves()[1].second);
    EXPECT_EQ("O", ReadBytes(to));
}

using Folders = WorldTest;

TEST_F(Folders, CreateDirectoryMakesOnlyTheLastLevel) {
    const std::string a = Scratch() + "\\Data", b = a + "\\Veltrano";
    EXPECT_FALSE(CreateDirectoryA(b.c_str()));
    EXPECT_TRUE(CreateDirectoryA(a.c_str()));
    EXPECT_TRUE(CreateDirectoryA((b + "\\").c_str()));
    EXPECT_FALSE(CreateDirectoryA((a + "\\VELTRANO").c_str()));  // it exists
    ASSERT_TRUE(WriteBytes(a + "\\file", ""));
    EXPECT_FALSE(CreateDirectoryA((a + "\\file").c_str()));
    EXPECT_FALSE(CreateDirectoryA((a + "\\file\\sub").c_str()));
    EXPECT_FALSE(CreateDirectoryA(Scratch().substr(0, 3).c_str()));  // the drive's root
}

TEST_F(Folders, RemoveDirectoryTakesOnlyAnEmptyFolder) {
    const std::string a = Scratch() + "\\Veltrano";
    ASSERT_TRUE(CreateDirectoryA(a.c_str()));
    ASSERT_TRUE(WriteBytes(a + "\\file", "x"));
    EXPECT_FALSE(RemoveDirectoryA(a.c_str()));
    EXPECT_FALSE(RemoveDirectoryA((a + "\\file").c_str()));  // a file is no folder
    ASSERT_TRUE(DeleteFileA((a + "\\file").c_str()));
    EXPECT_TRUE(RemoveDirectoryA((a + "\\").c_str()));
    EXPECT_FALSE(RemoveDirectoryA(a.c_str()));  // gone already
}

TEST_F(Folders, FileExistsOnlyForFilesWhateverTheCase) {
    ASSERT_TRUE(WriteBytes(Scratch() + "\\Tarnquill.EXE", "x"));
    EXPECT_TRUE(FileExists((Scratch() + "\\tarnquill.exe").c_str()));
    EXPECT_FALSE(FileExists((Scratch() + "\\tarnquill").c_str()));
    EXPECT_FALSE(FileExists(Scratch().c_str()));
}

TEST_F(Folders, TrailBytesOfDoubleByteNamesAreNoSeparators) {
    // 誠 is D5 5C in code page 936: its trail byte is a backslash.
    const std::string folder = Scratch() + "\\\xD5\x5C";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str()));
    ASSERT_TRUE(WriteBytes(folder + "\\a.txt", "1"));
    EXPECT_TRUE(FileExists((folder + "\\a.txt").c_str()));
    EXPECT_FALSE(FileExists((Scratch() + "\\\xD5\\a.txt").c_str()));
    // Ignoring case leaves double-byte characters alone: D5 7A is not D5 5A.
    ASSERT_TRUE(WriteBytes(Scratch() + "\\\xD5\x7A", "z"));
    EXPECT_FALSE(FileExists((Scratch() + "\\\xD5\x5A").c_str()));
}

using Names = WorldTest;

constexpr DWORD kOnTheObject = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;

// The handle the program judges an object through and holds it by.
HANDLE Hold(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING, kOnTheObject);
}

DWORD LinksOf(const std::string& path) {
    HANDLE h = Hold(path);
    FILE_FACTS facts{};
    EXPECT_TRUE(GetFileInformationByHandle(h, &facts)) << path;
    CloseHandle(h);
    return facts.nNumberOfLinks;
}

// A link planted at a folder's name reads as a reparse point by its name,
// and a path through it reaches the folder it leads to.
TEST_F(Names, ALinkToAFolderReadsAsAReparsePointByItsName) {
    const std::string link = PlantedFolderLink();
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
              GetFileAttributesA(link.c_str()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ("inside", ReadBytes(link + "\\inside").value_or(""));
    EXPECT_EQ(0u, GetFileAttributesA((link + "\\inside").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(Names, AttributesOfAFileAFolderAndNothing) {
    const std::string file = Scratch() + "\\plain.bin";
    ASSERT_TRUE(WriteBytes(file, "x"));
    EXPECT_EQ(0u, GetFileAttributesA(file.c_str()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(Scratch().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Scratch() + "\\missing").c_str()));
    for (const std::string& path : {file, Scratch()}) {
        HANDLE h = Hold(path);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
        FILE_ATTRIBUTE_TAG_INFO tag{};
        EXPECT_TRUE(GetFileAttributeTagInfo(h, &tag));
        EXPECT_EQ(0u, tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_EQ(0u, tag.ReparseTag);
        EXPECT_EQ(path == Scratch() ? FILE_ATTRIBUTE_DIRECTORY : 0u, tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        CloseHandle(h);
    }
}

// Two names of one file: each counts both, what is written through one is
// read through the other, and deleting one leaves the other alone.
TEST_F(Names, AHardLinkIsASecondNameOfOneFile) {
    const std::string first = Scratch() + "\\first.exe", second = Scratch() + "\\second.exe";
    ASSERT_TRUE(WriteBytes(first, "MZ one"));
    EXPECT_EQ(1u, LinksOf(first));
    ASSERT_TRUE(MakeHardLink(first, second));
    EXPECT_EQ(2u, LinksOf(first));
    EXPECT_EQ(2u, LinksOf(second));
    ASSERT_TRUE(WriteBytes(second, "MZ two"));
    EXPECT_EQ("MZ two", ReadBytes(first).value_or(""));
    EXPECT_TRUE(DeleteFileA(second.c_str()));
    EXPECT_EQ(1u, LinksOf(first));
    EXPECT_EQ("MZ two", ReadBytes(first).value_or(""));
}

// Held for reading and its rights, sharing only reading: nothing can write,
// delete or rename it meanwhile; a folder so held still takes new files,
// and its rights can still be changed by a handle for that alone.
TEST_F(Names, AHeldObjectCanBeNeitherWrittenNorDeletedNorRenamed) {
    const std::string folder = Scratch() + "\\held", file = folder + "\\tarnquill.exe";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str()));
    ASSERT_TRUE(WriteBytes(file, "MZ"));
    HANDLE heldFolder = Hold(folder), heldFile = Hold(file);
    ASSERT_NE(INVALID_HANDLE_VALUE, heldFolder);
    ASSERT_NE(INVALID_HANDLE_VALUE, heldFile);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWrite(file));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_FALSE(MoveFileExA(file.c_str(), (folder + "\\other.exe").c_str(), 0));
    EXPECT_FALSE(MoveFileExA(folder.c_str(), (Scratch() + "\\moved").c_str(), 0));
    EXPECT_EQ("MZ", ReadBytes(file).value_or(""));
    EXPECT_TRUE(WriteBytes(folder + "\\new.bin", "n"));
    EXPECT_TRUE(DeleteFileA((folder + "\\new.bin").c_str()));
    HANDLE rights = CreateFileA(folder.c_str(), READ_CONTROL | WRITE_DAC, kShareAll, OPEN_EXISTING, kOnTheObject);
    EXPECT_NE(INVALID_HANDLE_VALUE, rights);
    CloseHandle(rights);
    CloseHandle(heldFile);
    CloseHandle(heldFolder);
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

}  // namespace
}  // namespace contract

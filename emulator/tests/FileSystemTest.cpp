// File-system volumes: a read-only one refuses every write; a writable one creates a
// file, keeps what was written at the position reached and writes it to the host file
// on flush and on close, deletes a file opened for writing, and answers an injected
// fault for creates and writes.
#include <Emulator/FileSystem.h>
#include <Emulator/StandardMachine.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr UINT64  kCreate = EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE | EFI_FILE_MODE_CREATE;

class FileSystemTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    Root = std::filesystem::temp_directory_path () / ("emu-fs-" + std::to_string (::getpid ()));
    std::filesystem::remove_all (Root);
    std::filesystem::create_directories (Root);
    std::ofstream (Root / "old.txt", std::ios::binary) << "old";
    Volume = &Machine.Add (std::make_unique<Emu::FileSystemVolume> (Machine, Root, 7u));
    EFI_SIMPLE_FILE_SYSTEM_PROTOCOL  *Fs = nullptr;
    ASSERT_EQ (Machine.BootServices ()->HandleProtocol (Volume->Handle (), &gEfiSimpleFileSystemProtocolGuid, (VOID **)&Fs),
               EFI_SUCCESS);
    ASSERT_EQ (Fs->OpenVolume (Fs, &Dir), EFI_SUCCESS);
  }

  void TearDown () override { std::filesystem::remove_all (Root); }

  std::string HostText (const char *Name)
  {
    std::ifstream  In (Root / Name, std::ios::binary);
    return std::string (std::istreambuf_iterator<char> (In), {});
  }

  EFI_STATUS Write (EFI_FILE_PROTOCOL *File, const std::string &Text)
  {
    UINTN  Size = Text.size ();
    return File->Write (File, &Size, (VOID *)Text.data ());
  }

  Emu::Machine           Machine;
  Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (Machine, {});
  std::filesystem::path  Root;
  Emu::FileSystemVolume  *Volume = nullptr;
  EFI_FILE_PROTOCOL      *Dir    = nullptr;
};

TEST_F (FileSystemTest, AReadOnlyVolumeRefusesEveryWrite)
{
  EFI_FILE_PROTOCOL  *File = nullptr;

  EXPECT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"new.txt", kCreate, 0), EFI_WRITE_PROTECTED);
  ASSERT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"old.txt", EFI_FILE_MODE_READ, 0), EFI_SUCCESS);
  EXPECT_EQ (Write (File, "x"), EFI_WRITE_PROTECTED);
  EXPECT_EQ (File->Delete (File), EFI_WARN_DELETE_FAILURE);
  EXPECT_EQ (HostText ("old.txt"), "old");
  EXPECT_FALSE (std::filesystem::exists (Root / "new.txt"));
}

TEST_F (FileSystemTest, AWritableVolumeCreatesWritesFlushesAndDeletes)
{
  EFI_FILE_PROTOCOL  *File = nullptr;

  Volume->SetWritable (true);
  EXPECT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"new.txt", EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE, 0), EFI_NOT_FOUND);
  EXPECT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"new.txt", EFI_FILE_MODE_WRITE, 0), EFI_INVALID_PARAMETER);
  ASSERT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"new.txt", kCreate, 0), EFI_SUCCESS);
  EXPECT_EQ (Write (File, "hello"), EFI_SUCCESS);
  ASSERT_EQ (File->SetPosition (File, 1), EFI_SUCCESS);
  EXPECT_EQ (Write (File, "EL"), EFI_SUCCESS);
  EXPECT_EQ (HostText ("new.txt"), "");               // nothing reaches the disk before a flush
  EXPECT_EQ (File->Flush (File), EFI_SUCCESS);
  EXPECT_EQ (HostText ("new.txt"), "hELlo");
  EXPECT_EQ (Write (File, "!"), EFI_SUCCESS);
  EXPECT_EQ (File->Close (File), EFI_SUCCESS);
  EXPECT_EQ (HostText ("new.txt"), "hEL!o");            // written over at the position reached

  // Opened only to read, a file is neither written nor deleted.
  ASSERT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"old.txt", EFI_FILE_MODE_READ, 0), EFI_SUCCESS);
  EXPECT_EQ (Write (File, "x"), EFI_ACCESS_DENIED);
  EXPECT_EQ (File->Delete (File), EFI_WARN_DELETE_FAILURE);
  ASSERT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"new.txt", EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE, 0), EFI_SUCCESS);
  EXPECT_EQ (File->Delete (File), EFI_SUCCESS);
  EXPECT_FALSE (std::filesystem::exists (Root / "new.txt"));
  EXPECT_EQ (HostText ("old.txt"), "old");
  EXPECT_EQ (Volume->OpenFiles (), 1u);               // the root alone
}

TEST_F (FileSystemTest, AnInjectedFaultRefusesCreatesAndWrites)
{
  EFI_FILE_PROTOCOL  *File = nullptr;

  Volume->SetWritable (true);
  ASSERT_EQ (Dir->Open (Dir, &File, (CHAR16 *)u"old.txt", EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE, 0), EFI_SUCCESS);
  Volume->FailWrites (EFI_VOLUME_FULL);
  EFI_FILE_PROTOCOL  *Other = nullptr;
  EXPECT_EQ (Dir->Open (Dir, &Other, (CHAR16 *)u"new.txt", kCreate, 0), EFI_VOLUME_FULL);
  EXPECT_FALSE (std::filesystem::exists (Root / "new.txt"));
  UINTN  Size = 3;
  EXPECT_EQ (File->Write (File, &Size, (VOID *)"new"), EFI_VOLUME_FULL);
  EXPECT_EQ (Size, 0u);
  EXPECT_EQ (File->Close (File), EFI_SUCCESS);
  EXPECT_EQ (HostText ("old.txt"), "old");
}

}  // namespace

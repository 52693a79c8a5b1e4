// Recordings are opened only as regular files, never block, name the
// system's reason, and are read from the file that was checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

#include "input/folder_entries.h"
#include "input/recording.h"
#include "input/recording_time.h"
#include "input/regular_file.h"
#include "input/wave_file.h"
#include "settings/scan_settings.h"
#include "support/platform.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

Bytes ramp(int n) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * 11 - 900);
  return test::pcm16(s);
}

// The reason openRecording gives for `path`, with a bound on the time it
// may take: a FIFO that blocks the open fails the test instead of hanging
// it (a writer is then connected so the thread can end).
std::string reasonFor(const std::string& path) {
  auto opened = std::async(std::launch::async, [path] {
    ScanSettings settings;
    Recording rec;
    std::string reason;
    const Status status = openRecording(path, settings, rec, &reason);
    EXPECT_TRUE(failed(status)) << path;
    EXPECT_FALSE(rec.reader) << path;
    return reason;
  });
  if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << path << ": the open blocked";
    test::unblockFifo(path);
  }
  return opened.get();
}

TEST(RegularFile, AnythingButARegularFileIsRefusedPromptlyWithItsReason) {
  SKIP_WITHOUT(test::noFifos());
  SKIP_WITHOUT(test::noSymbolicLinks());
  test::TempDir dir;
  const std::string fifo = dir.file("x.wav");
  ASSERT_TRUE(test::makeFifo(fifo));
  fs::create_directory(dir.file("d.wav"));
  fs::create_symlink("/dev/null", dir.file("z.wav"));
  fs::create_symlink("loop.wav", dir.file("loop.wav"));
  fs::create_symlink("gone.wav", dir.file("dangling.wav"));

  EXPECT_EQ(reasonFor(fifo), "is a FIFO (named pipe), not a recording");
  EXPECT_EQ(reasonFor(dir.file("d.wav")), "is a directory");
  EXPECT_EQ(reasonFor(dir.file("z.wav")), "is a device, not a recording");
  EXPECT_EQ(reasonFor(dir.file("loop.wav")), "Too many levels of symbolic links");
  EXPECT_EQ(reasonFor(dir.file("dangling.wav")),
            "dangling symbolic link: its target gone.wav does not exist");
  EXPECT_EQ(reasonFor(dir.file("missing.wav")), "No such file or directory");
  EXPECT_EQ(reasonFor(dir.file(std::string(300, 'n') + ".wav")), "File name too long");
  EXPECT_EQ(reasonFor(dir.file("d.wav/inside.wav")), "No such file or directory");

  // A file that opens but is no recording keeps its reason.
  test::writeFile(dir.file("text.wav"), Bytes{'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(reasonFor(dir.file("text.wav")).rfind("not a WAV or WavPack recording", 0), 0u);

  // The readers on their own refuse the same way.
  WaveFile wav;
  WaveFormat format;
  EXPECT_TRUE(failed(wav.open(fifo.c_str(), &format)));
  EXPECT_EQ(wav.lastError(), "is a FIFO (named pipe)");
}

TEST(RegularFile, PermissionDeniedIsTheSystemsReason) {
  SKIP_WITHOUT(test::noPermissionBits());
  test::TempDir dir;
  const std::string path = dir.file("locked.wav");
  test::writeFile(path, test::pcmWav(250000, 1, 16, ramp(100)));
  test::setMode(path, 0);
  if (test::canRead(path)) GTEST_SKIP() << "running as root: permissions do not hold";
  EXPECT_EQ(reasonFor(path), "Permission denied");
}

// Windows' own form of it: a recording another program holds open without
// sharing (a detector still writing it). Refused with a reason, not read.
TEST(RegularFile, AFileAnotherProgramHoldsIsRefusedWithTheSystemsReason) {
  test::TempDir dir;
  const std::string path = dir.file("held.wav");
  test::writeFile(path, test::pcmWav(250000, 1, 16, ramp(100)));
  const test::ExclusiveOpen held(path);
  if (!held.held()) GTEST_SKIP() << "files here cannot be held against other opens";
  const std::string reason = reasonFor(path);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(reason.find("not a WAV"), std::string::npos) << reason;
}

// What is read is the file that was opened and checked: a file put under
// the name afterwards (or the name removed) changes nothing, and the
// identity is the opened file's.
TEST(RegularFile, TheReadersReadTheFileThatWasChecked) {
  test::TempDir dir;
  const std::string path = dir.file("a.wav");
  const Bytes first = ramp(400);
  test::writeFile(path, test::pcmWav(250000, 1, 16, first));
  RegularFile file;
  std::string why;
  ASSERT_TRUE(file.open(path, &why)) << why;
  test::FileKey key;
  ASSERT_TRUE(test::fileKeyOf(path, &key));
  EXPECT_EQ(file.identity().inode, key.index);
  EXPECT_EQ(file.identity().size, static_cast<std::int64_t>(fs::file_size(fs::u8path(path))));

  // Another file takes the name (on Windows once the open file has been
  // moved away from it).
  test::writeFile(dir.file("other.wav"), test::pcmWav(8000, 1, 8, Bytes(50, 1)));
  if (!test::namesOfOpenFilesReusable()) fs::rename(fs::u8path(path), fs::u8path(dir.file("moved.wav")));
  fs::rename(fs::u8path(dir.file("other.wav")), fs::u8path(path));
  WaveFile wav;
  WaveFormat format;
  ASSERT_FALSE(failed(wav.open(file, &format))) << wav.lastError();
  EXPECT_FALSE(file.isOpen());  // the reader keeps it
  EXPECT_EQ(format.sampleRate, 250000u);
  Bytes got(first.size() + 10);
  std::size_t n = 0;
  EXPECT_FALSE(failed(wav.read(got.data(), first.size(), &n)));
  got.resize(n);
  EXPECT_EQ(got, first);

  // A failed open leaves the file to the next reader.
  test::writeFile(dir.file("b.wav"), Bytes{'n', 'o', 'p', 'e'});
  RegularFile other;
  ASSERT_TRUE(other.open(dir.file("b.wav"), &why)) << why;
  WaveFile refused;
  EXPECT_TRUE(failed(refused.open(other, &format)));
  EXPECT_TRUE(other.isOpen());

  // openRecording: the identity is the opened file's, not the name's now.
  ScanSettings settings;
  Recording rec;
  const std::string c = dir.file("c.wav");
  test::writeFile(c, test::pcmWav(250000, 1, 16, first));
  ASSERT_EQ(openRecording(c, settings, rec, &why), kStatusOk) << why;
  FileIdentity opened = rec.identity;
  ASSERT_TRUE(opened.known());
  if (test::namesOfOpenFilesReusable()) {
    fs::remove(fs::u8path(c));
  } else {
    fs::rename(fs::u8path(c), fs::u8path(dir.file("c_moved.wav")));
  }
  test::writeFile(c, test::pcmWav(250000, 1, 16, ramp(10)));
  FileIdentity now;
  ASSERT_TRUE(identityOfPath(c, &now));
  EXPECT_FALSE(opened.unchangedAs(now));
  EXPECT_EQ(opened.size, static_cast<std::int64_t>(44 + first.size()));
  EXPECT_EQ(rec.dataSize, first.size());
}

// A folder path the system takes at any length: on Windows the long-path
// form, which lifts the 260-character limit for the test's own file calls.
fs::path longPathFormOf(const fs::path& folder) {
  const fs::path whole = fs::absolute(folder);
  if (fs::path::preferred_separator != '\\') return whole;
  return fs::path(L"\\\\?\\" + whole.wstring());
}

TEST(RegularFile, NamesInAnyScriptAndPathsBeyondTheOldLimitAreOpenedAndListed) {
  test::TempDir dir;
  const Bytes samples = ramp(300);
  const Bytes wav = test::pcmWav(250000, 1, 16, samples);
  const std::string name = u8"Pipistrellus_Çàé_Ελληνικά_録音.wav";
  // Nested so that the whole path is well beyond 260 characters.
  fs::path deep = longPathFormOf(dir.path());
  for (char c : std::string("abcde")) deep /= std::string(60, c);
  fs::create_directories(deep);
  const std::string shortPath = (dir.path() / fs::u8path(name)).u8string();
  const std::string longPath = (fs::absolute(dir.path()) / std::string(60, 'a') / std::string(60, 'b') /
                                std::string(60, 'c') / std::string(60, 'd') / std::string(60, 'e') /
                                fs::u8path(name))
                                   .u8string();
  ASSERT_GT(longPath.size(), 300u);
  for (const fs::path& where : {fs::u8path(shortPath), deep / fs::u8path(name)}) {
    std::ofstream out(where, std::ios::binary);
    out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    ASSERT_TRUE(out.good()) << where;
  }

  for (const std::string& path : {shortPath, longPath}) {
    SCOPED_TRACE(path);
    RegularFile file;
    std::string why;
    FileKind kind = FileKind::Other;
    ASSERT_TRUE(file.open(path, &why, &kind)) << why;
    EXPECT_EQ(kind, FileKind::Regular);
    FileIdentity byName;
    ASSERT_TRUE(identityOfPath(path, &byName));
    EXPECT_TRUE(file.identity().unchangedAs(byName));
    EXPECT_EQ(file.currentSize(), static_cast<std::int64_t>(wav.size()));
    Bytes head(4);
    EXPECT_EQ(file.readAt(head.data(), head.size(), 0), 4);
    EXPECT_EQ(head, (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(file.readAt(head.data(), head.size(), static_cast<std::int64_t>(wav.size()) - 2), 2);

    // The recording reads back whole, and its file time is had.
    ScanSettings settings;
    Recording rec;
    ASSERT_EQ(openRecording(path, settings, rec, &why), kStatusOk) << why;
    EXPECT_EQ(rec.dataSize, samples.size());
    DateTime made;
    EXPECT_TRUE(fileCreationLocalTime(path, &made));
    EXPECT_GE(made.year, 2020);

    // The folder lists the name exactly as it was given.
    std::vector<std::string> names;
    ASSERT_TRUE(folderEntries(fs::u8path(path).parent_path().u8string(), &names, &why)) << why;
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
  }
}

}  // namespace
}  // namespace quilve

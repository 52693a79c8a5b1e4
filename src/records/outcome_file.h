#pragma once
// Outcome files: the analysed recordings of one slice of an input list,
// written by one shard of a scan and read back by the merge, which commits
// them as a one-machine scan would.
//
// Layout (integers and floating-point bit patterns little-endian):
//   8 bytes  "QUILVEOC"
//   u32      format version (kOutcomeFormatVersion)
//   u32 n, n bytes   the header (OutcomeFileHeader)
//   sliceCount times: u32 n, n bytes   one RecordingOutcome
//   32 bytes SHA-256 of every byte before it
// Strings and lists are a u32 count followed by their items; records are
// their fields in the order record_fields.h lists them.
//
// The writer writes to a temporary name beside the target and renames it
// only once the checksum is written, so a killed job leaves no file that
// looks whole. The reader treats the file as outside input: every length is
// checked against what is left, and any problem ends the reading with a
// message naming it.
#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/recording_outcome.h"

namespace quilve {

namespace detail {
class Sha256;
}

// 2: the header names the folder the list's relative paths start from, and
// each recording carries the identity of its file when it was opened.
// 3: each recording carries the folder below the scanned folder it was
// found in (a tree scanned), and the list digest covers those folders.
constexpr std::uint32_t kOutcomeFormatVersion = 3;

struct OutcomeFileHeader {
  std::string programVersion;
  std::string settingsDigest;  // SHA-256 (hex) of settingsValues
  std::string settingsValues;  // the settings in force, "Name=value" lines
  std::uint64_t listLength = 0;  // recordings in the whole input list
  std::string listDigest;        // SHA-256 (hex) of the whole list
  std::uint32_t shardIndex = 0;  // K of K/N
  std::uint32_t shardCount = 1;  // N
  std::uint64_t sliceFirst = 0;  // index of the slice's first recording in the list
  std::uint64_t sliceCount = 0;  // recordings in the slice
  // The folder the shard ran in, which the list's relative paths start
  // from; empty when every path of the list is absolute.
  std::string workingFolder;
};

// SHA-256 of `data` as 64 lower-case hex digits.
std::string sha256Hex(std::string_view data);

// SHA-256 of an input list: each path and then its subfolder (empty when
// `subfolders` has none for it), each followed by a NUL.
std::string listDigest(const std::vector<std::string>& paths, const std::vector<std::string>& subfolders = {});

// The K-th of N contiguous slices of a list of `length` items: slices
// differ in length by at most one, the longer ones first.
struct Slice {
  std::uint64_t first = 0;
  std::uint64_t count = 0;
};
Slice sliceOf(std::uint64_t length, std::uint32_t index, std::uint32_t count);

// The temporary name the writer of `path` on `host` in process `pid` writes
// to, and the host and process of such a name beside `path` (false for any
// other name).
std::string outcomeTemporaryName(const std::string& path, const std::string& host, long pid);
bool parseOutcomeTemporary(const std::string& path, const std::string& name, std::string* host, long* pid);

class OutcomeFileWriter {
 public:
  OutcomeFileWriter();
  ~OutcomeFileWriter();  // removes the temporary file unless committed
  OutcomeFileWriter(const OutcomeFileWriter&) = delete;
  OutcomeFileWriter& operator=(const OutcomeFileWriter&) = delete;

  // Creates the temporary file beside `path` and writes the header. False
  // with `error` set when it cannot.
  bool open(const std::string& path, const OutcomeFileHeader& header, std::string* error);
  bool write(const RecordingOutcome& outcome, std::string* error);
  // Writes the checksum, flushes to disk and renames the file to its name.
  bool commit(std::string* error);

 private:
  bool put(std::string_view bytes, std::string* error);
  void abandon();

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<detail::Sha256> hash_;
};

// Serialises one record as it is written into an outcome file (without the
// length prefix), and reads it back; false when `bytes` is not exactly one
// well-formed record. For tests and the fuzz harness.
std::string encodeOutcome(const RecordingOutcome& outcome);
bool decodeOutcome(std::string_view bytes, RecordingOutcome* outcome);

class OutcomeFileReader {
 public:
  // Reads from `in` (positioned at the file's start), which holds `size`
  // bytes. The stream must outlive the reader.
  OutcomeFileReader(std::istream& in, std::uint64_t size);
  ~OutcomeFileReader();
  OutcomeFileReader(const OutcomeFileReader&) = delete;
  OutcomeFileReader& operator=(const OutcomeFileReader&) = delete;

  // Reads the magic, the format version and the header. False with error().
  bool readHeader();
  const OutcomeFileHeader& header() const { return header_; }

  // The next recording of the slice. False after the last one, when the
  // checksum has been checked and the file has ended (error() empty), or on
  // a problem (error() says which).
  bool next(RecordingOutcome* outcome);
  // Reads every remaining record and checks the checksum, keeping nothing.
  bool verifyRest();
  const std::string& error() const { return error_; }

 private:
  bool take(std::size_t count, std::string* bytes, const char* what);
  bool fail(const std::string& problem);

  std::istream& in_;
  std::uint64_t left_;
  OutcomeFileHeader header_;
  std::uint64_t recordsRead_ = 0;
  bool done_ = false;
  std::string error_;
  std::unique_ptr<detail::Sha256> hash_;
};

}  // namespace quilve

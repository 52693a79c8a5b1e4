// Outcome files: every field of the records survives the trip through a
// file, slices cover a list, and the reader names what is wrong with a
// damaged file without reading past it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "records/outcome_file.h"
#include "records/record_fields.h"
#include "support/temp_dir.h"

using namespace quilve;
using quilve::test::TempDir;

namespace {

// --- How many members an aggregate has, found by brace-initialising it -----
struct AnyField {
  template <class T>
  operator T() const;  // only named in unevaluated contexts
};

template <class T, class... A>
constexpr auto braceable(int) -> decltype(T{std::declval<A>()...}, true) {
  return true;
}
template <class T, class... A>
constexpr bool braceable(...) {
  return false;
}
template <class T, class... A>
constexpr std::size_t memberCount() {
  if constexpr (!braceable<T, A..., AnyField>(0)) {
    return sizeof...(A);
  } else {
    return memberCount<T, A..., AnyField>();
  }
}

// Counts the fields the lists in record_fields.h name, one level deep.
struct CountFields {
  std::size_t count = 0;
  template <class T>
  void operator()(const T&) { ++count; }
  template <class A>
  void leading(const A&, const std::int32_t&) { ++count; }
};

template <class T>
std::size_t listedFields() {
  CountFields c;
  const T value{};
  recordFields(c, value);
  return c.count;
}


// Gives every field a value of its own, none of them a default, with every
// trace point in use and two items in every list.
struct FillFields {
  int next = 1;
  template <class T>
  void operator()(T& v) {
    if constexpr (std::is_same_v<T, bool>) {
      v = true;
    } else if constexpr (std::is_enum_v<T>) {
      v = static_cast<T>(1);
    } else if constexpr (std::is_integral_v<T>) {
      v = static_cast<T>(next++ % 100 + 1);
    } else if constexpr (std::is_floating_point_v<T>) {
      v = static_cast<T>(next++) + static_cast<T>(0.25);
    } else if constexpr (std::is_same_v<T, std::string>) {
      v = "text " + std::to_string(next++);
    } else if constexpr (IsArray<T>::value) {
      for (auto& e : v) (*this)(e);
    } else if constexpr (IsVector<T>::value) {
      v.resize(2);
      for (auto& e : v) (*this)(e);
    } else {
      recordFields(*this, v);
    }
  }
  template <class A>
  void leading(A& items, std::int32_t& used) {
    used = static_cast<std::int32_t>(items.size());
    for (auto& e : items) (*this)(e);
  }
};

// Every value in field order, as text, for comparing records field by field.
struct ListValues {
  std::vector<std::string> values;
  template <class T>
  void operator()(const T& v) {
    if constexpr (std::is_enum_v<T>) {
      values.push_back(std::to_string(static_cast<long long>(v)));
    } else if constexpr (std::is_arithmetic_v<T>) {
      std::ostringstream s;
      s.precision(17);
      s << +v;
      values.push_back(s.str());
    } else if constexpr (std::is_same_v<T, std::string>) {
      values.push_back(v);
    } else if constexpr (IsArray<T>::value || IsVector<T>::value) {
      values.push_back("[" + std::to_string(v.size()));
      for (const auto& e : v) (*this)(e);
      values.push_back("]");
    } else {
      recordFields(*this, v);
    }
  }
  template <class A>
  void leading(const A& items, const std::int32_t& used) {
    for (std::int32_t i = 0; i < used; ++i) (*this)(items[static_cast<std::size_t>(i)]);
  }
};

template <class T>
std::vector<std::string> valuesOf(const T& v) {
  ListValues l;
  l(v);
  return l.values;
}

RecordingOutcome everyFieldSet() {
  RecordingOutcome o;
  FillFields fill;
  fill(o);
  return o;
}

OutcomeFileHeader headerFor(std::uint64_t length, std::uint32_t k, std::uint32_t n) {
  OutcomeFileHeader h;
  h.programVersion = "9.8.7";
  h.settingsValues = "TriggerThreshold=18\n";
  h.settingsDigest = sha256Hex(h.settingsValues);
  h.listLength = length;
  h.listDigest = sha256Hex("list");
  h.shardIndex = k;
  h.shardCount = n;
  const Slice s = sliceOf(length, k, n);
  h.sliceFirst = s.first;
  h.sliceCount = s.count;
  return h;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads a whole file from memory: the header, then every record. Returns the
// reader's message, empty when the file is whole.
std::string readAll(const std::string& bytes, std::vector<RecordingOutcome>* got = nullptr) {
  std::istringstream in(bytes);
  OutcomeFileReader reader(in, bytes.size());
  if (!reader.readHeader()) return reader.error();
  RecordingOutcome o;
  while (reader.next(&o)) {
    if (got) got->push_back(o);
  }
  return reader.error();
}

std::string writeFile(const TempDir& dir, const std::vector<RecordingOutcome>& outcomes) {
  const std::string path = dir.file("slice.qo");
  OutcomeFileWriter w;
  std::string error;
  EXPECT_TRUE(w.open(path, headerFor(outcomes.size() + 1, 0, 2), &error)) << error;
  for (const RecordingOutcome& o : outcomes) EXPECT_TRUE(w.write(o, &error)) << error;
  EXPECT_TRUE(w.commit(&error)) << error;
  return slurp(path);
}

}  // namespace

TEST(OutcomeRecords, TheFieldListsNameEveryMember) {
  // A member added to a record but not to record_fields.h fails here.
  EXPECT_EQ(listedFields<TracePoint>(), memberCount<TracePoint>());
  EXPECT_EQ(listedFields<ChirpRecord>(), memberCount<ChirpRecord>());
  EXPECT_EQ(listedFields<CallParameters>(), memberCount<CallParameters>());
  EXPECT_EQ(listedFields<AcceptedCall>(), memberCount<AcceptedCall>());
  EXPECT_EQ(listedFields<DateTime>(), memberCount<DateTime>());
  EXPECT_EQ(listedFields<RecordingMetadata>(), memberCount<RecordingMetadata>());
  EXPECT_EQ(listedFields<RecordingOutcome>(), memberCount<RecordingOutcome>());
  EXPECT_EQ(listedFields<FileIdentity>(), memberCount<FileIdentity>());
  // The counting itself sees the members.
  EXPECT_EQ(memberCount<TracePoint>(), 9u);
  EXPECT_EQ(memberCount<AcceptedCall>(), 3u);
}

TEST(OutcomeRecords, EveryFieldSurvivesAFile) {
  const RecordingOutcome full = everyFieldSet();
  ASSERT_EQ(full.calls.size(), 2u);
  ASSERT_EQ(full.calls[1].trace.endPoint, kTracePoints);
  ASSERT_NE(valuesOf(full), valuesOf(RecordingOutcome{}));
  RecordingOutcome unread;
  unread.path = "x.wav";
  unread.openFailure = "no such file";

  TempDir dir;
  std::vector<RecordingOutcome> back;
  EXPECT_EQ(readAll(writeFile(dir, {full, unread}), &back), "");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(valuesOf(back[0]), valuesOf(full));
  EXPECT_EQ(valuesOf(back[1]), valuesOf(unread));
  EXPECT_EQ(back[0].calls[1].trace.points[kTracePoints - 1].smoothedCurvature,
            full.calls[1].trace.points[kTracePoints - 1].smoothedCurvature);
  // Bit patterns, not values: a negative zero and a NaN stay what they were.
  RecordingOutcome odd;
  odd.timeOfDay = -0.0;
  odd.effectiveSampleRate = std::numeric_limits<float>::quiet_NaN();
  RecordingOutcome oddBack;
  ASSERT_TRUE(decodeOutcome(encodeOutcome(odd), &oddBack));
  EXPECT_TRUE(std::signbit(oddBack.timeOfDay));
  EXPECT_TRUE(std::isnan(oddBack.effectiveSampleRate));
}

TEST(OutcomeRecords, OnlyTheTracePointsInUseAreWritten) {
  RecordingOutcome o;
  o.calls.resize(1);
  o.calls[0].trace.endPoint = 2;
  o.calls[0].trace.points[5].frequency = 1234;  // left by an earlier candidate
  RecordingOutcome back;
  ASSERT_TRUE(decodeOutcome(encodeOutcome(o), &back));
  EXPECT_EQ(back.calls[0].trace.points[5].frequency, 0);
  // A count past the array is refused, not followed.
  o.calls[0].trace.endPoint = kTracePoints + 1;
  EXPECT_FALSE(decodeOutcome(encodeOutcome(o), &back));
}

TEST(OutcomeFile, SlicesCoverTheListOnceAndDifferByOneAtMost) {
  for (std::uint64_t length = 0; length <= 20; ++length) {
    for (std::uint32_t n = 1; n <= 8; ++n) {
      std::uint64_t next = 0;
      for (std::uint32_t k = 0; k < n; ++k) {
        const Slice s = sliceOf(length, k, n);
        EXPECT_EQ(s.first, next) << length << " " << k << "/" << n;
        EXPECT_TRUE(s.count == length / n || s.count == length / n + 1);
        next = s.first + s.count;
      }
      EXPECT_EQ(next, length);
    }
  }
  EXPECT_EQ(sliceOf(10, 3, 3).count, 0u);  // no such slice
}

TEST(OutcomeFile, DamageIsNamedAndNothingIsReadPastIt) {
  TempDir dir;
  const std::string whole = writeFile(dir, {everyFieldSet()});
  ASSERT_EQ(readAll(whole), "");
  // Cut anywhere: every prefix is refused.
  for (std::size_t n = 0; n < whole.size(); n += 7) {
    const std::string error = readAll(whole.substr(0, n));
    EXPECT_FALSE(error.empty()) << n;
    if (n >= 8) {
      EXPECT_EQ(error.rfind("truncated: the file ends inside ", 0), 0u) << n << ": " << error;
    }
  }
  EXPECT_EQ(readAll(whole.substr(0, whole.size() - 1)), "truncated: the file ends inside its checksum");
  // One byte changed in the middle of the data.
  std::string flipped = whole;
  flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x01);
  EXPECT_EQ(readAll(flipped), "the checksum does not match the contents");
  EXPECT_EQ(readAll(whole + "x"), "bytes follow the checksum");
  std::string other = whole;
  other[0] = 'X';
  EXPECT_EQ(readAll(other), "not an outcome file");
  std::string newer = whole;
  newer[8] = static_cast<char>(quilve::kOutcomeFormatVersion + 1);
  EXPECT_EQ(readAll(newer), "outcome format version " + std::to_string(quilve::kOutcomeFormatVersion + 1) +
                                "; this program reads version " + std::to_string(quilve::kOutcomeFormatVersion));
  // A length that claims more than the file holds.
  std::string longer = whole;
  longer[12] = static_cast<char>(0xFF);
  longer[13] = static_cast<char>(0xFF);
  EXPECT_EQ(readAll(longer), "truncated: the file ends inside the header");
}

TEST(OutcomeFile, AHeaderMustNameASliceOfItsList) {
  TempDir dir;
  OutcomeFileHeader h = headerFor(10, 1, 3);
  h.sliceCount += 1;  // overlaps the next slice
  OutcomeFileWriter w;
  std::string error;
  ASSERT_TRUE(w.open(dir.file("bad.qo"), h, &error));
  ASSERT_TRUE(w.commit(&error));
  EXPECT_EQ(readAll(slurp(dir.file("bad.qo"))), "the header names no slice of its list");
}

TEST(OutcomeFile, TheFileAppearsOnlyWhenComplete) {
  TempDir dir;
  const std::string path = dir.file("s.qo");
  std::string error;
  {
    OutcomeFileWriter w;
    ASSERT_TRUE(w.open(path, headerFor(2, 0, 1), &error)) << error;
    ASSERT_TRUE(w.write(everyFieldSet(), &error));
    EXPECT_FALSE(std::filesystem::exists(path));
    // Abandoned (as by an error): no file under the name, no temporary left.
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  OutcomeFileWriter w;
  EXPECT_FALSE(w.open(dir.file("no/such/folder/s.qo"), headerFor(2, 0, 1), &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

TEST(OutcomeFile, ABranchLeadsBelowTheOutputFoldersOnlyAndIsPartOfTheList) {
  // What a shard writes of a tree's recording comes back; a branch that
  // would lead out of the folders the merge writes to is a malformed record.
  for (const std::string& branch : {std::string(), std::string("Site1/n1"), std::string("a.b/..c")}) {
    RecordingOutcome o;
    o.path = "Season/" + branch + "/a.wav";
    o.subfolder = branch;
    RecordingOutcome back;
    EXPECT_TRUE(decodeOutcome(encodeOutcome(o), &back)) << branch;
    EXPECT_EQ(back.subfolder, branch);
  }
  for (const std::string& branch : {std::string(".."), std::string("a/../.."), std::string("/etc"),
                                    std::string("a//b"), std::string("a/"), std::string("./a"),
                                    std::string("a\0b", 3)}) {
    RecordingOutcome o;
    o.path = "a.wav";
    o.subfolder = branch;
    RecordingOutcome back;
    EXPECT_FALSE(decodeOutcome(encodeOutcome(o), &back)) << branch;
  }
  // Shards of one list with other branches are shards of another list.
  const std::vector<std::string> paths = {"T/a/x.wav", "T/b/x.wav"};
  EXPECT_EQ(listDigest(paths), listDigest(paths, {"", ""}));
  EXPECT_NE(listDigest(paths), listDigest(paths, {"a", "b"}));
  EXPECT_NE(listDigest(paths, {"a", "b"}), listDigest(paths, {"ab", ""}));
}

TEST(OutcomeFile, ASecondCommitReplacesTheFirstWhateverTheNamesScript) {
  TempDir dir;
  const std::string path = (dir.path() / std::filesystem::u8path("Ñandú_Ελληνικά_録音.qo")).u8string();
  std::string error;
  RecordingOutcome first, second;
  first.path = "first.wav";
  second.path = "second.wav";
  for (const RecordingOutcome* o : {&first, &second}) {
    OutcomeFileWriter w;
    ASSERT_TRUE(w.open(path, headerFor(2, 0, 2), &error)) << error;
    ASSERT_TRUE(w.write(*o, &error)) << error;
    ASSERT_TRUE(w.commit(&error)) << error;
  }
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<RecordingOutcome> back;
  EXPECT_EQ(readAll(bytes, &back), "");
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].path, "second.wav");
  // Nothing but the file itself: no temporary is left behind.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().u8string());
  EXPECT_EQ(names, (std::vector<std::string>{"Ñandú_Ελληνικά_録音.qo"}));
}

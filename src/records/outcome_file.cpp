#include "records/outcome_file.h"
#include "records/subfolder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <type_traits>

#include "records/outcome_storage.h"
#include "records/sha256.h"
#include "records/record_fields.h"

namespace quilve {

template <class Io, class R, IfRecord<R, OutcomeFileHeader> = 0>
void recordFields(Io& io, R& r) {
  io(r.programVersion);
  io(r.settingsDigest);
  io(r.settingsValues);
  io(r.listLength);
  io(r.listDigest);
  io(r.shardIndex);
  io(r.shardCount);
  io(r.sliceFirst);
  io(r.sliceCount);
  io(r.workingFolder);
}

namespace {

constexpr char kMagic[8] = {'Q', 'U', 'I', 'L', 'V', 'E', 'O', 'C'};
constexpr std::size_t kDigestBytes = 32;


// Integers as they are written: long and unsigned long always in 8 bytes,
// every other type in its own width.
template <class T>
using WireInt = std::conditional_t<std::is_same_v<T, long> || std::is_same_v<T, unsigned long>,
                                   std::conditional_t<std::is_signed_v<T>, std::int64_t, std::uint64_t>, T>;

template <class T>
void putInt(std::string& out, T value) {
  using U = std::make_unsigned_t<T>;
  U u = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    out.push_back(static_cast<char>(u & 0xFFu));
    u = static_cast<U>(u >> 8);
  }
}

class Encoder {
 public:
  std::string out;

  template <class T>
  void operator()(const T& v) {
    if constexpr (std::is_same_v<T, bool>) {
      putInt<std::uint8_t>(out, v ? 1 : 0);
    } else if constexpr (std::is_enum_v<T>) {
      (*this)(static_cast<std::underlying_type_t<T>>(v));
    } else if constexpr (std::is_integral_v<T>) {
      putInt(out, static_cast<WireInt<T>>(v));
    } else if constexpr (std::is_same_v<T, float>) {
      std::uint32_t bits;
      std::memcpy(&bits, &v, sizeof bits);
      putInt(out, bits);
    } else if constexpr (std::is_same_v<T, double>) {
      std::uint64_t bits;
      std::memcpy(&bits, &v, sizeof bits);
      putInt(out, bits);
    } else if constexpr (std::is_same_v<T, std::string>) {
      putInt(out, static_cast<std::uint32_t>(v.size()));
      out.append(v);
    } else if constexpr (IsArray<T>::value) {
      for (const auto& e : v) (*this)(e);
    } else if constexpr (IsVector<T>::value) {
      putInt(out, static_cast<std::uint32_t>(v.size()));
      for (const auto& e : v) (*this)(e);
    } else {
      recordFields(*this, v);
    }
  }

  template <class A>
  void leading(const A& items, const std::int32_t& used) {
    const std::size_t n = static_cast<std::size_t>(std::clamp<std::int32_t>(used, 0, static_cast<std::int32_t>(items.size())));
    for (std::size_t i = 0; i < n; ++i) (*this)(items[i]);
  }
};

// The fewest bytes one encoded T takes: its encoding with empty strings and
// lists, which bounds how many items a list of a given size can hold.
template <class T>
std::size_t minimumEncodedSize() {
  static const std::size_t size = [] {
    Encoder e;
    e(T{});
    return std::max<std::size_t>(1, e.out.size());
  }();
  return size;
}

class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : p_(bytes.data()), left_(bytes.size()) {}
  bool ok() const { return ok_; }
  bool atEnd() const { return left_ == 0; }

  template <class T>
  void operator()(T& v) {
    if (!ok_) return;
    if constexpr (std::is_same_v<T, bool>) {
      std::uint8_t b = 0;
      getInt(b);
      if (b > 1) ok_ = false;
      v = b == 1;
    } else if constexpr (std::is_enum_v<T>) {
      std::underlying_type_t<T> u{};
      (*this)(u);
      v = static_cast<T>(u);
      if (!knownEnumValue(v)) ok_ = false;
    } else if constexpr (std::is_integral_v<T>) {
      WireInt<T> w{};
      getInt(w);
      v = static_cast<T>(w);
      if (static_cast<WireInt<T>>(v) != w) ok_ = false;  // does not fit here
    } else if constexpr (std::is_same_v<T, float>) {
      std::uint32_t bits = 0;
      getInt(bits);
      std::memcpy(&v, &bits, sizeof bits);
    } else if constexpr (std::is_same_v<T, double>) {
      std::uint64_t bits = 0;
      getInt(bits);
      std::memcpy(&v, &bits, sizeof bits);
    } else if constexpr (std::is_same_v<T, std::string>) {
      std::uint32_t n = 0;
      getInt(n);
      if (!ok_ || n > left_) {
        ok_ = false;
        return;
      }
      v.assign(p_, n);
      p_ += n;
      left_ -= n;
    } else if constexpr (IsArray<T>::value) {
      for (auto& e : v) (*this)(e);
    } else if constexpr (IsVector<T>::value) {
      std::uint32_t n = 0;
      getInt(n);
      if (!ok_ || n > left_ / minimumEncodedSize<typename T::value_type>()) {
        ok_ = false;
        return;
      }
      v.clear();
      for (std::uint32_t i = 0; i < n && ok_; ++i) (*this)(v.emplace_back());
    } else {
      recordFields(*this, v);
    }
  }

  template <class A>
  void leading(A& items, const std::int32_t& used) {
    if (!ok_) return;
    if (used < 0 || static_cast<std::size_t>(used) > items.size()) {
      ok_ = false;
      return;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(used); ++i) (*this)(items[i]);
  }

 private:
  template <class T>
  void getInt(T& value) {
    if (left_ < sizeof(T)) {
      ok_ = false;
      return;
    }
    using U = std::make_unsigned_t<T>;
    U u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      u = static_cast<U>(u | static_cast<U>(static_cast<U>(static_cast<unsigned char>(p_[i])) << (8 * i)));
    }
    value = static_cast<T>(u);
    p_ += sizeof(T);
    left_ -= sizeof(T);
  }

  const char* p_;
  std::size_t left_;
  bool ok_ = true;
};

template <class T>
bool decodeExactly(std::string_view bytes, T* value) {
  Decoder d(bytes);
  d(*value);
  return d.ok() && d.atEnd();
}

std::string hex(const std::uint8_t* bytes, std::size_t n) {
  static const char* const digits = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(digits[bytes[i] >> 4]);
    out.push_back(digits[bytes[i] & 15]);
  }
  return out;
}

std::string u32Bytes(std::uint32_t v) {
  std::string s;
  putInt(s, v);
  return s;
}

std::uint32_t u32Of(const std::string& s) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[i])) << (8 * i);
  return v;
}

}  // namespace

std::string sha256Hex(std::string_view data) {
  detail::Sha256 h;
  h.add(data);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : h.digest()) {
    const auto u = static_cast<unsigned char>(c);
    out += kHex[u >> 4];
    out += kHex[u & 0xF];
  }
  return out;
}

std::string listDigest(const std::vector<std::string>& paths, const std::vector<std::string>& subfolders) {
  detail::Sha256 h;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    h.add(paths[i]);
    h.add(std::string_view("\0", 1));
    if (i < subfolders.size()) h.add(subfolders[i]);
    h.add(std::string_view("\0", 1));
  }
  const std::string d = h.digest();
  return hex(reinterpret_cast<const std::uint8_t*>(d.data()), d.size());
}

Slice sliceOf(std::uint64_t length, std::uint32_t index, std::uint32_t count) {
  if (count == 0 || index >= count) return {};
  const std::uint64_t base = length / count;
  const std::uint64_t longer = length % count;  // the first `longer` slices hold one more
  Slice s;
  s.first = index * base + std::min<std::uint64_t>(index, longer);
  s.count = base + (index < longer ? 1 : 0);
  return s;
}

std::string encodeOutcome(const RecordingOutcome& outcome) {
  Encoder e;
  e(outcome);
  return std::move(e.out);
}

bool decodeOutcome(std::string_view bytes, RecordingOutcome* outcome) {
  *outcome = RecordingOutcome{};
  // A subfolder leads below the folders the outputs go to, never out of them.
  return decodeExactly(bytes, outcome) && plainSubfolder(outcome->subfolder);
}

std::string outcomeTemporaryName(const std::string& path, const std::string& host, long pid) {
  return path + ".tmp." + host + "." + std::to_string(pid);
}

bool parseOutcomeTemporary(const std::string& path, const std::string& name, std::string* host, long* pid) {
  const std::string prefix = path + ".tmp.";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::size_t dot = name.rfind('.');
  if (dot < prefix.size() + 1 || dot + 1 == name.size() || name.size() - dot > 10) return false;
  long value = 0;
  for (std::size_t i = dot + 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    value = value * 10 + (name[i] - '0');
  }
  if (value <= 0) return false;
  *host = name.substr(prefix.size(), dot - prefix.size());
  *pid = value;
  return true;
}

// --- Writer -------------------------------------------------------------------

OutcomeFileWriter::OutcomeFileWriter() = default;
OutcomeFileWriter::~OutcomeFileWriter() { abandon(); }

void OutcomeFileWriter::abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    removeOutcomeFile(temporary_);
    temporary_.clear();
  }
}

bool OutcomeFileWriter::open(const std::string& path, const OutcomeFileHeader& header, std::string* error) {
  abandon();
  path_ = path;
  temporary_ = outcomeTemporaryName(path, outcomeHostName(), outcomeProcessId());
  file_ = createOutcomeFile(temporary_);
  if (!file_) {
    if (error) *error = "cannot create " + temporary_ + ": " + std::strerror(errno);
    temporary_.clear();
    return false;
  }
  hash_ = std::make_unique<detail::Sha256>();
  Encoder e;
  e(header);
  return put(std::string_view(kMagic, sizeof kMagic), error) && put(u32Bytes(kOutcomeFormatVersion), error) &&
         put(u32Bytes(static_cast<std::uint32_t>(e.out.size())), error) && put(e.out, error);
}

bool OutcomeFileWriter::put(std::string_view bytes, std::string* error) {
  if (!file_) {
    if (error) *error = "no outcome file is open";
    return false;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    if (error) *error = "cannot write " + temporary_ + ": " + std::strerror(errno);
    return false;
  }
  hash_->add(bytes);
  return true;
}

bool OutcomeFileWriter::write(const RecordingOutcome& outcome, std::string* error) {
  const std::string bytes = encodeOutcome(outcome);
  if (bytes.size() > UINT32_MAX) {
    if (error) *error = outcome.path + ": the analysis is too large for an outcome file";
    return false;
  }
  return put(u32Bytes(static_cast<std::uint32_t>(bytes.size())), error) && put(bytes, error);
}

bool OutcomeFileWriter::commit(std::string* error) {
  if (!file_) {
    if (error) *error = "no outcome file is open";
    return false;
  }
  const std::string digest = hash_->digest();
  const bool written = std::fwrite(digest.data(), 1, digest.size(), file_) == digest.size() &&
                       flushOutcomeFile(file_);
  const int writeErrno = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    if (error) *error = "cannot write " + temporary_ + ": " + std::strerror(written ? errno : writeErrno);
    abandon();
    return false;
  }
  if (!replaceOutcomeFile(temporary_, path_)) {
    if (error) *error = "cannot rename " + temporary_ + " to " + path_ + ": " + std::strerror(errno);
    abandon();
    return false;
  }
  temporary_.clear();
  return true;
}

// --- Reader -------------------------------------------------------------------

OutcomeFileReader::OutcomeFileReader(std::istream& in, std::uint64_t size)
    : in_(in), left_(size), hash_(std::make_unique<detail::Sha256>()) {}

OutcomeFileReader::~OutcomeFileReader() = default;

bool OutcomeFileReader::fail(const std::string& problem) {
  if (error_.empty()) error_ = problem;
  done_ = true;
  return false;
}

bool OutcomeFileReader::take(std::size_t count, std::string* bytes, const char* what) {
  if (!error_.empty()) return false;
  if (count > left_) return fail(std::string("truncated: the file ends inside ") + what);
  bytes->resize(count);
  in_.read(bytes->data(), static_cast<std::streamsize>(count));
  if (static_cast<std::size_t>(in_.gcount()) != count) {
    return fail(std::string("truncated: the file ends inside ") + what);
  }
  left_ -= count;
  return true;
}

bool OutcomeFileReader::readHeader() {
  std::string bytes;
  if (!take(sizeof kMagic, &bytes, "its first bytes") || bytes != std::string(kMagic, sizeof kMagic)) {
    error_.clear();
    return fail("not an outcome file");
  }
  hash_->add(bytes);
  if (!take(4, &bytes, "the format version")) return false;
  hash_->add(bytes);
  const std::uint32_t version = u32Of(bytes);
  if (version != kOutcomeFormatVersion) {
    return fail("outcome format version " + std::to_string(version) + "; this program reads version " +
                std::to_string(kOutcomeFormatVersion));
  }
  if (!take(4, &bytes, "the header")) return false;
  hash_->add(bytes);
  if (!take(u32Of(bytes), &bytes, "the header")) return false;
  hash_->add(bytes);
  if (!decodeExactly(bytes, &header_)) return fail("the header is malformed");
  const Slice s = sliceOf(header_.listLength, header_.shardIndex, header_.shardCount);
  if (header_.shardCount == 0 || header_.shardIndex >= header_.shardCount || s.first != header_.sliceFirst ||
      s.count != header_.sliceCount) {
    return fail("the header names no slice of its list");
  }
  return true;
}

bool OutcomeFileReader::next(RecordingOutcome* outcome) {
  if (done_) return false;
  std::string bytes;
  if (recordsRead_ == header_.sliceCount) {
    done_ = true;
    if (!take(kDigestBytes, &bytes, "its checksum")) return false;
    if (bytes != hash_->digest()) return fail("the checksum does not match the contents");
    if (left_ != 0) return fail("bytes follow the checksum");
    return false;
  }
  const std::string which = "recording " + std::to_string(recordsRead_ + 1) + " of " +
                            std::to_string(header_.sliceCount);
  if (!take(4, &bytes, which.c_str())) return false;
  hash_->add(bytes);
  if (!take(u32Of(bytes), &bytes, which.c_str())) return false;
  hash_->add(bytes);
  if (!decodeOutcome(bytes, outcome)) return fail(which + " is malformed");
  recordsRead_ += 1;
  return true;
}

bool OutcomeFileReader::verifyRest() {
  RecordingOutcome scratch;
  while (next(&scratch)) {
  }
  return error_.empty();
}

}  // namespace quilve

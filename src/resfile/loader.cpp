#include "loader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "format.hpp"
#include "gbk.hpp"
#include "io_reason.hpp"
#include "owned.hpp"
#include "platform.hpp"
#include "text_path.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaly {
namespace {

MapRecord DecodeRecord(std::span<const std::uint8_t> data, std::size_t p) {
  MapRecord rec;
  const std::size_t n = data[p + 8];
  const std::size_t l = data[p + 12 + n];
  rec.offset = p;
  rec.model = static_cast<std::uint16_t>(data[p + 5] * 256U + data[p + 4]);
  rec.nameLength = static_cast<std::uint8_t>(n);
  if (n >= 2) {
    rec.nameBytes.assign(reinterpret_cast<const char*>(data.data() + p + 12), n - 1);
    rec.name = Bytes2Str(rec.nameBytes);
  }
  rec.folderLength = static_cast<std::uint8_t>(l);
  const std::size_t t = p + n + l;
  rec.listFlag = data[t + tail::kListFlag];
  rec.modeByte = data[t + tail::kModeByte];
  rec.music = data[t + tail::kMusic];
  rec.storyOrder = data[t + tail::kStoryOrder];
  return rec;
}

}  // namespace

std::string ReadFailureMessage(const std::filesystem::path& path, const std::string& reason) {
  return "无法读取文件“" + PathForMessage(path) + "”：" + reason;
}

bool HasMagic(std::span<const std::uint8_t> data) {
  return data.size() >= kMagic.size() &&
         std::memcmp(data.data(), kMagic.data(), kMagic.size()) == 0;
}

ScanResult ScanResBytes(std::span<const std::uint8_t> data, std::size_t from) {
  ScanResult result;
  const std::uint8_t* base = data.data();
  std::size_t p = std::max(from, kHeaderMinimum);
  while (p < data.size()) {
    const void* hit = std::memchr(base + p, kMarker, data.size() - p);
    if (hit == nullptr) break;
    p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - base);
    if (const auto length = RecordLengthAt(data, p)) {
      if (!result.headerEnd) result.headerEnd = p - 1;
      result.records.push_back(DecodeRecord(data, p));
      p += *length;
    } else {
      ++p;
    }
  }
  result.entryCount = ReadEntryCount(data);
  result.extraCount = static_cast<std::int64_t>(result.entryCount) -
                      static_cast<std::int64_t>(result.records.size());
  return result;
}

namespace {

// A descriptor for reading the file at `path`, or -1.
int OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
  return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
#else
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
#endif
}

// A file open for reading.
class OpenFile {
 public:
  explicit OpenFile(const std::filesystem::path& path) : fd_(OpenForReading(path)) {}
  [[nodiscard]] int fd() const { return fd_.get(); }

  // Up to `size` bytes; -1 on failure.
  [[nodiscard]] std::int64_t Read(std::uint8_t* into, std::size_t size) const {
    const std::size_t chunk = std::min<std::size_t>(size, std::size_t{1} << 30);
    for (;;) {
#ifdef _WIN32
      const auto n = _read(fd(), into, static_cast<unsigned>(chunk));
#else
      const auto n = ::read(fd(), into, chunk);
#endif
      if (n >= 0 || errno != EINTR) return n;
    }
  }

 private:
  Descriptor fd_;
};

// Opens an ordinary file for reading: without blocking, so a FIFO without a
// writer cannot hang the program, and checked to be an ordinary file before a
// byte is read. Gives its size and identity.
Result<std::uint64_t, std::string> OpenOrdinary(const OpenFile& file,
                                                const std::filesystem::path& path,
                                                FileIdentity* identity) {
  if (file.fd() < 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
#ifdef _WIN32
  struct _stat64 st {};
  if (_fstat64(file.fd(), &st) != 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
  const bool regular = (st.st_mode & _S_IFMT) == _S_IFREG;
  const bool folder = (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
  const bool regular = S_ISREG(st.st_mode);
  const bool folder = S_ISDIR(st.st_mode);
#endif
  if (folder) return Fail(ReadFailureMessage(path, ReasonForErrno(EISDIR)));
  if (!regular) return Fail(ReadFailureMessage(path, kReasonNotRegular));
  if (identity != nullptr)
    *identity = platform::IdentityOfDescriptor(file.fd()).value_or(FileIdentity{});
  return static_cast<std::uint64_t>(st.st_size);
}

// Asks for large pages under a large buffer not yet touched: faulting a
// 200 MB file in with 4 KiB pages costs more than reading it (and freeing it
// again a good part of that).
void PreferLargePages(std::uint8_t* data, std::size_t size) {
#ifdef __linux__
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  const auto start = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLarge - 1);
  if (end > start) (void)::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

// Reads a whole ordinary file into a buffer with `spare` bytes of room beyond it.
Result<std::vector<std::uint8_t>, std::string> ReadInto(const std::filesystem::path& path,
                                                        std::uint64_t maxBytes, std::size_t spare,
                                                        FileIdentity* identity) {
  const OpenFile file(path);
  const auto size = OpenOrdinary(file, path, identity);
  if (!size) return Fail(size.error());
  if (*size > maxBytes) {
    return Fail(ReadFailureMessage(path, "文件太大（" + std::to_string(*size) + "字节，最多" +
                                             std::to_string(maxBytes) + "字节）"));
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.reserve(static_cast<std::size_t>(*size) + spare);
    PreferLargePages(bytes.data(), bytes.capacity());
    bytes.resize(static_cast<std::size_t>(*size));
  } catch (const std::bad_alloc&) {
    return Fail(ReadFailureMessage(path, kReasonOutOfMemory));
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto n = file.Read(bytes.data() + done, bytes.size() - done);
    if (n < 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
    if (n == 0) return Fail(ReadFailureMessage(path, "读取不完整"));  // cut short while reading
    done += static_cast<std::size_t>(n);
  }
  return bytes;
}

}  // namespace

Result<std::vector<std::uint8_t>, std::string> ReadWholeFile(const std::filesystem::path& path,
                                                             std::uint64_t maxBytes) {
  return ReadInto(path, maxBytes, 0, nullptr);
}

Result<std::optional<FileIdentity>, std::string> ReadBack(const std::filesystem::path& path,
                                                          Pieces pieces) {
  const OpenFile file(path);
  FileIdentity identity;
  const auto size = OpenOrdinary(file, path, &identity);
  if (!size) return Fail(size.error());
  std::uint64_t expected = 0;
  for (const auto piece : pieces) expected += piece.size();
  if (*size != expected) return std::optional<FileIdentity>();
  // A small buffer used again and again costs far less than one the size of the file.
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(std::size_t{4} << 20);
  } catch (const std::bad_alloc&) {
    return Fail(ReadFailureMessage(path, kReasonOutOfMemory));
  }
  for (const auto piece : pieces) {
    for (std::size_t done = 0; done < piece.size();) {
      const auto n = file.Read(buffer.data(), std::min(buffer.size(), piece.size() - done));
      if (n < 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
      if (n == 0 ||
          std::memcmp(buffer.data(), piece.data() + done, static_cast<std::size_t>(n)) != 0) {
        return std::optional<FileIdentity>();
      }
      done += static_cast<std::size_t>(n);
    }
  }
  std::uint8_t extra = 0;
  if (file.Read(&extra, 1) != 0) return std::optional<FileIdentity>();
  return std::optional<FileIdentity>(identity);
}

Result<LoadedFile, LoadError> LoadResFile(const std::filesystem::path& path) {
  LoadedFile loaded;
  auto read =
      ReadInto(path, std::numeric_limits<std::uint64_t>::max(), kLoadSpareBytes, &loaded.identity);
  if (!read) return Fail(LoadError{LoadError::Kind::kReadFailed, read.error()});
  loaded.path = path;
  loaded.bytes = std::move(read).value();
  if (!HasMagic(loaded.bytes)) {
    return Fail(LoadError{LoadError::Kind::kRefused, std::string(kWrongFileMessage)});
  }
  loaded.scan = ScanResBytes(loaded.bytes);
  return loaded;
}

}  // namespace tessaly

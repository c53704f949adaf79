#include "loader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "format.hpp"
#include "gbk.hpp"
#include "io_reason.hpp"
#include "text_path.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
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
  return "无法读取文件“" + PathToUtf8(path) + "”：" + reason;
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

Result<std::vector<std::uint8_t>, std::string> ReadWholeFile(const std::filesystem::path& path,
                                                             std::uint64_t maxBytes) {
  // Opened without blocking, so a FIFO without a writer cannot hang the
  // program, and checked to be an ordinary file before a byte is read.
#ifdef _WIN32
  const int fd = _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
#endif
  if (fd < 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
  struct Closer {
    int fd;
    ~Closer() {
#ifdef _WIN32
      _close(fd);
#else
      ::close(fd);
#endif
    }
  } closer{fd};
#ifdef _WIN32
  struct _stat64 st {};
  if (_fstat64(fd, &st) != 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
  const bool regular = (st.st_mode & _S_IFMT) == _S_IFREG;
  const bool folder = (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
  const bool regular = S_ISREG(st.st_mode);
  const bool folder = S_ISDIR(st.st_mode);
#endif
  if (folder) return Fail(ReadFailureMessage(path, ReasonForErrno(EISDIR)));
  if (!regular) return Fail(ReadFailureMessage(path, kReasonNotRegular));
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > maxBytes) {
    return Fail(ReadFailureMessage(path, "文件太大（" + std::to_string(size) + "字节，最多" +
                                             std::to_string(maxBytes) + "字节）"));
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return Fail(ReadFailureMessage(path, kReasonOutOfMemory));
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 30);
#ifdef _WIN32
    const auto n = _read(fd, bytes.data() + done, static_cast<unsigned>(chunk));
#else
    const auto n = ::read(fd, bytes.data() + done, chunk);
#endif
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(ReadFailureMessage(path, ReasonForErrno(errno)));
    }
    if (n == 0) return Fail(ReadFailureMessage(path, "读取不完整"));  // cut short while reading
    done += static_cast<std::size_t>(n);
  }
  return bytes;
}

Result<LoadedFile, LoadError> LoadResFile(const std::filesystem::path& path) {
  auto read = ReadWholeFile(path);
  if (!read) return Fail(LoadError{LoadError::Kind::kReadFailed, read.error()});
  LoadedFile loaded;
  loaded.path = path;
  loaded.bytes = std::move(read).value();
  if (!HasMagic(loaded.bytes)) {
    return Fail(LoadError{LoadError::Kind::kRefused, std::string(kWrongFileMessage)});
  }
  loaded.scan = ScanResBytes(loaded.bytes);
  return loaded;
}

}  // namespace tessaly

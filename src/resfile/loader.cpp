#include "loader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "format.hpp"
#include "gbk.hpp"
#include "text_path.hpp"

namespace tessaly {
namespace {

std::string ReasonText(int error) {
  switch (error) {
    case ENOENT:
      return "文件不存在";
    case EACCES:
    case EPERM:
      return "没有读取权限";
    case EISDIR:
      return "这是一个文件夹，不是文件";
    case ENOMEM:
      return "内存不足";
    default:
      return std::strerror(error);
  }
}

std::string ReadFailure(const std::filesystem::path& path, const std::string& reason) {
  return "无法读取文件“" + PathToUtf8(path) + "”：" + reason;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

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

Result<std::vector<std::uint8_t>, std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return Fail(ReadFailure(path, ReasonText(EISDIR)));
  errno = 0;
#ifdef _WIN32
  std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"rb"));
#else
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
#endif
  if (!file) return Fail(ReadFailure(path, ReasonText(errno)));
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return Fail(ReadFailure(path, ec.message()));
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return Fail(ReadFailure(path, ReasonText(ENOMEM)));
  }
  const std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (got != bytes.size() || std::ferror(file.get()) != 0) {
    return Fail(ReadFailure(path, errno != 0 ? ReasonText(errno) : std::string("读取不完整")));
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

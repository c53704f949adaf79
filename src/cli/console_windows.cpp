#include "console_windows.hpp"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <streambuf>

#include <string>
#include "resfile/utf8.hpp"

namespace tessaly::cli {
namespace {

// Collects UTF-8 and writes it to a console as UTF-16. A character split
// across two writes waits for its remaining bytes.
class ConsoleBuffer final : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}
  ~ConsoleBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    if (c == '\n' || pending_.size() >= 4096) return WriteComplete() ? c : traits_type::eof();
    return c;
  }

  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<std::size_t>(n));
    return WriteComplete() ? n : 0;
  }

  int sync() override { return WriteComplete() ? 0 : -1; }

 private:
  // The length of the longest prefix of pending_ that ends on a character boundary.
  std::size_t CompleteLength() const {
    std::size_t end = pending_.size();
    for (std::size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
      const auto b = static_cast<unsigned char>(pending_[pending_.size() - back]);
      if (IsUtf8Continuation(b)) continue;  // look further back for the lead
      const std::size_t need = Utf8SequenceLength(b);
      if (need > back) end = pending_.size() - back;
      break;
    }
    return end;
  }

  bool WriteComplete() {
    const std::size_t n = CompleteLength();
    if (n == 0) return true;
    const int units =
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(n), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) {
      MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(n), wide.data(), units);
    }
    pending_.erase(0, n);
    std::size_t done = 0;
    while (done < wide.size()) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(console_, wide.data() + done, chunk, &written, nullptr) || written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  }

  HANDLE console_;
  std::string pending_;
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

std::ostream& Stream(DWORD which, std::ostream& standard, FILE* file) {
  const HANDLE handle = GetStdHandle(which);
  if (IsConsole(handle)) {
    static ConsoleBuffer* buffers[2] = {};
    auto*& buffer = buffers[which == STD_OUTPUT_HANDLE ? 0 : 1];
    if (buffer == nullptr) buffer = new ConsoleBuffer(handle);  // lives as long as the program
    standard.rdbuf(buffer);
    return standard;
  }
  // Binary mode: a text-mode stream would turn LF into CRLF (and CSV's CRLF
  // into CR CR LF).
  _setmode(_fileno(file), _O_BINARY);
  return standard;
}

}  // namespace

std::ostream& StandardOutput() { return Stream(STD_OUTPUT_HANDLE, std::cout, stdout); }
std::ostream& StandardError() { return Stream(STD_ERROR_HANDLE, std::cerr, stderr); }

}  // namespace tessaly::cli

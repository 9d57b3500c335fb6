#include "standard_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>
#include <utility>

#include "cli_user_interface.h"
#include "exit_status.h"

namespace viru4deduz::cli {
namespace {

class DescriptorBuffer final : public std::streambuf {
 public:
  DescriptorBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }
  int error() const { return error_; }
  bool written() const { return drained_ || pptr() > pbase(); }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  // Writes what the buffer holds; after a failure everything is dropped, and the first error kept.
  bool Drain() {
    const char* next = pbase();
    while (error_ == 0 && next < pptr()) {
      const ssize_t put = ::write(STDOUT_FILENO, next, static_cast<std::size_t>(pptr() - next));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) error_ = put < 0 ? errno : EIO;
      if (put > 0) next += put, drained_ = true;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
    return error_ == 0;
  }

  char buffer_[1 << 16];
  int error_ = 0;
  bool drained_ = false;
};

// Never destroyed: std::cout may still be flushed into it while the program ends.
DescriptorBuffer& Buffer() {
  static DescriptorBuffer* const buffer = new DescriptorBuffer;
  return *buffer;
}

}  // namespace

void UseStandardOutputBuffer() { std::cout.rdbuf(&Buffer()); }

bool StandardOutputWritten() { return Buffer().written(); }

int OutputStatus() {
  std::cout.flush();
  if (Buffer().error() == 0 && std::cout) return kExitSuccess;
  static bool told = false;  // once, however often the command asks
  if (!std::exchange(told, true)) {
    PrintError(std::string("cannot write the output: ") +
               (Buffer().error() != 0 ? std::strerror(Buffer().error()) : "write error"));
  }
  return kExitOutputError;
}

}  // namespace viru4deduz::cli

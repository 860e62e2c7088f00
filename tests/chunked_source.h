// A stream buffer that hands out a text a few characters at a time, as a pipe or a terminal
// does, and can fail part-way as a device does: its refill then throws, as a file stream's
// buffer does when the system refuses a read. Once it has reported the end of the text, being
// asked again is a fault of the reader's, and fails too.
#pragma once

#include <algorithm>
#include <cstddef>
#include <ios>
#include <streambuf>
#include <string>
#include <system_error>

class ChunkedSource : public std::streambuf {
  public:
    // Refills give chunk characters at a time; the refill that would go past fail_at fails.
    explicit ChunkedSource(std::string text, std::size_t chunk = 1,
                           std::size_t fail_at = std::string::npos)
        : text_(std::move(text)), chunk_(std::max<std::size_t>(chunk, 1)), fail_at_(fail_at) {}

  protected:
    int_type underflow() override {
        if (given_ >= fail_at_) {
            throw std::ios_base::failure("read", std::make_error_code(std::errc::io_error));
        }
        if (ended_) {
            throw std::ios_base::failure("asked again after the end",
                                         std::make_error_code(std::errc::operation_not_permitted));
        }
        if (given_ >= text_.size()) {
            ended_ = true;
            return traits_type::eof();
        }
        const std::size_t size = std::min({chunk_, text_.size() - given_, fail_at_ - given_});
        char* const start = text_.data() + given_;
        setg(start, start, start + size);
        given_ += size;
        return traits_type::to_int_type(*start);
    }

    pos_type seekoff(off_type offset, std::ios_base::seekdir way,
                     std::ios_base::openmode) override {
        if (offset != 0 || way != std::ios_base::cur) {
            return pos_type(off_type(-1));
        }
        return pos_type(static_cast<off_type>(given_) - (egptr() - gptr()));
    }

  private:
    std::string text_;
    std::size_t chunk_;
    std::size_t fail_at_;
    std::size_t given_ = 0;
    bool ended_ = false;
};

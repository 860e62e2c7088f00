// An input source that hands out a text a few bytes at a time, as a pipe or a terminal does,
// and can fail part-way as a device does. It can be stepped back, as a file can. Once it has
// reported the end of the text, being asked again is a fault of the reader's, and fails too.
// Beside it, an output target that keeps the text written to it, or fails as a full disk does,
// and the transcript of a run of the dialogue on such a source.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "dialogue/dialogue.h"
#include "dialogue/input_source.h"
#include "dialogue/output.h"
#include "dialogue/output_target.h"

class ChunkedSource : public InputSource {
  public:
    // Reads give chunk bytes at a time (all of it by default); the read that would go past
    // fail_at fails, with the error number error.
    explicit ChunkedSource(std::string text, std::size_t chunk = std::string::npos,
                           std::size_t fail_at = std::string::npos, int error = EIO)
        : text_(std::move(text)),
          chunk_(std::max<std::size_t>(chunk, 1)),
          fail_at_(fail_at),
          error_(error) {}

    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        if (given_ >= fail_at_ || ended_) {
            return -1;
        }
        const std::size_t size =
            std::min({chunk_, capacity, text_.size() - given_, fail_at_ - given_});
        ended_ = size == 0;
        std::memcpy(buffer, text_.data() + given_, size);
        given_ += size;
        return static_cast<std::ptrdiff_t>(size);
    }
    int error() const override {
        return ended_ ? EALREADY : error_;  // the first is never expected
    }
    void give_back(std::size_t count) override {
        given_ -= count;
    }

    // What the next reader of the text would find.
    std::string rest() const {
        return text_.substr(given_);
    }

  private:
    std::string text_;
    std::size_t chunk_;
    std::size_t fail_at_;
    int error_;
    std::size_t given_ = 0;
    bool ended_ = false;
};

struct TextTarget final : OutputTarget {
    std::string text;
    int failure = 0;  // where not 0, every write fails with this error number

    int write(const char* bytes, std::size_t size) override {
        if (failure == 0) {
            text.append(bytes, size);
        }
        return failure;
    }
};

struct Transcript {
    int status;
    std::string output;
    std::string errors;

    bool operator==(const Transcript&) const = default;
};

// The dialogue run on source, with an output that fails with output_failure where that is not
// 0 and the streams that shows names on one screen; start() is called just before it runs.
template <typename Start>
Transcript transcript(InputSource& source, int output_failure, OnScreen shows, Start start) {
    TextTarget output_text;
    TextTarget error_text;
    output_text.failure = output_failure;
    Output output(output_text, 1 << 16);
    Output errors(error_text, 512);
    Screen screen(shows);
    start();
    const int status = run_dialogue(source, output, errors, screen);
    return {status, output_text.text, error_text.text};
}

inline Transcript transcript(InputSource& source) {
    return transcript(source, 0, {}, [] {});
}

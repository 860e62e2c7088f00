// The one screen that the program's streams may share, and where its cursor stands there: kept
// by the dialogue, which writes prompts, error lines and line ends on it, and by the input typed
// there, which shows as it is typed. So a prompt or an error line knows whether the cursor
// stands mid-line, and a word typed before a line end that the program wrote ends there, as the
// screen shows it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

// Which standard streams show on the screen: the terminal or console at which the input is
// typed, or else the one that the output goes to.
struct OnScreen {
    bool input = false;  // typed there, and shown as it is typed
    bool output = false;
    bool errors = false;
};

class Screen {
  public:
    explicit Screen(OnScreen shows = {}) : shows_(shows) {}

    const OnScreen& shows() const {
        return shows_;
    }

    // The cursor stands mid-line: after the text typed since the program last wrote, where it
    // ended so, else after a prompt.
    bool mid_line() const {
        return typed_ == Typed::nothing ? after_prompt_ : typed_ == Typed::mid_line;
    }

    // The program wrote a prompt, and the cursor stands at column after it; or (column 0) it
    // wrote a line end.
    void wrote(std::size_t column) {
        after_prompt_ = column != 0;
        if (shows_.input) {
            line_broken_ = line_broken_ || (column == 0 && typed_ == Typed::mid_line);
            typed_ = Typed::nothing;
            column_ = column;
            moved_ = true;
        }
    }

    // Typed text was read: the screen shows it ending mid-line, or at a line start.
    void typed(bool ends_mid_line) {
        typed_ = ends_mid_line ? Typed::mid_line : Typed::at_line_start;
    }

    // The program wrote a prompt, which the cursor stands after.
    void wrote_prompt(std::string_view prompt) {
        prompt_size_ = std::min(prompt.size(), sizeof prompt_);
        std::memcpy(prompt_, prompt.data(), prompt_size_);
        wrote(prompt.size());
    }

    // For the input typed there, once each: whether the program ended the screen's line after
    // text typed on it, which ends the word that text began; and whether it wrote since the
    // last time asked, with the prompt after which the next typed text begins (empty after a
    // line end).
    bool pop_line_break() {
        const bool broken = line_broken_;
        line_broken_ = false;
        return broken;
    }
    bool pop_new_prompt(std::string_view& prompt) {
        const bool moved = moved_;
        moved_ = false;
        prompt = std::string_view(prompt_, column_ != 0 ? prompt_size_ : 0);
        return moved;
    }

  private:
    // How the text typed since the program last wrote on the screen ends there.
    enum class Typed { nothing, at_line_start, mid_line };

    OnScreen shows_;
    Typed typed_ = Typed::nothing;
    bool after_prompt_ = false;  // the program's last text there was a prompt
    bool line_broken_ = false;
    bool moved_ = false;
    std::size_t column_ = 0;
    char prompt_[64] = {};  // the program's prompts are short
    std::size_t prompt_size_ = 0;
};

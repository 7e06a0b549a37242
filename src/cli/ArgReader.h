// Walks a subcommand's arguments: options (with or without a value, "--name=value" as
// "--name value") until "--", then operands. Anything else that looks like an option is bad usage.
#pragma once
#include "Commands.h"
#include <optional>

namespace scrivo::cli {

class TArgReader {
public:
    explicit TArgReader(const std::vector<std::string>& args) : args_(args) {}

    // Moves to the next argument; false when there is none. A first "--" ends the options
    // and is itself skipped.
    bool Next() {
        if (inline_)
            throw UsageError(current_ + " takes no value");
        ++i_;
        if (options_ && i_ < args_.size() && args_[i_] == "--") {
            options_ = false;
            ++i_;
        }
        if (i_ >= args_.size())
            return false;
        // "--name=value" is "--name value".
        current_ = args_[i_];
        const size_t eq = current_.find('=');
        if (options_ && current_.starts_with("--") && eq != std::string::npos) {
            inline_ = current_.substr(eq + 1);
            current_.resize(eq);
        }
        return true;
    }
    // The current argument is the option `name` (or its other spelling `alias`).
    bool Is(const char* name, const char* alias = nullptr) const {
        return options_ && (current_ == name || (alias && current_ == alias));
    }
    // The value after the current option.
    std::string Value() {
        if (inline_) {
            std::string v = *inline_;
            inline_.reset();
            return v;
        }
        if (i_ + 1 >= args_.size())
            throw UsageError(current_ + " needs a value");
        return args_[++i_];
    }
    // The current argument as an operand; bad usage when it is an option nobody took.
    const std::string& Operand() const {
        if (LooksLikeOption())
            Unexpected();
        return args_[i_];
    }

    // For commands without operands: the current argument is not one of theirs.
    [[noreturn]] void Unexpected() const {
        if (LooksLikeOption())
            throw UsageError("unknown option \"" + current_ + "\"");
        throw UsageError("unexpected argument \"" + args_[i_] + "\"");
    }

private:
    bool LooksLikeOption() const { return options_ && current_.size() > 1 && current_[0] == '-'; }

    const std::vector<std::string>& args_;
    std::string current_;                // the argument, without an "=value" part
    std::optional<std::string> inline_; // the value given with "=", not yet taken
    size_t i_ = size_t(-1);
    bool options_ = true;
};

} // namespace scrivo::cli

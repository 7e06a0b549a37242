// Walks a subcommand's arguments: options (with or without a value) until "--", then
// operands. Anything else that looks like an option is bad usage.
#pragma once
#include "Commands.h"

namespace scrivo::cli {

class TArgReader {
public:
    explicit TArgReader(const std::vector<std::string>& args) : args_(args) {}

    // Moves to the next argument; false when there is none. A first "--" ends the options
    // and is itself skipped.
    bool Next() {
        ++i_;
        if (options_ && i_ < args_.size() && args_[i_] == "--") {
            options_ = false;
            ++i_;
        }
        return i_ < args_.size();
    }
    // The current argument is the option `name` (or its other spelling `alias`).
    bool Is(const char* name, const char* alias = nullptr) const {
        return options_ && (args_[i_] == name || (alias && args_[i_] == alias));
    }
    // The value after the current option.
    std::string Value() {
        if (i_ + 1 >= args_.size())
            throw UsageError(args_[i_] + " needs a value");
        return args_[++i_];
    }
    // The current argument as an operand; bad usage when it is an option nobody took.
    const std::string& Operand() const {
        const std::string& s = args_[i_];
        if (options_ && s.size() > 1 && s[0] == '-')
            throw UsageError("unknown option \"" + s + "\"");
        return s;
    }

    // For commands without operands: the current argument is not one of theirs.
    [[noreturn]] void Unexpected() const {
        throw UsageError("unexpected argument \"" + args_[i_] + "\"");
    }

private:
    const std::vector<std::string>& args_;
    size_t i_ = size_t(-1);
    bool options_ = true;
};

} // namespace scrivo::cli

// Keeps repeated problem lines from flooding the log: the first line of a kind
// is logged, further ones within the window are only counted, and the count is
// reported once the window has passed. A damaged broadcast makes the demuxer
// warn about every lost packet, dozens of times a second.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

class LogRateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    struct Suppressed {
        std::string kind;
        int count = 0;
    };

    explicit LogRateLimiter(Clock::duration window = std::chrono::minutes(1)) : window_(window) {}

    // Whether a line of this kind is to be logged now: the first of each window is.
    // Call Expired first, so that a passed window is reported before a new one opens.
    bool Admit(const std::string& kind, Clock::time_point now);
    // The kinds whose window has passed by now with lines held back, each reported
    // once; windows without held-back lines are closed silently.
    std::vector<Suppressed> Expired(Clock::time_point now);
    // Every held-back count, whether its window has passed or not (the stream ended).
    std::vector<Suppressed> TakeAll();

private:
    struct Window {
        Clock::time_point start;
        int suppressed = 0;
    };
    // Beyond this many kinds at once nothing is held back: the table stays small.
    static constexpr std::size_t kMaxKinds = 64;

    Clock::duration window_;
    std::map<std::string, Window> windows_;
};

// The kind of a problem line: its level, source and message with every number
// (decimal or hexadecimal, "0x01ae") replaced by "#".
std::string ProblemKind(const char* prefix, const std::string& source, const std::string& message);

#include "stream/log_rate_limiter.h"

#include <cctype>

bool LogRateLimiter::Admit(const std::string& kind, Clock::time_point now) {
    auto it = windows_.find(kind);
    if (it != windows_.end() && now - it->second.start < window_) {
        ++it->second.suppressed;
        return false;
    }
    if (it != windows_.end())
        it->second = Window{now, 0};
    else if (windows_.size() < kMaxKinds)
        windows_.emplace(kind, Window{now, 0});
    return true;
}

std::vector<LogRateLimiter::Suppressed> LogRateLimiter::Expired(Clock::time_point now) {
    std::vector<Suppressed> out;
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (now - it->second.start < window_) {
            ++it;
            continue;
        }
        if (it->second.suppressed > 0)
            out.push_back({it->first, it->second.suppressed});
        it = windows_.erase(it);
    }
    return out;
}

std::vector<LogRateLimiter::Suppressed> LogRateLimiter::TakeAll() {
    std::vector<Suppressed> out;
    for (const auto& [kind, window] : windows_)
        if (window.suppressed > 0)
            out.push_back({kind, window.suppressed});
    windows_.clear();
    return out;
}

std::string ProblemKind(const char* prefix, const std::string& source, const std::string& message) {
    std::string kind = std::string(prefix) + " " + source + ": ";
    auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t i = 0; i < message.size();) {
        const bool numberStart =
            std::isdigit(static_cast<unsigned char>(message[i])) && (i == 0 || !alnum(message[i - 1]));
        if (!numberStart) {
            kind += message[i++];
            continue;
        }
        while (i < message.size() && alnum(message[i]))
            ++i;
        kind += '#';
    }
    return kind;
}

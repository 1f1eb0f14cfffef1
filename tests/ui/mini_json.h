// A small JSON reader for the simulator's control answers (/sim/state, /sim/dataset).
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct Json {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        static const Json none;
        auto it = members.find(key);
        return it == members.end() ? none : it->second;
    }

    static Json Parse(const std::string& s) {
        size_t i = 0;
        return ParseValue(s, i);
    }

private:
    static void Skip(const std::string& s, size_t& i) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t'))
            ++i;
    }
    static std::string ParseString(const std::string& s, size_t& i) {
        std::string out;
        ++i; // opening quote
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '\\' && i + 1 < s.size()) {
                const char c = s[++i];
                if (c == 'u' && i + 4 < s.size()) {
                    const unsigned cp = std::strtoul(s.substr(i + 1, 4).c_str(), nullptr, 16);
                    i += 4;
                    if (cp < 0x80) {
                        out += char(cp);
                    } else if (cp < 0x800) {
                        out += char(0xC0 | (cp >> 6));
                        out += char(0x80 | (cp & 0x3F));
                    } else {
                        out += char(0xE0 | (cp >> 12));
                        out += char(0x80 | ((cp >> 6) & 0x3F));
                        out += char(0x80 | (cp & 0x3F));
                    }
                } else {
                    out += c == 'n'   ? '\n'
                           : c == 't' ? '\t'
                           : c == 'r' ? '\r'
                           : c == 'b' ? '\b'
                           : c == 'f' ? '\f'
                                      : c;
                }
                ++i;
            } else {
                out += s[i++];
            }
        }
        ++i; // closing quote
        return out;
    }
    static Json ParseValue(const std::string& s, size_t& i) {
        Json v;
        Skip(s, i);
        if (i >= s.size())
            return v;
        const char c = s[i];
        if (c == '{') {
            v.type = Object;
            ++i;
            for (Skip(s, i); i < s.size() && s[i] != '}'; Skip(s, i)) {
                const std::string key = ParseString(s, i);
                Skip(s, i);
                ++i; // ':'
                v.members[key] = ParseValue(s, i);
                Skip(s, i);
                if (i < s.size() && s[i] == ',')
                    ++i;
            }
            ++i;
        } else if (c == '[') {
            v.type = Array;
            ++i;
            for (Skip(s, i); i < s.size() && s[i] != ']'; Skip(s, i)) {
                v.items.push_back(ParseValue(s, i));
                Skip(s, i);
                if (i < s.size() && s[i] == ',')
                    ++i;
            }
            ++i;
        } else if (c == '"') {
            v.type = String;
            v.text = ParseString(s, i);
        } else if (s.compare(i, 4, "true") == 0 || s.compare(i, 5, "false") == 0) {
            v.type = Bool;
            v.boolean = s[i] == 't';
            i += v.boolean ? 4 : 5;
        } else if (s.compare(i, 4, "null") == 0) {
            i += 4;
        } else {
            v.type = Number;
            char* end = nullptr;
            v.number = std::strtod(s.c_str() + i, &end);
            i = size_t(end - s.c_str());
        }
        return v;
    }
};

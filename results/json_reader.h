// A small strict JSON reader (RFC 8259), enough to read results documents back: `gridfall
// compare` and the tests. Nesting is limited, so a hostile file cannot exhaust the stack; a
// filter keeps only the parts a reader needs, so a day-long results file does not become a
// tree of millions of values.
#pragma once

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace resultsjson {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool b = false;
    double n = 0;
    bool integral = false;   // written without fraction or exponent
    std::string s;
    std::vector<Value> a;
    std::map<std::string, Value> o;

    const Value* Get(const std::string& key) const
    {
        auto it = o.find(key);
        return it == o.end() ? nullptr : &it->second;
    }
    const Value& operator[](const std::string& key) const
    {
        static const Value none;
        const Value* v = Get(key);
        return v ? *v : none;
    }
};

// Decides what of a document is kept. Paths name members with dots and array elements with
// "[]": "seconds[].fps". Everything is still checked against the grammar.
class Filter {
public:
    virtual ~Filter() = default;
    // Whether the value at `path` is kept (its parent was).
    virtual bool Keep(std::string_view path) const = 0;
    // Called with each kept array element once parsed; true when the filter took what it
    // needs from it and the element is not to be stored in the array.
    virtual bool Consume(std::string_view /*path*/, Value& /*element*/) { return false; }
};

class Parser {
public:
    // The text must outlive the parser.
    explicit Parser(std::string_view text, Filter* filter = nullptr) : t_(text), filter_(filter) {}

    // False with a message on any deviation from RFC 8259 (trailing commas, bare words, ...).
    bool Parse(Value& out, std::string* error)
    {
        bool ok = ParseValue(out, 0, true);
        Skip();
        if (ok && i_ != t_.size())
            ok = Fail("trailing characters");
        if (!ok && error)
            *error = error_ + " at offset " + std::to_string(i_);
        return ok;
    }

private:
    bool Fail(const std::string& what)
    {
        if (error_.empty())
            error_ = what;
        return false;
    }
    void Skip()
    {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\n' || t_[i_] == '\r' || t_[i_] == '\t'))
            ++i_;
    }
    bool Hex4(std::size_t at, uint32_t& value) const
    {
        if (at + 4 > t_.size())
            return false;
        value = 0;
        for (std::size_t k = at; k < at + 4; ++k) {
            const char c = t_[k];
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
            value = value * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                           ? c - '0'
                                                           : std::tolower(c) - 'a' + 10);
        }
        return true;
    }
    static void AppendUtf8(std::string& out, uint32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool Literal(const char* word)
    {
        const std::string w = word;
        if (t_.compare(i_, w.size(), w) != 0)
            return Fail("bad literal");
        i_ += w.size();
        return true;
    }
    bool ParseString(std::string& out)
    {
        if (t_[i_] != '"')
            return Fail("expected string");
        ++i_;
        while (i_ < t_.size() && t_[i_] != '"') {
            const unsigned char c = static_cast<unsigned char>(t_[i_]);
            if (c < 0x20)
                return Fail("control character in string");
            if (c == '\\') {
                if (++i_ >= t_.size())
                    return Fail("bad escape");
                const char e = t_[i_];
                if (e == 'u') {
                    uint32_t cp = 0;
                    if (!Hex4(i_ + 1, cp))
                        return Fail("bad \\u escape");
                    i_ += 5;
                    // A high surrogate followed by a low one is one code point.
                    uint32_t low = 0;
                    if (cp >= 0xD800 && cp <= 0xDBFF && t_.compare(i_, 2, "\\u") == 0 &&
                        Hex4(i_ + 2, low) && low >= 0xDC00 && low <= 0xDFFF) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        i_ += 6;
                    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                        cp = 0xFFFD;
                    }
                    AppendUtf8(out, cp);
                    continue;
                }
                static const std::string kEscapes = "\"\\/bfnrt";
                static const std::string kMeaning = "\"\\/\b\f\n\r\t";
                const auto k = kEscapes.find(e);
                if (k == std::string::npos)
                    return Fail("bad escape");
                out += kMeaning[k];
                ++i_;
                continue;
            }
            out += static_cast<char>(c);
            ++i_;
        }
        if (i_ >= t_.size())
            return Fail("unterminated string");
        ++i_;
        return true;
    }
    bool ParseNumber(Value& v)
    {
        const std::size_t start = i_;
        if (t_[i_] == '-')
            ++i_;
        if (i_ >= t_.size() || !std::isdigit(static_cast<unsigned char>(t_[i_])))
            return Fail("bad number");
        if (t_[i_] == '0' && i_ + 1 < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_ + 1])))
            return Fail("leading zero");
        while (i_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_])))
            ++i_;
        v.integral = true;
        if (i_ < t_.size() && t_[i_] == '.') {
            v.integral = false;
            ++i_;
            if (i_ >= t_.size() || !std::isdigit(static_cast<unsigned char>(t_[i_])))
                return Fail("bad fraction");
            while (i_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_])))
                ++i_;
        }
        if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
            v.integral = false;
            ++i_;
            if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-'))
                ++i_;
            if (i_ >= t_.size() || !std::isdigit(static_cast<unsigned char>(t_[i_])))
                return Fail("bad exponent");
            while (i_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_])))
                ++i_;
        }
        v.kind = Value::Number;
        // Not strtod: the decimal point must not follow the process locale. Out of range
        // is infinity or zero, as strtod gives.
        const auto r = std::from_chars(t_.data() + start, t_.data() + i_, v.n);
        if (r.ec == std::errc::result_out_of_range) {
            const std::size_t e = t_.find_first_of("eE", start);
            const bool tiny = e < i_ && t_[e + 1] == '-';
            v.n = tiny ? 0.0 : (t_[start] == '-' ? -HUGE_VAL : HUGE_VAL);
        }
        return true;
    }
    // Which path a child of the value at path_ has; restores path_ when it goes.
    struct PathStep {
        PathStep(std::string& path, std::string_view step) : path_(path), size_(path.size())
        {
            if (!path_.empty() && step != "[]")
                path_ += '.';
            path_ += step;
        }
        ~PathStep() { path_.resize(size_); }
        std::string& path_;
        std::size_t size_;
    };
    bool Keeps(bool parentKept) const { return parentKept && (!filter_ || filter_->Keep(path_)); }

    bool ParseValue(Value& v, int depth, bool keep)
    {
        if (depth > 64)
            return Fail("nested too deeply");
        Skip();
        if (i_ >= t_.size())
            return Fail("unexpected end");
        const char c = t_[i_];
        if (c == '{') {
            v.kind = Value::Object;
            ++i_;
            Skip();
            if (i_ < t_.size() && t_[i_] == '}') {
                ++i_;
                return true;
            }
            for (;;) {
                Skip();
                std::string key;
                if (i_ >= t_.size() || !ParseString(key))
                    return Fail("expected key");
                if (keep && v.o.count(key))
                    return Fail("duplicate key " + key);
                Skip();
                if (i_ >= t_.size() || t_[i_] != ':')
                    return Fail("expected ':'");
                ++i_;
                const PathStep step(path_, key);
                const bool keepChild = Keeps(keep);
                Value skipped;
                if (!ParseValue(keepChild ? v.o[key] : skipped, depth + 1, keepChild))
                    return false;
                Skip();
                if (i_ < t_.size() && t_[i_] == ',') {
                    ++i_;
                    continue;
                }
                if (i_ < t_.size() && t_[i_] == '}') {
                    ++i_;
                    return true;
                }
                return Fail("expected ',' or '}'");
            }
        }
        if (c == '[') {
            v.kind = Value::Array;
            ++i_;
            Skip();
            if (i_ < t_.size() && t_[i_] == ']') {
                ++i_;
                return true;
            }
            const PathStep step(path_, "[]");
            const bool keepChild = Keeps(keep);
            for (;;) {
                Value element;
                if (!ParseValue(element, depth + 1, keepChild))
                    return false;
                if (keepChild && !(filter_ && filter_->Consume(path_, element)))
                    v.a.push_back(std::move(element));
                Skip();
                if (i_ < t_.size() && t_[i_] == ',') {
                    ++i_;
                    continue;
                }
                if (i_ < t_.size() && t_[i_] == ']') {
                    ++i_;
                    return true;
                }
                return Fail("expected ',' or ']'");
            }
        }
        if (c == '"') {
            v.kind = Value::String;
            return ParseString(v.s);
        }
        if (c == 't') {
            v.kind = Value::Bool;
            v.b = true;
            return Literal("true");
        }
        if (c == 'f') {
            v.kind = Value::Bool;
            return Literal("false");
        }
        if (c == 'n') {
            v.kind = Value::Null;
            return Literal("null");
        }
        return ParseNumber(v);
    }

    std::string_view t_;
    Filter* filter_;
    std::string path_;
    std::size_t i_ = 0;
    std::string error_;
};

inline bool Parse(std::string_view text, Value& out, std::string* error = nullptr,
                  Filter* filter = nullptr)
{
    return Parser(text, filter).Parse(out, error);
}

}  // namespace resultsjson

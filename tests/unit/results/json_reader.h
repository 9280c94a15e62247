// A small strict JSON reader and a checker for the subset of JSON Schema the results schema
// uses (type, required, properties, additionalProperties false, items, enum, const, minimum,
// pattern-free strings). Enough to hold the results document to its published schema.
#pragma once

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testjson {

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

class Parser {
public:
    explicit Parser(const std::string& text) : t_(text) {}

    // False with a message on any deviation from RFC 8259 (trailing commas, bare words, ...).
    bool Parse(Value& out, std::string* error)
    {
        bool ok = ParseValue(out, 0);
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
                    if (i_ + 4 >= t_.size())
                        return Fail("bad \\u escape");
                    for (int k = 1; k <= 4; ++k)
                        if (!std::isxdigit(static_cast<unsigned char>(t_[i_ + k])))
                            return Fail("bad \\u escape");
                    out += '?';
                    i_ += 5;
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
        v.n = std::strtod(t_.substr(start, i_ - start).c_str(), nullptr);
        return true;
    }
    bool ParseValue(Value& v, int depth)
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
                if (v.o.count(key))
                    return Fail("duplicate key " + key);
                Skip();
                if (i_ >= t_.size() || t_[i_] != ':')
                    return Fail("expected ':'");
                ++i_;
                if (!ParseValue(v.o[key], depth + 1))
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
            for (;;) {
                v.a.emplace_back();
                if (!ParseValue(v.a.back(), depth + 1))
                    return false;
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

    const std::string& t_;
    std::size_t i_ = 0;
    std::string error_;
};

inline bool Parse(const std::string& text, Value& out, std::string* error = nullptr)
{
    return Parser(text).Parse(out, error);
}

// Checks `v` against `schema`; appends one line per violation to `problems`, naming the path.
inline void Check(const Value& v, const Value& schema, const std::string& path,
                  std::vector<std::string>& problems)
{
    auto typeMatches = [&](const std::string& type) {
        switch (v.kind) {
        case Value::Null: return type == "null";
        case Value::Bool: return type == "boolean";
        case Value::Number: return type == "number" || (type == "integer" && v.integral);
        case Value::String: return type == "string";
        case Value::Array: return type == "array";
        case Value::Object: return type == "object";
        }
        return false;
    };
    if (const Value* type = schema.Get("type")) {
        bool ok = false;
        if (type->kind == Value::String)
            ok = typeMatches(type->s);
        for (const Value& t : type->a)
            ok = ok || typeMatches(t.s);
        if (!ok) {
            problems.push_back(path + ": wrong type");
            return;
        }
    }
    if (const Value* e = schema.Get("enum")) {
        bool found = false;
        for (const Value& option : e->a)
            found = found || (option.kind == v.kind && option.s == v.s && option.n == v.n);
        if (!found)
            problems.push_back(path + ": not one of the allowed values");
    }
    if (const Value* c = schema.Get("const")) {
        if (c->kind != v.kind || c->s != v.s || c->n != v.n)
            problems.push_back(path + ": not the constant value");
    }
    if (const Value* m = schema.Get("minimum"); m && v.kind == Value::Number && v.n < m->n)
        problems.push_back(path + ": below minimum");
    if (v.kind == Value::Object) {
        if (const Value* req = schema.Get("required"))
            for (const Value& key : req->a)
                if (!v.Get(key.s))
                    problems.push_back(path + ": missing " + key.s);
        const Value* props = schema.Get("properties");
        const Value* extra = schema.Get("additionalProperties");
        for (const auto& [key, child] : v.o) {
            const Value* sub = props ? props->Get(key) : nullptr;
            if (sub)
                Check(child, *sub, path + "." + key, problems);
            else if (extra && extra->kind == Value::Bool && !extra->b)
                problems.push_back(path + ": unexpected " + key);
        }
    }
    if (v.kind == Value::Array)
        if (const Value* items = schema.Get("items"))
            for (std::size_t k = 0; k < v.a.size(); ++k)
                Check(v.a[k], *items, path + "[" + std::to_string(k) + "]", problems);
}

}  // namespace testjson

// The results reader under the tests' old name, and a checker for the subset of JSON Schema
// the results schema uses (type, required, properties, additionalProperties false, items,
// enum, const, minimum). Enough to hold the results document to its published schema.
#pragma once

#include <string>
#include <vector>

#include "results/json_reader.h"

namespace testjson {

using resultsjson::Parse;
using resultsjson::Value;

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

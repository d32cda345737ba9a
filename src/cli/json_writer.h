#pragma once

// A small JSON writer for halvo-cli's --json output: objects and arrays built in order, numbers
// printed so that they read back exactly.

#include <cstdint>
#include <string>

namespace halvo::cli {

class JsonWriter {
public:
    JsonWriter& beginObject(const char* key = nullptr);
    JsonWriter& endObject();
    JsonWriter& beginArray(const char* key = nullptr);
    JsonWriter& endArray();
    JsonWriter& number(const char* key, double value);
    JsonWriter& integer(const char* key, int64_t value);
    JsonWriter& boolean(const char* key, bool value);
    JsonWriter& string(const char* key, const std::string& value);
    JsonWriter& null(const char* key);

    const std::string& text() const { return out_; }

    static std::string Escape(const std::string& value);

private:
    void separator(const char* key);

    std::string out_;
    bool needComma_ = false;
};

}  // namespace halvo::cli

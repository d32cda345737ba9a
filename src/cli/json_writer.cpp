#include "cli/json_writer.h"

#include <cmath>

#include "common/text_format.h"

namespace halvo::cli {

void JsonWriter::separator(const char* key) {
    if (needComma_) {
        out_ += ',';
    }
    if (key != nullptr) {
        out_ += '"';
        out_ += Escape(key);
        out_ += "\":";
    }
    needComma_ = true;
}

JsonWriter& JsonWriter::beginObject(const char* key) {
    separator(key);
    out_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::beginArray(const char* key) {
    separator(key);
    out_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::number(const char* key, double value) {
    separator(key);
    // JSON has no NaN or infinity.
    out_ += std::isfinite(value) ? Format("%.17g", value) : std::string("null");
    return *this;
}

JsonWriter& JsonWriter::integer(const char* key, int64_t value) {
    separator(key);
    out_ += Format("%lld", static_cast<long long>(value));
    return *this;
}

JsonWriter& JsonWriter::boolean(const char* key, bool value) {
    separator(key);
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::string(const char* key, const std::string& value) {
    separator(key);
    out_ += '"';
    out_ += Escape(value);
    out_ += '"';
    return *this;
}

JsonWriter& JsonWriter::null(const char* key) {
    separator(key);
    out_ += "null";
    return *this;
}

std::string JsonWriter::Escape(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += Format("\\u%04x", c);
                } else {
                    out += ch;
                }
        }
    }
    return out;
}

}  // namespace halvo::cli

#include "AtReply.h"

#include <algorithm>
#include <cstring>

namespace atbridge {

namespace {

const char* const kTerminator = "\r\n\r\n";

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
    return s;
}

bool hasErrorAnyCase(const std::string& text)
{
    return upper(text).find("+ERR") != std::string::npos;
}

} // namespace

Outcome recogniseOk(const std::string& text)
{
    return text.find("OK") != std::string::npos ? Outcome::Done : Outcome::More;
}

Outcome recogniseSet(const std::string& text)
{
    if (text.find(std::string("+OK") + kTerminator) != std::string::npos) {
        return Outcome::Done;
    }
    return hasErrorAnyCase(text) ? Outcome::Error : Outcome::More;
}

Outcome recogniseQuery(const std::string& text, std::string* value)
{
    const size_t end = text.find(kTerminator);
    if (end != std::string::npos && text.find("+ERR") == std::string::npos) {
        const size_t ok = text.find("+OK=");
        if (ok == std::string::npos || ok > end) {
            return Outcome::Error;
        }
        *value = text.substr(ok + 4, end - (ok + 4));
        return Outcome::Done;
    }
    return hasErrorAnyCase(text) ? Outcome::Error : Outcome::More;
}

std::vector<std::string> splitFields(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            if (i == 0) {
                start = 1;
            } else {
                fields.push_back(text.substr(start, i - start));
                start = i + 1;
            }
        } else if (i + 1 == text.size()) {
            fields.push_back(text.substr(start));
        }
    }
    return fields;
}

std::string stripQuotes(const std::string& field)
{
    const size_t first = field.find('"');
    if (first == std::string::npos) {
        return field;
    }
    const size_t second = field.find('"', first + 1);
    if (second == std::string::npos) {
        return field;
    }
    return field.substr(first + 1, second - first - 1);
}

uint32_t toNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) && text[i] != '\0') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10U + uint32_t(text[i] - '0');
    }
    return negative ? 0U - value : value;
}

std::string scanOutput(const std::string& value, size_t capacity)
{
    std::string out;
    for (const std::string& line : splitFields(value, '\r')) {
        const std::vector<std::string> f = splitFields(line, ',');
        if (f.size() < 6) {
            continue;
        }
        const std::string record =
            f[0] + ',' + f[1] + ',' + f[2] + ',' + f[3] + ',' + stripQuotes(f[4]) + ',' + f[5] + ';';
        if (out.size() + record.size() > capacity) {
            break;
        }
        out += record;
    }
    return out;
}

void copyText(const std::string& text, char* out, size_t capacity)
{
    size_t n = std::min(text.size(), capacity);
    if (n < text.size()) {
        // Never leave half a character behind.
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0U) == 0x80U) {
            --n;
        }
    }
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

} // namespace atbridge

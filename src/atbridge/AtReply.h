#pragma once

// What the module's replies mean: the recognisers that decide whether a reply is complete, and the
// conversions of its value into the outputs. Pure functions, no I/O.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace atbridge {

// Bytes a text output may hold before its terminating zero.
constexpr size_t kTextCapacity = 254;
constexpr size_t kScanCapacity = 4044;

enum class Outcome
{
    More, // keep collecting
    Done, // recognised
    Error // the module refused, or the reply cannot be a value
};

// Wifi_Enter and Wifi_SendAT: "OK" anywhere.
Outcome recogniseOk(const std::string& text);
// Settings: "+OK" and the blank-line terminator; "+ERR" in any letter case is an error.
Outcome recogniseSet(const std::string& text);
// Queries: "+OK=" up to the first blank-line terminator; *value is what lies between them.
Outcome recogniseQuery(const std::string& text, std::string* value);

// Fields between separators: a separator at the very start is skipped, a trailing one ends the last
// field without adding an empty one, two adjacent ones give an empty field.
std::vector<std::string> splitFields(const std::string& text, char separator);
// The text between the first two double quotes, or the field unchanged without a pair.
std::string stripQuotes(const std::string& field);
// Decimal after optional white space and sign, up to the first non-digit; 0 without digits. The
// result is taken modulo 2^32, so its low bytes are what a narrower output keeps.
uint32_t toNumber(const std::string& text);

// The scan list output: a record "f0,f1,f2,f3,f4,f5;" per reply line with six fields or more, f4
// quote-stripped; lines are split at carriage returns only. Cut between records to fit capacity.
std::string scanOutput(const std::string& value, size_t capacity = kScanCapacity);

// Copies text and a zero into out, at most capacity bytes of text, cut before a UTF-8 character
// that would not fit whole.
void copyText(const std::string& text, char* out, size_t capacity = kTextCapacity);

} // namespace atbridge

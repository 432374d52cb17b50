// The emulated Wi-Fi module: its line discipline, its AT commands and its settings.
#include "readersim/wifi_module.h"

#include <algorithm>
#include <cstdlib>

namespace readersim {

namespace {

constexpr size_t kMaxLine = 2048;
constexpr size_t kMaxCommands = 64;
constexpr size_t kMaxSsid = 32;
constexpr uint8_t kLeave = 0x03;
const char* const kTerminator = "\r\n\r\n";

std::string errorReply(WifiError e)
{
    return "+ERR=-" + std::to_string(int(e)) + kTerminator;
}

std::string okReply()
{
    return std::string("+OK") + kTerminator;
}

std::string valueReply(const std::string& value)
{
    return "+OK=" + value + kTerminator;
}

std::string quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// Fields of a setting, split at commas outside double quotes.
std::vector<std::string> splitValues(const std::string& text)
{
    std::vector<std::string> out(1);
    bool inQuotes = false;
    for (char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
        }
        if (c == ',' && !inQuotes) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

// A plain decimal number within [lo, hi].
bool number(const std::string& s, long lo, long hi, int* out)
{
    if (s.empty() || s.size() > 6 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const long v = std::strtol(s.c_str(), nullptr, 10);
    if (v < lo || v > hi) {
        return false;
    }
    *out = int(v);
    return true;
}

// The text between the double quotes that enclose s.
bool unquote(const std::string& s, std::string* out)
{
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
        return false;
    }
    *out = s.substr(1, s.size() - 2);
    return out->find('"') == std::string::npos;
}

bool dottedQuad(const std::string& s)
{
    int parts = 0;
    size_t at = 0;
    while (true) {
        const size_t dot = s.find('.', at);
        const std::string part = s.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        int v = 0;
        if (part.size() > 3 || !number(part, 0, 255, &v)) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) {
            break;
        }
        at = dot + 1;
    }
    return parts == 4;
}

bool allHex(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

// Whether key suits the security mode in the format given.
bool keyFits(int security, int format, const std::string& key)
{
    if (security == 0) {
        return true;
    }
    if (format == 0 && !allHex(key)) {
        return false;
    }
    const size_t n = key.size();
    switch (security) {
    case 1:
        return n == (format == 0 ? 10U : 5U);
    case 2:
        return n == (format == 0 ? 26U : 13U);
    default:
        return format == 0 ? n == 64 : n >= 8 && n <= 63;
    }
}

} // namespace

WifiModule::WifiModule(size_t chunkBytes)
    : chunk_(std::max<size_t>(1, chunkBytes)), networks_(defaultNetworks())
{
}

std::vector<WifiNetwork> WifiModule::defaultNetworks()
{
    return {
        {"ac:cf:23:10:20:31", 0, 6, 1, "Lab-AP", 52, "rivulet-lab"},
        {"ac:cf:23:10:20:32", 0, 11, 0, "Guest", 71, ""},
        {"ac:cf:23:10:20:33", 0, 1, 1, "\xE4\xBB\x93\xE5\xBA\x93-2F", 63, "warehouse-2f"}, // 仓库-2F
        {"02:11:22:33:44:55", 1, 3, 0, "reader-adhoc", 80, ""},
    };
}

bool WifiModule::enter(uint8_t mode)
{
    return mode == 0;
}

void WifiModule::received(const std::vector<uint8_t>& bytes, RawLink& back)
{
    std::string reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (silent_) {
            return;
        }
        for (uint8_t b : bytes) {
            const char c = char(b);
            if (!commandMode_) {
                tail_ += c;
                if (tail_.size() > 3) {
                    tail_.erase(0, tail_.size() - 3);
                }
                if (tail_ == "+++") {
                    commandMode_ = true;
                    tail_.clear();
                    line_.clear();
                    overflow_ = false;
                    reply += "OK\r\n";
                }
                continue;
            }
            if (b == kLeave) {
                commandMode_ = false;
                line_.clear();
                overflow_ = false;
                continue;
            }
            if (c == '\n' && line_.empty()) {
                continue; // the rest of a CR LF
            }
            if (c != '\r') {
                if (line_.size() < kMaxLine) {
                    line_ += c;
                } else {
                    overflow_ = true;
                }
                if (line_ == "+++") {
                    line_.clear();
                    reply += "OK\r\n";
                }
                continue;
            }
            if (overflow_) {
                reply += errorReply(WifiError::TooLong);
            } else {
                commands_.push_back(line_);
                if (commands_.size() > kMaxCommands) {
                    commands_.erase(commands_.begin());
                }
                reply += answerLocked(line_);
            }
            line_.clear();
            overflow_ = false;
        }
    }
    send(reply, back);
}

void WifiModule::send(const std::string& reply, RawLink& back) const
{
    for (size_t at = 0; at < reply.size(); at += chunk_) {
        const size_t n = std::min(chunk_, reply.size() - at);
        back.send(std::vector<uint8_t>(reply.begin() + long(at), reply.begin() + long(at + n)));
    }
}

std::string WifiModule::answerLocked(const std::string& line)
{
    const WifiSettings& s = settings_;
    if (line.compare(0, 3, "AT+") != 0) {
        return errorReply(WifiError::UnknownCommand);
    }
    const std::string body = line.substr(3);
    if (body.empty()) {
        return okReply();
    }
    if (body == "QMAC") {
        return valueReply(s.mac);
    }
    if (body == "Z") {
        return okReply(); // restarts and joins again with what it keeps
    }
    if (body == "WSCAN") {
        std::string list = "\r\n";
        for (size_t i = 0; i < networks_.size(); ++i) {
            const WifiNetwork& n = networks_[i];
            list += (i ? "\r\n" : "") + n.mac + "," + std::to_string(n.adhoc) + "," +
                    std::to_string(n.channel) + "," + std::to_string(n.secured) + "," + quoted(n.ssid) + "," +
                    std::to_string(n.signal);
        }
        return valueReply(list);
    }
    const size_t eq = body.find('=');
    if (eq == std::string::npos || eq + 1 >= body.size()) {
        return errorReply(eq == std::string::npos ? WifiError::UnknownCommand : WifiError::BadFormat);
    }
    const std::string keyword = body.substr(0, eq);
    const std::string rest = body.substr(eq + 1);
    if (rest == "?") {
        const std::string addresses =
            quoted(s.ip) + "," + quoted(s.mask) + "," + quoted(s.gateway) + "," + quoted(s.dns);
        if (keyword == "NIP") {
            return valueReply(std::to_string(s.addressMode) + "," + addresses);
        }
        if (keyword == "SSID") {
            return valueReply(quoted(s.ssid));
        }
        if (keyword == "ENCRY") {
            return valueReply(std::to_string(s.security));
        }
        if (keyword == "KEY") {
            return valueReply(std::to_string(s.keyFormat) + "," + std::to_string(s.keyIndex) + "," +
                              quoted(s.key));
        }
        if (keyword == "ATRM") {
            return valueReply(std::to_string(s.protocol) + "," + std::to_string(s.role) + "," +
                              quoted(s.server) + "," + std::to_string(s.port));
        }
        if (keyword == "ATM") {
            return valueReply(std::to_string(s.workMode));
        }
        if (keyword == "LKSTT") {
            const bool on = linkedLocked();
            const std::string none = quoted("0.0.0.0");
            return valueReply(on ? "1," + addresses : "0," + none + "," + none + "," + none + "," + none);
        }
        return errorReply(WifiError::UnknownCommand);
    }
    if (rest[0] != '!') {
        return errorReply(WifiError::BadFormat);
    }
    return setLocked(keyword, rest.substr(1));
}

std::string WifiModule::setLocked(const std::string& keyword, const std::string& value)
{
    WifiSettings& s = settings_;
    if (keyword == "SSID") {
        if (value.empty()) {
            return errorReply(WifiError::BadFormat);
        }
        if (value.size() > kMaxSsid) {
            return errorReply(WifiError::TooLong);
        }
        s.ssid = value;
        return okReply();
    }
    const std::vector<std::string> f = splitValues(value);
    int a = 0;
    int b = 0;
    if (keyword == "ENCRY") {
        if (f.size() != 1 || !number(f[0], 0, 99, &a)) {
            return errorReply(WifiError::BadFormat);
        }
        if (a > 6) {
            return errorReply(WifiError::OutOfRange);
        }
        s.security = a;
        return okReply();
    }
    if (keyword == "NIP") {
        std::string addr[4];
        if (f.size() != 5 || !number(f[0], 0, 99, &a) || !unquote(f[1], &addr[0]) ||
            !unquote(f[2], &addr[1]) || !unquote(f[3], &addr[2]) || !unquote(f[4], &addr[3])) {
            return errorReply(WifiError::BadFormat);
        }
        if (a > 1 || !std::all_of(std::begin(addr), std::end(addr), dottedQuad)) {
            return errorReply(WifiError::OutOfRange);
        }
        s.addressMode = a;
        s.ip = addr[0];
        s.mask = addr[1];
        s.gateway = addr[2];
        s.dns = addr[3];
        return okReply();
    }
    if (keyword == "KEY") {
        std::string key;
        if (f.size() != 3 || !number(f[0], 0, 99, &a) || !number(f[1], 0, 99, &b) || !unquote(f[2], &key)) {
            return errorReply(WifiError::BadFormat);
        }
        if (a > 1 || b > 3 || !keyFits(s.security, a, key)) {
            return errorReply(WifiError::OutOfRange);
        }
        s.keyFormat = a;
        s.keyIndex = b;
        s.key = key;
        return okReply();
    }
    if (keyword == "ATRM") {
        std::string server;
        int port = 0;
        if (f.size() != 4 || !number(f[0], 0, 99, &a) || !number(f[1], 0, 99, &b) ||
            !unquote(f[2], &server) || !number(f[3], 0, 999999, &port)) {
            return errorReply(WifiError::BadFormat);
        }
        if (a > 1 || b > 1 || !dottedQuad(server) || port < 1 || port > 65535) {
            return errorReply(WifiError::OutOfRange);
        }
        s.protocol = a;
        s.role = b;
        s.server = server;
        s.port = port;
        return okReply();
    }
    return errorReply(WifiError::UnknownCommand);
}

bool WifiModule::linkedLocked() const
{
    const WifiSettings& s = settings_;
    return std::any_of(networks_.begin(), networks_.end(), [&s](const WifiNetwork& n) {
        if (n.ssid != s.ssid || (n.secured != 0) != (s.security != 0)) {
            return false;
        }
        return n.secured == 0 || n.key == s.key;
    });
}

WifiSettings WifiModule::settings() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_;
}

void WifiModule::setSettings(const WifiSettings& s)
{
    std::lock_guard<std::mutex> lock(mutex_);
    settings_ = s;
}

std::vector<WifiNetwork> WifiModule::networks() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return networks_;
}

void WifiModule::setNetworks(const std::vector<WifiNetwork>& networks)
{
    std::lock_guard<std::mutex> lock(mutex_);
    networks_ = networks;
}

bool WifiModule::commandMode() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commandMode_;
}

std::vector<std::string> WifiModule::commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void WifiModule::clearCommands()
{
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.clear();
}

void WifiModule::setSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = silent;
}

bool WifiModule::linked() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return linkedLocked();
}

} // namespace readersim

// An emulated serial-to-Wi-Fi module behind the reader's pass-through. It starts in data mode, where
// bytes would go out over the radio (they are dropped here); "+++" switches it to command mode,
// answered "OK", where it takes AT command lines ended by a carriage return and answers each with
// "+OK=value", "+OK" or "+ERR=-n", followed by a blank line ("\r\n\r\n"). The byte 0x03 returns it to
// data mode without an answer. Replies leave in small pieces, one RawData frame each, so a host has
// to collect a reply over several receives. Settings are kept for the module's life.
#pragma once

#include "readersim/module.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace readersim {

// A network the module finds when it scans. `key` is what joins a secured one.
struct WifiNetwork
{
    std::string mac; // as the scan lists it, e.g. "ac:cf:23:10:20:31"
    int adhoc = 0;   // 0 infrastructure, 1 ad hoc
    int channel = 1;
    int secured = 0;  // 0 open, 1 secured
    std::string ssid; // UTF-8
    int signal = 50;  // dB below zero, as a positive number
    std::string key;
};

struct WifiSettings
{
    int addressMode = 1; // 1 obtained automatically, 0 fixed
    std::string ip = "192.168.1.50";
    std::string mask = "255.255.255.0";
    std::string gateway = "192.168.1.1";
    std::string dns = "192.168.1.1";
    std::string ssid = "Lab-AP";
    int security = 6;  // 0 OPEN, 1 WEP64, 2 WEP128, 3..6 WPA/WPA2
    int keyFormat = 1; // 0 HEX, 1 ASCII
    int keyIndex = 0;  // 0..3
    std::string key = "rivulet-lab";
    int protocol = 0; // 0 TCP, 1 UDP
    int role = 0;     // 0 client, 1 server
    std::string server = "192.168.1.100";
    int port = 8899;
    int workMode = 1; // 0 command, 1 transparent
    std::string mac = "ac:cf:23:5a:4c:01";
};

// The error numbers of "+ERR=-n".
enum class WifiError
{
    UnknownCommand = 1,
    BadFormat = 2,
    OutOfRange = 3,
    TooLong = 4
};

class WifiModule : public PassThroughModule
{
public:
    // Replies are cut into pieces of chunkBytes (at least 1).
    explicit WifiModule(size_t chunkBytes = 11);

    bool enter(uint8_t mode) override; // mode 0 only
    void received(const std::vector<uint8_t>& bytes, RawLink& back) override;

    // For tests and the program; safe from any thread.
    WifiSettings settings() const;
    void setSettings(const WifiSettings& s);
    std::vector<WifiNetwork> networks() const;
    void setNetworks(const std::vector<WifiNetwork>& networks);
    bool commandMode() const;
    // The last command lines received (at most 64), without their carriage return.
    std::vector<std::string> commands() const;
    void clearCommands();
    // A silent module answers nothing (not even "+++").
    void setSilent(bool silent);
    // Linked: the SSID is among the networks, with matching security and key.
    bool linked() const;

    static std::vector<WifiNetwork> defaultNetworks();

private:
    // The reply to one command line, terminator included; called with the lock held.
    std::string answerLocked(const std::string& line);
    std::string setLocked(const std::string& keyword, const std::string& value);
    bool linkedLocked() const;
    void send(const std::string& reply, RawLink& back) const;

    const size_t chunk_;
    mutable std::mutex mutex_;
    WifiSettings settings_;
    std::vector<WifiNetwork> networks_;
    bool commandMode_ = false;
    bool silent_ = false;
    bool overflow_ = false;
    std::string line_;
    std::string tail_; // last bytes seen in data mode, to spot "+++"
    std::vector<std::string> commands_;
};

} // namespace readersim

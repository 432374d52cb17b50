// The 6C antenna record on an LLRP reader: powers through the reader's configuration and its transmit
// power table; the enabled flags and dwell times, which LLRP has no per-antenna setting for, on the link.
#include "llrp_link.h"
#include "session.h"

#include <algorithm>

namespace zaltlink {

namespace {

constexpr int kRecordSize = 3 * LlrpLink::kRecordAntennas;

} // namespace

LlrpLink::AntennaState LlrpLink::antennaState(int antenna) const
{
    std::lock_guard<std::mutex> lk(mutex_);
    return antenna >= 1 && antenna <= kRecordAntennas ? antennas_[size_t(antenna - 1)] : AntennaState();
}

void LlrpLink::setAntennaStates(const std::array<AntennaState, kRecordAntennas>& states)
{
    std::lock_guard<std::mutex> lk(mutex_);
    antennas_ = states;
}

std::vector<uint16_t> LlrpLink::enabledAntennas() const
{
    std::lock_guard<std::mutex> lk(mutex_);
    std::vector<uint16_t> ids;
    for (int a = 1; a <= std::min(antennaCount_, kRecordAntennas); ++a) {
        if (antennas_[size_t(a - 1)].enabled)
            ids.push_back(uint16_t(a));
    }
    return ids;
}

uint16_t llrpPowerIndex(const std::vector<llrp::TransmitPowerEntry>& table, int centiDbm)
{
    // The table need not be sorted, and a reader's rounding may repeat a power: the first one wins.
    const llrp::TransmitPowerEntry* best = nullptr;
    for (const llrp::TransmitPowerEntry& e : table) {
        if (e.centiDbm <= centiDbm && (!best || e.centiDbm > best->centiDbm))
            best = &e;
    }
    return best ? best->index : 0;
}

int llrpByteDbm(uint8_t byte)
{
    return byte <= 10 ? byte + 20 : byte >= 16 && byte <= 35 ? byte - 16 : -1;
}

uint8_t llrpDbmByte(int dbm)
{
    dbm = std::clamp(dbm, 0, 30);
    return uint8_t(dbm >= 20 ? dbm - 20 : dbm + 16);
}

unsigned char llrpAntennaQuery(Session& s, uint8_t antenna, unsigned char* enabled, unsigned char* power,
                               unsigned char* dwell)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    llrp::GetReaderConfig get;
    get.antennaId = antenna;
    get.requested = llrp::GetReaderConfig::AntennaConfiguration;
    llrp::GetReaderConfigResponse config;
    if (const int e = link->request(get, config, kRequestMs))
        return llrpResult(s, e);
    const auto& configs = config.settings.antennaConfigurations;
    const auto mine = std::find_if(configs.begin(), configs.end(), [&](const llrp::AntennaConfiguration& c) {
        return c.antennaId == antenna && c.transmitter;
    });
    if (mine == configs.end())
        return llrpResult(s, err::BadFrame);
    const auto& table = link->powerTable();
    const auto entry = std::find_if(table.begin(), table.end(), [&](const llrp::TransmitPowerEntry& e) {
        return e.index == mine->transmitter->transmitPower;
    });
    if (entry == table.end())
        return llrpResult(s, err::BadFrame); // an index the reader's own table does not have
    // Whole dBm cut down: a power read back and set again never grows.
    const int centi = entry->centiDbm;
    const int dbm = centi >= 0 ? centi / 100 : -((-centi + 99) / 100);
    const LlrpLink::AntennaState state = link->antennaState(antenna);
    *enabled = state.enabled ? 1 : 0;
    *power = llrpDbmByte(dbm);
    *dwell = state.dwell;
    return 1;
}

unsigned char llrpAntennaSet(Session& s, const unsigned char* record, unsigned char len)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    if (len != kRecordSize)
        return llrpResult(s, ZALT_ERR_BAD_LENGTH); // as a 6C reader answers
    const int count = std::min(link->antennaCount(), LlrpLink::kRecordAntennas);
    std::array<LlrpLink::AntennaState, LlrpLink::kRecordAntennas> states{};
    std::vector<uint16_t> indices;
    for (int i = 0; i < LlrpLink::kRecordAntennas; ++i) {
        const int dbm = llrpByteDbm(record[LlrpLink::kRecordAntennas + i]);
        if (record[i] > 1 || dbm < 0)
            return llrpResult(s, ZALT_ERR_BAD_PARAMETER);
        states[size_t(i)] = {record[i] == 1, record[2 * LlrpLink::kRecordAntennas + i]};
        if (i >= count)
            continue; // an antenna this reader does not have keeps its flags only
        const uint16_t index = llrpPowerIndex(link->powerTable(), dbm * 100);
        if (!index)
            return llrpResult(s, ZALT_ERR_BAD_PARAMETER); // below the reader's lowest power
        indices.push_back(index);
    }
    // The transmitter's other fields are the reader's: only the power changes.
    llrp::GetReaderConfig get;
    get.requested = llrp::GetReaderConfig::AntennaConfiguration;
    llrp::GetReaderConfigResponse now;
    if (const int e = link->request(get, now, kRequestMs))
        return llrpResult(s, e);
    llrp::SetReaderConfig set;
    for (int a = 1; a <= count; ++a) {
        llrp::AntennaConfiguration c;
        c.antennaId = uint16_t(a);
        c.transmitter = llrp::RfTransmitter();
        for (const llrp::AntennaConfiguration& had : now.settings.antennaConfigurations) {
            if (had.antennaId == a && had.transmitter)
                c.transmitter = had.transmitter;
        }
        c.transmitter->transmitPower = indices[size_t(a - 1)];
        set.settings.antennaConfigurations.push_back(c);
    }
    llrp::SetReaderConfigResponse done;
    if (const int e = link->request(set, done, kRequestMs))
        return llrpResult(s, e);
    link->setAntennaStates(states);
    return 1;
}

} // namespace zaltlink

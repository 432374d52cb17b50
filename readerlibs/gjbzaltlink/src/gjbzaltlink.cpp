// The reader's settings and records: versions, clock, reports, configuration, settings, network,
// secrecy module, repair and electronic records, and the tests that need no report loop.
#include "session.h"

#include <algorithm>
#include <initializer_list>

namespace gjbzaltlink {

namespace {

namespace id = wire::gjb::setting;

constexpr size_t kTextBuffer = 255;
constexpr int kMaxText = 255;
constexpr int kMaxAirFrame = 256;

unsigned char infoText(intptr_t h, uint8_t what, std::vector<uint8_t>* out)
{
    g::InfoRequest r;
    r.type = what;
    wire::Record a;
    if (!exchangeFor(h, g::cmd::Info, r, &a))
        return 0;
    *out = std::move(a.bytes);
    return 1;
}

// MCU, FPGA and RF versions: `len` is the buffer's capacity; what the text leaves is zeroed.
unsigned char fixedText(intptr_t h, uint8_t what, unsigned char* buf, int len)
{
    if (!buf || len < 0)
        return badArgument(h);
    std::vector<uint8_t> text;
    if (!infoText(h, what, &text))
        return 0;
    const size_t n = cutCopy(text, buf, size_t(len));
    std::fill(buf + n, buf + len, 0);
    return 1;
}

// Zero-terminated text in a buffer of `capacity` bytes.
unsigned char terminatedText(intptr_t h, uint8_t what, unsigned char* buf, size_t capacity, size_t* written)
{
    if (!buf || capacity == 0)
        return badArgument(h);
    std::vector<uint8_t> text;
    if (!infoText(h, what, &text))
        return 0;
    const size_t n = cutCopy(text, buf, capacity - 1);
    buf[n] = 0;
    if (written)
        *written = n;
    return 1;
}

// The values of `ids`, in that order; an answer that names others is a bad frame.
unsigned char querySettings(intptr_t h, std::initializer_list<uint8_t> ids, uint32_t* out)
{
    g::SettingsQueryRequest r;
    r.ids.assign(ids.begin(), ids.end());
    g::SettingsList a;
    if (!exchangeFor(h, g::cmd::SettingsQuery, r, &a))
        return 0;
    if (a.values.size() != r.ids.size())
        return setError(h, err::BadFrame);
    for (size_t i = 0; i < a.values.size(); ++i) {
        if (a.values[i].id != r.ids[i])
            return setError(h, err::BadFrame);
        out[i] = a.values[i].value;
    }
    return 1;
}

unsigned char queryOne(intptr_t h, uint8_t setting, int* out)
{
    if (!out)
        return badArgument(h);
    uint32_t v = 0;
    if (!querySettings(h, {setting}, &v))
        return 0;
    *out = int(v);
    return 1;
}

unsigned char setValues(intptr_t h, std::initializer_list<g::Setting> values)
{
    g::SettingsList r;
    r.values.assign(values.begin(), values.end());
    return exchange(h, g::cmd::SettingsSet, r);
}

unsigned char setOne(intptr_t h, uint8_t setting, int value)
{
    if (value < 0)
        return badArgument(h);
    return setValues(h, {g::Setting{setting, uint32_t(value)}});
}

bool validPort(int port)
{
    return port >= 1 && port <= 4;
}

uint32_t octets(const unsigned char* a)
{
    return (uint32_t(a[0]) << 24) | (uint32_t(a[1]) << 16) | (uint32_t(a[2]) << 8) | uint32_t(a[3]);
}

void toOctets(uint32_t v, unsigned char* a)
{
    for (int i = 0; i < 4; ++i)
        a[i] = uint8_t(v >> (8 * (3 - i)));
}

bool byteString(const unsigned char* p, int len, std::vector<uint8_t>* out)
{
    if (len < 0 || len > kMaxText || (len > 0 && !p))
        return false;
    out->assign(p, p + len);
    return true;
}

void putU32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * (3 - i)));
}

} // namespace

} // namespace gjbzaltlink

using namespace gjbzaltlink;

extern "C" {

// --- the reader ----------------------------------------------------------------------------------------

unsigned char GJB_API GJB_GetVersion(GJB_HANDLE h, char* text)
{
    return terminatedText(h, g::info::Summary, reinterpret_cast<unsigned char*>(text), kTextBuffer, nullptr);
}

unsigned char GJB_API GJB_ReaderCapability(GJB_HANDLE h, int* antennas, int* minPower, int* maxPower)
{
    if (!antennas || !minPower || !maxPower)
        return badArgument(h);
    g::CapabilityAnswer a;
    if (!exchangeFor(h, g::cmd::Capability, wire::Empty(), &a))
        return 0;
    *antennas = a.antennas;
    *minPower = a.minPower;
    *maxPower = a.maxPower;
    return 1;
}

unsigned char GJB_API GJB_GET_Config(GJB_HANDLE h, int type, int offset, int count, unsigned char* buf,
                                     int* len)
{
    if (!buf || !len || *len < 0 || type < 0 || type > 255 || offset < 0 || offset > 0xFFFF || count < 0 ||
        count > 0xFFFF)
        return badArgument(h);
    g::ConfigReadRequest r;
    r.type = uint8_t(type);
    r.offset = uint16_t(offset);
    r.count = uint16_t(count);
    wire::Record a;
    if (!exchangeFor(h, g::cmd::ConfigRead, r, &a))
        return 0;
    *len = int(cutCopy(a.bytes, buf, size_t(*len)));
    return 1;
}

unsigned char GJB_API GJB_SET_Config(GJB_HANDLE h, int type, const unsigned char* data, int len)
{
    g::ConfigWriteRequest r;
    if (type < 0 || type > 255 || !byteString(data, len, &r.data))
        return badArgument(h);
    r.type = uint8_t(type);
    return exchange(h, g::cmd::ConfigWrite, r);
}

unsigned char GJB_API GJB_Firmware_Upgrade(GJB_HANDLE h, int, const char*, int, unsigned int)
{
    return setError(h, GJB_ERR_NOT_SUPPORTED);
}

unsigned char GJB_API GJB_Reboot(GJB_HANDLE h)
{
    return exchange(h, g::cmd::Reboot, wire::Empty(), kSlowTimeoutMs);
}

unsigned char GJB_API GJB_Reset(GJB_HANDLE h)
{
    return exchange(h, g::cmd::Reset, wire::Empty(), kSlowTimeoutMs);
}

unsigned char GJB_API GJB_Set_ReaderTime(GJB_HANDLE h, const unsigned char* time)
{
    if (!time)
        return badArgument(h);
    g::ClockSetRequest r;
    std::copy(time, time + r.micros.size(), r.micros.begin());
    return exchange(h, g::cmd::ClockSet, r);
}

unsigned char GJB_API GJB_SetSysTime(GJB_HANDLE h, const char* text, int len)
{
    if (!text || len < 0 || len > kMaxText)
        return badArgument(h);
    g::SysTimeRequest r;
    r.text.assign(text, size_t(len));
    return exchange(h, g::cmd::SysTimeSet, r);
}

unsigned char GJB_API GJB_Get_Report(GJB_HANDLE h, int type, unsigned char* time, unsigned char* kind,
                                     unsigned char* state)
{
    if (!time || !kind || !state || type < 0 || type > 255)
        return badArgument(h);
    g::ReportQueryRequest r;
    r.type = uint8_t(type);
    g::ReportAnswer a;
    if (!exchangeFor(h, g::cmd::ReportQuery, r, &a))
        return 0;
    std::copy(a.time.begin(), a.time.end(), time);
    *kind = a.type;
    state[0] = a.status;
    putU32(state + 1, a.value);
    return 1;
}

unsigned char GJB_API GJB_Set_Report(GJB_HANDLE h, int status, unsigned int value, int reserved)
{
    if (status < 0 || status > 255 || reserved < 0 || reserved > 255)
        return badArgument(h);
    g::ReportSetRequest r;
    r.status = uint8_t(status);
    r.value = value;
    r.reserved = uint8_t(reserved);
    return exchange(h, g::cmd::ReportSet, r);
}

unsigned char GJB_API GJB_Get_EventAndHeartBeat(GJB_HANDLE h, unsigned char* record)
{
    if (!record)
        return badArgument(h);
    g::EventAnswer a;
    if (!exchangeFor(h, g::cmd::EventQuery, wire::Empty(), &a))
        return 0;
    putU32(record, a.reportsSent);
    putU32(record + 4, a.uptimeSeconds);
    return 1;
}

// --- versions -----------------------------------------------------------------------------------------

unsigned char GJB_API GJB_McuVersionGet(GJB_HANDLE h, unsigned char* buf, int len)
{
    return fixedText(h, g::info::Mcu, buf, len);
}

unsigned char GJB_API GJB_FpgaVersionGet(GJB_HANDLE h, unsigned char* buf, int len)
{
    return fixedText(h, g::info::Fpga, buf, len);
}

unsigned char GJB_API GJB_RfVersionGet(GJB_HANDLE h, unsigned char* buf, int len)
{
    return fixedText(h, g::info::Rf, buf, len);
}

unsigned char GJB_API GJB_LinuxVersionGet(GJB_HANDLE h, unsigned char* buf, int* len)
{
    if (!buf || !len || *len < 0)
        return badArgument(h);
    std::vector<uint8_t> text;
    if (!infoText(h, g::info::Linux, &text))
        return 0;
    *len = int(cutCopy(text, buf, size_t(*len)));
    return 1;
}

unsigned char GJB_API GJB_RfTypeGet(GJB_HANDLE h, unsigned char* buf, unsigned char* len)
{
    if (!len)
        return badArgument(h);
    size_t written = 0;
    if (!terminatedText(h, g::info::RfType, buf, *len, &written))
        return 0;
    *len = static_cast<unsigned char>(written);
    return 1;
}

// --- settings -----------------------------------------------------------------------------------------

unsigned char GJB_API GJB_ReaderAntenna_Get(GJB_HANDLE h, int* mask)
{
    return queryOne(h, id::AntennaMask, mask);
}

unsigned char GJB_API GJB_ReaderAntenna_Set(GJB_HANDLE h, int mask)
{
    return setOne(h, id::AntennaMask, mask);
}

unsigned char GJB_API GJB_ReaderAntennaPower_Get(GJB_HANDLE h, int port, int* power)
{
    if (!validPort(port))
        return badArgument(h);
    return queryOne(h, uint8_t(id::Power1 + port - 1), power);
}

unsigned char GJB_API GJB_ReaderAntennaPower_Set(GJB_HANDLE h, int port, int power)
{
    if (!validPort(port))
        return badArgument(h);
    return setOne(h, uint8_t(id::Power1 + port - 1), power);
}

unsigned char GJB_API GJB_Set_AntPower(GJB_HANDLE h, int power)
{
    return setOne(h, id::AllPower, power);
}

unsigned char GJB_API GJB_ReaderAntennaTime_Get(GJB_HANDLE h, int port, int* time)
{
    if (!validPort(port))
        return badArgument(h);
    return queryOne(h, uint8_t(id::Dwell1 + port - 1), time);
}

unsigned char GJB_API GJB_ReaderAntennaTime_Set(GJB_HANDLE h, int port, int time)
{
    if (!validPort(port))
        return badArgument(h);
    return setOne(h, uint8_t(id::Dwell1 + port - 1), time);
}

unsigned char GJB_API GJB_GET_FrequencyPoint(GJB_HANDLE h, int* mask)
{
    return queryOne(h, id::FrequencyPoints, mask);
}

unsigned char GJB_API GJB_SET_FrequencyPoint(GJB_HANDLE h, int mask)
{
    return setOne(h, id::FrequencyPoints, mask);
}

unsigned char GJB_API GJB_Modulation_Get(GJB_HANDLE h, int* depth)
{
    return queryOne(h, id::Modulation, depth);
}

unsigned char GJB_API GJB_Modulation_Set(GJB_HANDLE h, int depth)
{
    return setOne(h, id::Modulation, depth);
}

unsigned char GJB_API GJB_QurRF(GJB_HANDLE h, int* path)
{
    return queryOne(h, id::RfPath, path);
}

unsigned char GJB_API GJB_SetRF(GJB_HANDLE h, int path)
{
    return setOne(h, id::RfPath, path);
}

unsigned char GJB_API GJB_QurFilterSet(GJB_HANDLE h, int* gain, int* lowPass, int* highPass)
{
    if (!gain || !lowPass || !highPass)
        return badArgument(h);
    uint32_t v[3] = {};
    if (!querySettings(h, {id::FilterGain, id::FilterLowPass, id::FilterHighPass}, v))
        return 0;
    *gain = int(v[0]);
    *lowPass = int(v[1]);
    *highPass = int(v[2]);
    return 1;
}

unsigned char GJB_API GJB_SetFilterSet(GJB_HANDLE h, int gain, int lowPass, int highPass)
{
    if (gain < 0 || lowPass < 0 || highPass < 0)
        return badArgument(h);
    return setValues(h, {g::Setting{id::FilterGain, uint32_t(gain)},
                         g::Setting{id::FilterLowPass, uint32_t(lowPass)},
                         g::Setting{id::FilterHighPass, uint32_t(highPass)}});
}

unsigned char GJB_API GJB_QurInventoryModel(GJB_HANDLE h, int* mode)
{
    return queryOne(h, id::InventoryMode, mode);
}

unsigned char GJB_API GJB_SetInventoryModel(GJB_HANDLE h, int mode)
{
    return setOne(h, id::InventoryMode, mode);
}

unsigned char GJB_API GJB_CodeGradientGet(GJB_HANDLE h, int* value)
{
    return queryOne(h, id::CodeGradient, value);
}

unsigned char GJB_API GJB_CodeGradientSet(GJB_HANDLE h, int value)
{
    return setOne(h, id::CodeGradient, value);
}

unsigned char GJB_API GJB_Set_GpoValue(GJB_HANDLE h, int levels)
{
    return setOne(h, id::Outputs, levels);
}

// --- network ------------------------------------------------------------------------------------------

unsigned char GJB_API GJB_QurIpConfig(GJB_HANDLE h, unsigned char* ip, unsigned char* mask,
                                      unsigned char* gateway, int* dhcp)
{
    if (!ip || !mask || !gateway)
        return badArgument(h);
    uint32_t v[4] = {};
    if (!querySettings(h, {id::IpAddress, id::NetMask, id::Gateway, id::Dhcp}, v))
        return 0;
    toOctets(v[0], ip);
    toOctets(v[1], mask);
    toOctets(v[2], gateway);
    if (dhcp)
        *dhcp = int(v[3]);
    return 1;
}

unsigned char GJB_API GJB_SetIpConfig(GJB_HANDLE h, const unsigned char* ip, const unsigned char* mask,
                                      const unsigned char* gateway)
{
    if (!ip || !mask || !gateway)
        return badArgument(h);
    return setValues(h, {g::Setting{id::IpAddress, octets(ip)}, g::Setting{id::NetMask, octets(mask)},
                         g::Setting{id::Gateway, octets(gateway)}});
}

unsigned char GJB_API GJB_SetDhcpConfig(GJB_HANDLE h, int on)
{
    return setOne(h, id::Dhcp, on);
}

// --- secrecy module -----------------------------------------------------------------------------------

unsigned char GJB_API GJB_SecrecyGet(GJB_HANDLE h, int* state)
{
    return queryOne(h, id::Secrecy, state);
}

unsigned char GJB_API GJB_SecrecySet(GJB_HANDLE h, int state)
{
    return setOne(h, id::Secrecy, state);
}

unsigned char GJB_API GJB_EditSecrecyPW(GJB_HANDLE h, const unsigned char* oldPassword, int oldLength,
                                        const unsigned char* newPassword, int newLength)
{
    g::SecrecyPasswordRequest r;
    if (!byteString(oldPassword, oldLength, &r.oldPassword) ||
        !byteString(newPassword, newLength, &r.newPassword))
        return badArgument(h);
    return exchange(h, g::cmd::SecrecyPassword, r);
}

unsigned char GJB_API GJB_KillSecrecyModel(GJB_HANDLE h, const unsigned char* password, int length)
{
    g::SecrecyKillRequest r;
    if (!byteString(password, length, &r.password))
        return badArgument(h);
    return exchange(h, g::cmd::SecrecyKill, r);
}

// --- records ------------------------------------------------------------------------------------------

unsigned char GJB_API GJB_ReadRepairRecordCount(GJB_HANDLE h, int* count)
{
    if (!count)
        return badArgument(h);
    g::RepairCountAnswer a;
    if (!exchangeFor(h, g::cmd::RepairCount, wire::Empty(), &a))
        return 0;
    *count = int(std::min<uint32_t>(a.count, 0x7FFFFFFF));
    return 1;
}

unsigned char GJB_API GJB_ReadRepairRecord(GJB_HANDLE h, int index, unsigned char* time, unsigned char* text,
                                           int* len)
{
    if (index < 0 || !time || !text || !len || *len < 0)
        return badArgument(h);
    g::IndexRequest r;
    r.index = uint32_t(index);
    g::RepairRecordAnswer a;
    if (!exchangeFor(h, g::cmd::RepairRead, r, &a))
        return 0;
    std::copy(a.time.begin(), a.time.end(), time);
    *len = int(cutCopy(a.text, text, size_t(*len)));
    return 1;
}

unsigned char GJB_API GJB_WriteRepairRecord(GJB_HANDLE h, const unsigned char* text, int len)
{
    g::TextRequest r;
    if (!byteString(text, len, &r.text))
        return badArgument(h);
    return exchange(h, g::cmd::RepairWrite, r);
}

unsigned char GJB_API GJB_Read_Electron_Record(GJB_HANDLE h, int slot, unsigned char* buf, int* len)
{
    if (slot < 0 || slot > 255 || !buf || !len || *len < 0)
        return badArgument(h);
    g::SlotRequest r;
    r.slot = uint8_t(slot);
    g::TextAnswer a;
    if (!exchangeFor(h, g::cmd::ElectronRead, r, &a))
        return 0;
    *len = int(cutCopy(a.text, buf, size_t(*len)));
    return 1;
}

unsigned char GJB_API GJB_Write_Electron_Record(GJB_HANDLE h, int slot, const unsigned char* text, int len)
{
    g::ElectronWriteRequest r;
    if (slot < 0 || slot > 255 || !byteString(text, len, &r.text))
        return badArgument(h);
    r.slot = uint8_t(slot);
    return exchange(h, g::cmd::ElectronWrite, r);
}

// --- tests without reports ------------------------------------------------------------------------------

unsigned char GJB_API GJB_DisturbreStrainInit(GJB_HANDLE h)
{
    return exchange(h, g::cmd::DisturbInit, wire::Empty(), kSlowTimeoutMs);
}

unsigned char GJB_API GJB_AirInterfaceTest(GJB_HANDLE h, const unsigned char* frame, int length)
{
    if (!frame || length < 0 || length > kMaxAirFrame)
        return badArgument(h);
    wire::Record r;
    r.bytes.assign(frame, frame + length);
    return exchange(h, g::cmd::AirTest, r);
}

} // extern "C"

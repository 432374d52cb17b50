#include "core/reader/ReaderDllGJB.h"

#include "core/app/LanguageText.h"

#include <gjbzaltlink.h>

#include <cstring>

bool ReaderDllGJB::OpenReader()
{
    if (!IsState(StateDisconnected)) {
        return false;
    }
    unsigned char ok = 0;
    // The GJB library has no USB or UDP medium: those are refused before any call.
    switch (m_connectType) {
    case ConnectTcp:
        ok = GJB_TCPInit(&m_handle, m_ipAddress.toUtf8().constData(), m_port);
        break;
    case ConnectCom:
        ok = GJB_COMInit(&m_handle, 0, m_portName.toUtf8().constData(), m_baudRate);
        break;
    default:
        return false;
    }
    if (!ok) {
        return false;
    }
    if (GJB_Open(m_handle)) {
        SetState(StateConnected);
        return true;
    }
    // The init call made a library handle; do not leak it when the reader never answered.
    GJB_CloseCON(m_handle);
    m_handle = -1;
    SetState(StateDisconnected);
    return false;
}

bool ReaderDllGJB::CloseReader()
{
    GJB_CloseCON(m_handle);
    m_handle = -1;
    SetState(StateDisconnected);
    return true;
}

bool ReaderDllGJB::StopRead()
{
    return StopInventorySpecReadTag();
}

int ReaderDllGJB::GetErrorCode()
{
    return GJB_GetErrorCode(m_handle);
}

bool ReaderDllGJB::GetReaderInfo(QString& info)
{
    if (!IsState(StateConnected)) {
        return false;
    }
    unsigned char buffer[255];
    std::memset(buffer, 0, sizeof buffer);
    unsigned char length = sizeof buffer;
    if (!GJB_RfTypeGet(m_handle, buffer, &length)) {
        return false;
    }
    const size_t used = qMin<size_t>(length, sizeof buffer);
    info = QString::fromUtf8(reinterpret_cast<const char*>(buffer),
                             static_cast<int>(qstrnlen(reinterpret_cast<const char*>(buffer), used)));
    return true;
}

bool ReaderDllGJB::SetAntennaFlags(bool a1, bool a2, bool a3, bool a4)
{
    m_antennaFlags = {uint8_t(a1 ? 1 : 0), uint8_t(a2 ? 2 : 0), uint8_t(a3 ? 3 : 0), uint8_t(a4 ? 4 : 0)};
    return true;
}

std::vector<uint8_t> ReaderDllGJB::AntennaList() const
{
    std::vector<uint8_t> list;
    for (uint8_t flag : m_antennaFlags) {
        if (flag != 0) {
            list.push_back(flag);
        }
    }
    return list;
}

std::array<unsigned char, 8> ReaderDllGJB::ReaderTimeValue(const QDateTime& when)
{
    const qint64 seconds = qMax<qint64>(0, when.toSecsSinceEpoch());
    const quint64 micros = quint64(seconds) * 1000000u;
    std::array<unsigned char, 8> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(micros >> (8 * (7 - i)));
    }
    return bytes;
}

bool ReaderDllGJB::SyncReaderTime()
{
    const std::array<unsigned char, 8> value = ReaderTimeValue(QDateTime::currentDateTimeUtc());
    return GJB_Set_ReaderTime(m_handle, value.data()) != 0;
}

bool ReaderDllGJB::GetReportState()
{
    unsigned char time[8] = {};
    unsigned char kind = 0;
    unsigned char state[5] = {};
    const bool ok = GJB_Get_Report(m_handle, 3, time, &kind, state) != 0;
    if (ok) {
        m_reportStatus = state[0];
        m_reportValue = (uint32_t(state[1]) << 24) | (uint32_t(state[2]) << 16) | (uint32_t(state[3]) << 8) |
                        uint32_t(state[4]);
    }
    return ok;
}

const char* ReaderDllGJB::ErrorTextKey(int status)
{
    switch (status) {
    case 0:
        return "IDCS_OP_SUCCESS";
    case 129:
        return "IDCS_PURVIEW_ERRO";
    case 130:
        return "IDCS_STORAGE_ERRO";
    case 131:
        return "IDCS_POWER_ERRO";
    case 133:
        return "IDCS_STORAGE_LOCK";
    case 134:
        return "IDCS_PWD_ERRO";
    case 135:
        return "IDCS_DISTINGUISH_FAILED";
    case 136:
        return "IDCS_UNKNOW_ERRO";
    default:
        return "IDCS_KEEP_ERRO";
    }
}

QString ReaderDllGJB::ErrorText(int status)
{
    return LangText(ErrorTextKey(status));
}

// --- forwarders --------------------------------------------------------------------------------------

bool ReaderDllGJB::CloseCON()
{
    return GJB_CloseCON(m_handle) != 0;
}

bool ReaderDllGJB::Open()
{
    return GJB_Open(m_handle) != 0;
}

bool ReaderDllGJB::Close()
{
    return GJB_Close(m_handle) != 0;
}

bool ReaderDllGJB::Copyright(char* text)
{
    return GJB_Copyright(m_handle, text) != 0;
}

// The two init calls fill the handle field instead of taking it.
bool ReaderDllGJB::TCPInit(const char* ip, int port)
{
    return GJB_TCPInit(&m_handle, ip, port) != 0;
}

bool ReaderDllGJB::COMInit(int reserved, const char* name, int baud)
{
    return GJB_COMInit(&m_handle, reserved, name, baud) != 0;
}

bool ReaderDllGJB::GetVersion(char* text)
{
    return GJB_GetVersion(m_handle, text) != 0;
}

bool ReaderDllGJB::ReaderCapability(int* antennas, int* minPower, int* maxPower)
{
    return GJB_ReaderCapability(m_handle, antennas, minPower, maxPower) != 0;
}

bool ReaderDllGJB::GET_Config(int type, int offset, int count, unsigned char* buffer, int* length)
{
    return GJB_GET_Config(m_handle, type, offset, count, buffer, length) != 0;
}

bool ReaderDllGJB::SET_Config(int type, const unsigned char* data, int length)
{
    return GJB_SET_Config(m_handle, type, data, length) != 0;
}

bool ReaderDllGJB::Firmware_Upgrade(int kind, const char* fileName, int fileSize, unsigned int checksum)
{
    return GJB_Firmware_Upgrade(m_handle, kind, fileName, fileSize, checksum) != 0;
}

bool ReaderDllGJB::Reboot()
{
    return GJB_Reboot(m_handle) != 0;
}

bool ReaderDllGJB::Reset()
{
    return GJB_Reset(m_handle) != 0;
}

bool ReaderDllGJB::Get_Report(int type, unsigned char* time, unsigned char* kind, unsigned char* state)
{
    return GJB_Get_Report(m_handle, type, time, kind, state) != 0;
}

bool ReaderDllGJB::Get_TagReport()
{
    return GJB_Get_TagReport(m_handle) != 0;
}

bool ReaderDllGJB::Receive_TagReport(unsigned char* buffer, int waitMs)
{
    return GJB_Receive_TagReport(m_handle, buffer, waitMs) != 0;
}

bool ReaderDllGJB::Set_Report(int status, unsigned int value, int reserved)
{
    return GJB_Set_Report(m_handle, status, value, reserved) != 0;
}

bool ReaderDllGJB::Set_Inventory_Spec(int antennaCount, const unsigned char* antennas, int mode,
                                      int durationMs)
{
    return GJB_Set_Inventory_Spec(m_handle, antennaCount, antennas, mode, durationMs) != 0;
}

bool ReaderDllGJB::Set_Inventory_Spec_ReadTag(int run)
{
    return GJB_Set_Inventory_Spec_ReadTag(m_handle, run) != 0;
}

bool ReaderDllGJB::Get_Inventory_Spec(int* antennaCount, unsigned char* antennas, int* mode, int* durationMs)
{
    return GJB_Get_Inventory_Spec(m_handle, antennaCount, antennas, mode, durationMs) != 0;
}

bool ReaderDllGJB::Get_Access_Spec(unsigned char* record)
{
    return GJB_Get_Access_Spec(m_handle, record) != 0;
}

bool ReaderDllGJB::Set_ReaderTime(const unsigned char* time)
{
    return GJB_Set_ReaderTime(m_handle, time) != 0;
}

bool ReaderDllGJB::Set_AntPower(int power)
{
    return GJB_Set_AntPower(m_handle, power) != 0;
}

bool ReaderDllGJB::Set_GpoValue(int levels)
{
    return GJB_Set_GpoValue(m_handle, levels) != 0;
}

bool ReaderDllGJB::UHFRead_Tag(const unsigned char* request)
{
    return GJB_UHFRead_Tag(m_handle, request) != 0;
}

bool ReaderDllGJB::UHFWrite_Tag(const unsigned char* request)
{
    return GJB_UHFWrite_Tag(m_handle, request) != 0;
}

bool ReaderDllGJB::UHFErase_Tag(const unsigned char* request)
{
    return GJB_UHFErase_Tag(m_handle, request) != 0;
}

bool ReaderDllGJB::UHFLock_Tag(const unsigned char* request)
{
    return GJB_UHFLock_Tag(m_handle, request) != 0;
}

bool ReaderDllGJB::UHFKill_Tag(const unsigned char* request)
{
    return GJB_UHFKill_Tag(m_handle, request) != 0;
}

bool ReaderDllGJB::Get_EventAndHeartBeat(unsigned char* record)
{
    return GJB_Get_EventAndHeartBeat(m_handle, record) != 0;
}

bool ReaderDllGJB::UHF_SetAccessInvalid()
{
    return GJB_UHF_SetAccessInvalid(m_handle) != 0;
}

bool ReaderDllGJB::GET_FrequencyPoint(int* mask)
{
    return GJB_GET_FrequencyPoint(m_handle, mask) != 0;
}

bool ReaderDllGJB::SET_FrequencyPoint(int mask)
{
    return GJB_SET_FrequencyPoint(m_handle, mask) != 0;
}

bool ReaderDllGJB::ReaderAntenna_Get(int* mask)
{
    return GJB_ReaderAntenna_Get(m_handle, mask) != 0;
}

bool ReaderDllGJB::ReaderAntenna_Set(int mask)
{
    return GJB_ReaderAntenna_Set(m_handle, mask) != 0;
}

bool ReaderDllGJB::ReaderAntennaPower_Get(int port, int* power)
{
    return GJB_ReaderAntennaPower_Get(m_handle, port, power) != 0;
}

bool ReaderDllGJB::ReaderAntennaPower_Set(int port, int power)
{
    return GJB_ReaderAntennaPower_Set(m_handle, port, power) != 0;
}

bool ReaderDllGJB::ReaderAntennaTime_Get(int port, int* time)
{
    return GJB_ReaderAntennaTime_Get(m_handle, port, time) != 0;
}

bool ReaderDllGJB::ReaderAntennaTime_Set(int port, int time)
{
    return GJB_ReaderAntennaTime_Set(m_handle, port, time) != 0;
}

bool ReaderDllGJB::Modulation_Set(int depth)
{
    return GJB_Modulation_Set(m_handle, depth) != 0;
}

bool ReaderDllGJB::Modulation_Get(int* depth)
{
    return GJB_Modulation_Get(m_handle, depth) != 0;
}

bool ReaderDllGJB::Inventory(int antennaCount, const unsigned char* antennas, int mode, int durationMs,
                             int forwardLink, int reserved, int reverseLink, int coding, int preamble)
{
    return GJB_Inventory(m_handle, antennaCount, antennas, mode, durationMs, forwardLink, reserved,
                         reverseLink, coding, preamble) != 0;
}

bool ReaderDllGJB::SensitivityTest(int mode, int count)
{
    return GJB_SensitivityTest(m_handle, mode, count) != 0;
}

bool ReaderDllGJB::AirInterfaceTest(const unsigned char* frame, int length)
{
    return GJB_AirInterfaceTest(m_handle, frame, length) != 0;
}

bool ReaderDllGJB::StopInventorySpecReadTag()
{
    return GJB_StopInventorySpecReadTag(m_handle) != 0;
}

bool ReaderDllGJB::DisturbreStrainInit()
{
    return GJB_DisturbreStrainInit(m_handle) != 0;
}

bool ReaderDllGJB::SetFilterSet(int gain, int lowPass, int highPass)
{
    return GJB_SetFilterSet(m_handle, gain, lowPass, highPass) != 0;
}

bool ReaderDllGJB::QurFilterSet(int* gain, int* lowPass, int* highPass)
{
    return GJB_QurFilterSet(m_handle, gain, lowPass, highPass) != 0;
}

bool ReaderDllGJB::SetInventoryModel(int mode)
{
    return GJB_SetInventoryModel(m_handle, mode) != 0;
}

bool ReaderDllGJB::QurInventoryModel(int* mode)
{
    return GJB_QurInventoryModel(m_handle, mode) != 0;
}

bool ReaderDllGJB::SetRF(int path)
{
    return GJB_SetRF(m_handle, path) != 0;
}

bool ReaderDllGJB::QurRF(int* path)
{
    return GJB_QurRF(m_handle, path) != 0;
}

bool ReaderDllGJB::SetIpConfig(const unsigned char* ip, const unsigned char* mask,
                               const unsigned char* gateway)
{
    return GJB_SetIpConfig(m_handle, ip, mask, gateway) != 0;
}

bool ReaderDllGJB::SetDhcpConfig(int on)
{
    return GJB_SetDhcpConfig(m_handle, on) != 0;
}

bool ReaderDllGJB::QurIpConfig(unsigned char* ip, unsigned char* mask, unsigned char* gateway, int* dhcp)
{
    return GJB_QurIpConfig(m_handle, ip, mask, gateway, dhcp) != 0;
}

bool ReaderDllGJB::CodeGradientSet(int value)
{
    return GJB_CodeGradientSet(m_handle, value) != 0;
}

bool ReaderDllGJB::CodeGradientGet(int* value)
{
    return GJB_CodeGradientGet(m_handle, value) != 0;
}

bool ReaderDllGJB::McuVersionGet(unsigned char* buffer, int length)
{
    return GJB_McuVersionGet(m_handle, buffer, length) != 0;
}

bool ReaderDllGJB::FpgaVersionGet(unsigned char* buffer, int length)
{
    return GJB_FpgaVersionGet(m_handle, buffer, length) != 0;
}

bool ReaderDllGJB::RfVersionGet(unsigned char* buffer, int length)
{
    return GJB_RfVersionGet(m_handle, buffer, length) != 0;
}

bool ReaderDllGJB::LinuxVersionGet(unsigned char* buffer, int* length)
{
    return GJB_LinuxVersionGet(m_handle, buffer, length) != 0;
}

bool ReaderDllGJB::SecrecySet(int state)
{
    return GJB_SecrecySet(m_handle, state) != 0;
}

bool ReaderDllGJB::SecrecyGet(int* state)
{
    return GJB_SecrecyGet(m_handle, state) != 0;
}

bool ReaderDllGJB::KillSecrecyModel(const unsigned char* password, int length)
{
    return GJB_KillSecrecyModel(m_handle, password, length) != 0;
}

bool ReaderDllGJB::EditSecrecyPW(const unsigned char* oldPassword, int oldLength,
                                 const unsigned char* newPassword, int newLength)
{
    return GJB_EditSecrecyPW(m_handle, oldPassword, oldLength, newPassword, newLength) != 0;
}

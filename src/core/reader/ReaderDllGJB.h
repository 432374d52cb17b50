#pragma once

#include "core/reader/ReaderDllBase.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The GJB driver: connection operations over gjbzaltlink, and one forwarder per GJB library function
// (named after it without the GJB_ prefix; the handle goes first, the rest unchanged). GJB pages reach
// the reader only through these methods; gjbzaltlink.h gives the arguments' layouts.
class ReaderDllGJB : public ReaderDllBase
{
public:
    bool OpenReader() override;
    bool CloseReader() override;
    bool StopRead() override;
    // The library's last error code on this handle (GJB_GetErrorCode).
    int GetErrorCode() override;
    bool GetReaderInfo(QString& info) override;

    // Ports 1..4 in use: each byte holds its port's number when on, 0 when off.
    virtual bool SetAntennaFlags(bool a1, bool a2, bool a3, bool a4);
    // The computer's clock, as microseconds since 1970 (whole seconds), to the reader.
    virtual bool SyncReaderTime();
    // Report type 3: fills the report status and value.
    virtual bool GetReportState();
    // The text of a tag operation's status byte.
    virtual QString ErrorText(int status);

    virtual bool CloseCON();
    virtual bool Open();
    virtual bool Close();
    virtual bool Copyright(char* text);
    virtual bool TCPInit(const char* ip, int port);
    virtual bool COMInit(int reserved, const char* name, int baud);
    virtual bool GetVersion(char* text);
    virtual bool ReaderCapability(int* antennas, int* minPower, int* maxPower);
    virtual bool GET_Config(int type, int offset, int count, unsigned char* buffer, int* length);
    virtual bool SET_Config(int type, const unsigned char* data, int length);
    virtual bool Firmware_Upgrade(int kind, const char* fileName, int fileSize, unsigned int checksum);
    virtual bool Reboot();
    virtual bool Reset();
    virtual bool Get_Report(int type, unsigned char* time, unsigned char* kind, unsigned char* state);
    virtual bool Get_TagReport();
    virtual bool Receive_TagReport(unsigned char* buffer, int waitMs);
    virtual bool Set_Report(int status, unsigned int value, int reserved);
    virtual bool Set_Inventory_Spec(int antennaCount, const unsigned char* antennas, int mode,
                                    int durationMs);
    virtual bool Set_Inventory_Spec_ReadTag(int run);
    virtual bool Get_Inventory_Spec(int* antennaCount, unsigned char* antennas, int* mode, int* durationMs);
    virtual bool Get_Access_Spec(unsigned char* record);
    virtual bool Set_ReaderTime(const unsigned char* time);
    virtual bool Set_AntPower(int power);
    virtual bool Set_GpoValue(int levels);
    virtual bool UHFRead_Tag(const unsigned char* request);
    virtual bool UHFWrite_Tag(const unsigned char* request);
    virtual bool UHFErase_Tag(const unsigned char* request);
    virtual bool UHFLock_Tag(const unsigned char* request);
    virtual bool UHFKill_Tag(const unsigned char* request);
    virtual bool Get_EventAndHeartBeat(unsigned char* record);
    virtual bool UHF_SetAccessInvalid();
    virtual bool GET_FrequencyPoint(int* mask);
    virtual bool SET_FrequencyPoint(int mask);
    virtual bool ReaderAntenna_Get(int* mask);
    virtual bool ReaderAntenna_Set(int mask);
    virtual bool ReaderAntennaPower_Get(int port, int* power);
    virtual bool ReaderAntennaPower_Set(int port, int power);
    virtual bool ReaderAntennaTime_Get(int port, int* time);
    virtual bool ReaderAntennaTime_Set(int port, int time);
    virtual bool Modulation_Set(int depth);
    virtual bool Modulation_Get(int* depth);
    virtual bool Inventory(int antennaCount, const unsigned char* antennas, int mode, int durationMs,
                           int forwardLink, int reserved, int reverseLink, int coding, int preamble);
    virtual bool SensitivityTest(int mode, int count);
    virtual bool AirInterfaceTest(const unsigned char* frame, int length);
    virtual bool StopInventorySpecReadTag();
    virtual bool DisturbreStrainInit();
    virtual bool SetFilterSet(int gain, int lowPass, int highPass);
    virtual bool QurFilterSet(int* gain, int* lowPass, int* highPass);
    virtual bool SetInventoryModel(int mode);
    virtual bool QurInventoryModel(int* mode);
    virtual bool SetRF(int path);
    virtual bool QurRF(int* path);
    virtual bool SetIpConfig(const unsigned char* ip, const unsigned char* mask,
                             const unsigned char* gateway);
    virtual bool SetDhcpConfig(int on);
    virtual bool QurIpConfig(unsigned char* ip, unsigned char* mask, unsigned char* gateway, int* dhcp);
    virtual bool CodeGradientSet(int value);
    virtual bool CodeGradientGet(int* value);
    virtual bool McuVersionGet(unsigned char* buffer, int length);
    virtual bool FpgaVersionGet(unsigned char* buffer, int length);
    virtual bool RfVersionGet(unsigned char* buffer, int length);
    virtual bool LinuxVersionGet(unsigned char* buffer, int* length);
    virtual bool SecrecySet(int state);
    virtual bool SecrecyGet(int* state);
    virtual bool KillSecrecyModel(const unsigned char* password, int length);
    virtual bool EditSecrecyPW(const unsigned char* oldPassword, int oldLength,
                               const unsigned char* newPassword, int newLength);

    uint8_t GetReportStatus() const { return m_reportStatus; }
    uint32_t GetReportValue() const { return m_reportValue; }
    std::array<uint8_t, 4> GetAntennaFlags() const { return m_antennaFlags; }
    // The ports in use, in order 1..4: what an inventory is started with.
    std::vector<uint8_t> AntennaList() const;

    // The 8 bytes SyncReaderTime sends for this moment: microseconds since 1970-01-01 UTC, whole
    // seconds, most significant byte first.
    static std::array<unsigned char, 8> ReaderTimeValue(const QDateTime& when);
    // The language key of a tag operation's status byte.
    static const char* ErrorTextKey(int status);

private:
    uint8_t m_reportStatus = 0;
    uint32_t m_reportValue = 0;
    std::array<uint8_t, 4> m_antennaFlags{};
};

#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What goes to a reader by the firmware update: the file, its kind and its checksum.
namespace Firmware {

// The reader takes files of up to this many bytes.
constexpr int kMaxFileBytes = 512000;
constexpr int kDefaultTftpPort = 69;

enum Kind : uint8_t
{
    KindR2000 = 0,    // image for the RF chip, its checksum in its last four bytes
    KindFirmware = 1, // the reader's own program, an ELF file
    KindTransfer = 2  // any file, stored as it is
};

// CRC-32, generator 0x04C11DB7, most significant bit first, initial value 0, no reflection and no
// final XOR: "123456789" gives 0x89A1897F. `crc` continues an earlier call.
uint32_t Crc32(const unsigned char* data, size_t length, uint32_t crc = 0);

// The whole file; false when it cannot be read, is empty or is larger than kMaxFileBytes.
bool ReadFile(const QString& path, QByteArray* data);

// Firmware: an ELF file whose path is not one of the reader's configuration backups. R2000 image:
// at least four bytes, the last four (little-endian) the checksum of the rest. Transfer: anything.
bool IsValid(int kind, const QString& path, const QByteArray& data);

// The checksum as the update call takes it: four bytes, most significant first.
QByteArray ChecksumBytes(const QByteArray& data);

// The reader's TFTP port: $RIVULET_TFTP_PORT, else FIRMWARE/TFTP_PORT of sys.ini, else 69.
int TftpPortSetting();

} // namespace Firmware

#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <cstdint>

// The reader-to-tag commands of the air-interface test page and the frames they become. A frame is
// what GJB_AirInterfaceTest transmits unchanged: byte 0 the time code (option + 1), 1 modulation mode,
// 2 modulation depth byte, 3 command code, 4 send mode (the switch for Power), 5-6 the payload bit
// count big-endian, the payload packed most significant bit first from byte 7, then one zero byte.
namespace AirFrame {

// The longest frame the library takes.
constexpr int kMaxFrame = 256;

enum class Unit
{
    Bits = 1,
    Bytes = 2,
    Variable = 3
};

enum class Field
{
    Tc,
    ModulateMode,
    ModulateDepth,
    SendMode,
    Switch,
    Handle,
    PwdType,
    Password,
    Condition,
    Target,
    TrExt,
    UplinkTime,
    CodeSelect,
    StorageArea,
    Pointer,
    LenByte,
    Data,
    Action,
    Rule,
    Mask,
    LenBit,
    SplitSpace,
};

// An option's label: `literal` alone, the key's text alone, or `literal` with %1 = the key's text.
struct Option
{
    int value;
    const char* literal;
    const char* key;
};

struct FieldDef
{
    Field field;
    const char* name; // a text key when it starts with IDCS_, else shown as it stands
    int size;
    Unit unit;
    int defaultIndex;
    QVector<Option> options; // empty: free hex text
};

struct CommandDef
{
    int number;
    const char* name; // the profile key
    const char* displayKey;
    uint8_t code;
    QVector<Field> fields; // in row order
};

// Commands 0..16 in order.
const QVector<CommandDef>& Commands();
const FieldDef& Definition(Field field);

// What the operator entered in a row: the chosen option's value, or the cell's text.
struct Entry
{
    int option = 0;
    QString text;
};

enum class BuildError
{
    None,
    EmptyField,
    TooLong
};

struct BuildResult
{
    QByteArray frame;
    BuildError error = BuildError::None;
    Field field = Field::Tc; // the field an error names
};

// entries[i] belongs to command.fields[i]; missing entries count as option 0 and empty text.
BuildResult Build(const CommandDef& command, const QVector<Entry>& entries);

// Hex text read two characters at a time; a pair that does not parse, or is missing, gives 0.
QByteArray HexBytes(const QString& text, int count);

// The depth byte for modulation options 0..7 (30 % .. 100 %).
uint8_t DepthByte(int option);

} // namespace AirFrame

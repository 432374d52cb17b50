#include "core/configgjb/AirFrame.h"

#include <wire/gjb_air.h>

#include <initializer_list>
#include <vector>

namespace AirFrame {

namespace {

using wire::gjb::AirBits;

QVector<Option> keyed(std::initializer_list<const char*> keys)
{
    QVector<Option> out;
    for (const char* key : keys)
        out.push_back({int(out.size()), nullptr, key});
    return out;
}

const QVector<FieldDef>& catalogue()
{
    static const QVector<FieldDef> defs = {
        {Field::Tc, "Tc", 1, Unit::Bits, 0, {{0, "0:6.25us", nullptr}, {1, "1:12.5us", nullptr}}},
        {Field::ModulateMode,
         "IDCS_MODULATE_MODE",
         1,
         Unit::Bits,
         0,
         {{0, "0:DSB", nullptr}, {1, "1:SSB", nullptr}}},
        {Field::ModulateDepth,
         "IDCS_MODULATE",
         2,
         Unit::Bits,
         7,
         {{0, "0:30", nullptr},
          {1, "1:40", nullptr},
          {2, "2:50", nullptr},
          {3, "3:60", nullptr},
          {4, "4:70", nullptr},
          {5, "5:80", nullptr},
          {6, "6:90", nullptr},
          {7, "7:100", nullptr}}},
        {Field::SendMode,
         "IDCS_KEEP",
         4,
         Unit::Bits,
         0,
         {{0, "0:%1", "IDCS_SINGLE_SEND"}, {1, "1:%1", "IDCS_AGAIN_SEND"}}},
        {Field::Switch,
         "IDCS_SWITCH_OP",
         1,
         Unit::Bytes,
         0,
         {{0, nullptr, "IDCS_COLSE_S"}, {1, nullptr, "IDCS_OPEN_S"}}},
        {Field::Handle, "IDCS_HANDLE", 2, Unit::Bytes, 0, {}},
        {Field::PwdType, "IDCS_PWD_TYPE", 4, Unit::Bits, 0,
         keyed({"IDCS_PWD_TYPE_0", "IDCS_PWD_TYPE_1", "IDCS_PWD_TYPE_2", "IDCS_PWD_TYPE_3", "IDCS_PWD_TYPE_4",
                "IDCS_PWD_TYPE_5", "IDCS_PWD_TYPE_6", "IDCS_PWD_TYPE_7"})},
        {Field::Password, "IDCS_WATCHWORD", 2, Unit::Bytes, 0, {}},
        {Field::Condition, "IDCS_CONDITION", 2, Unit::Bits, 0,
         keyed({"IDCS_CONDITION_0", "IDCS_CONDITION_1", "IDCS_CONDITION_2", "IDCS_CONDITION_3"})},
        {Field::Target, "Target", 1, Unit::Bits, 0, {{0, "0:Target=0", nullptr}, {1, "1:Target=1", nullptr}}},
        {Field::TrExt, "TR_EXT", 1, Unit::Bits, 0, {{0, "0:TR_EXT=0", nullptr}, {1, "1:TR_EXT=1", nullptr}}},
        {Field::UplinkTime,
         "IDCS_ULINK_TIME",
         2,
         Unit::Bits,
         0,
         {{0, "0:0.25Tc", nullptr},
          {1, "1:0.5Tc", nullptr},
          {2, "2:Tc", nullptr},
          {3, nullptr, "IDCS_CONDITION_3"}}},
        {Field::CodeSelect,
         "IDCS_CODE_SELECT",
         2,
         Unit::Bits,
         0,
         {{0, "0:FM0", nullptr}, {1, "1:M2", nullptr}, {2, "2:M4", nullptr}, {3, "3:M8", nullptr}}},
        {Field::StorageArea,
         "IDCS_STORAGE_AREA",
         2,
         Unit::Bits,
         0,
         {{0, nullptr, "IDCS_TAG_INFO_AREA_0"},
          {1, nullptr, "IDCS_TAG_CODE_AREA_1"},
          {2, nullptr, "IDCS_TAG_SAFE_AREA_2"},
          {3, nullptr, "IDCS_TAG_USER_AREA_3"}}},
        {Field::Pointer, "IDCS_POINTER", 2, Unit::Bytes, 0, {}},
        {Field::LenByte, "IDCS_LEN_BYTE", 2, Unit::Bytes, 0, {}},
        {Field::Data, "IDCS_DATA", 0, Unit::Variable, 0, {}},
        {Field::Action,
         "IDCS_ACTION",
         2,
         Unit::Bits,
         0,
         {{0, nullptr, "IDCS_READ_WRITE_0"},
          {1, nullptr, "IDCS_READ_NO_WRITE_1"},
          {2, nullptr, "IDCS_NO_READ_WRITE_2"},
          {3, nullptr, "IDCS_NO_READ_NO_WRITE_3"}}},
        {Field::Rule, "IDCS_RULE", 2, Unit::Bits, 0,
         keyed({"IDCS_RULE_0", "IDCS_RULE_1", "IDCS_RULE_2", "IDCS_RULE_3"})},
        {Field::Mask, "IDCS_MASK", 0, Unit::Variable, 0, {}},
        {Field::LenBit, "IDCS_LEN_BIT", 1, Unit::Bytes, 0, {}},
        {Field::SplitSpace,
         "IDCS_SPLIT_SPACE",
         2,
         Unit::Bits,
         0,
         {{0, nullptr, "IDCS_SPLIT_SPACE_0"}, {1, nullptr, "IDCS_SPLIT_SPACE_1"}}},
    };
    return defs;
}

bool carriesCrc(uint8_t code)
{
    return code >= 0xA3 && code <= 0xB4 && code != 0xAF;
}

int hexPair(const QString& text, int index)
{
    const QString pair = text.mid(2 * index, 2);
    bool ok = false;
    const uint v = pair.toUInt(&ok, 16);
    // toUInt takes a sign or spaces; a pair must be hex digits only.
    for (const QChar c : pair)
        if (!c.isDigit() && !QStringLiteral("abcdefABCDEF").contains(c))
            return 0;
    return ok ? int(v) : 0;
}

std::vector<uint8_t> toVector(const QByteArray& bytes)
{
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

} // namespace

const QVector<CommandDef>& Commands()
{
    using F = Field;
    static const QVector<Field> head = {F::Tc, F::ModulateMode, F::ModulateDepth, F::SendMode};
    auto with = [](const QVector<Field>& rest) { return head + rest; };
    static const QVector<CommandDef> commands = {
        {0, "QueryRep", "IDCS_QUERY_REP_COMMAND", 0x00, head},
        {1, "Power", "IDCS_POWER_OPEN", 0xFF, {F::Tc, F::ModulateMode, F::ModulateDepth, F::Switch}},
        {2, "Ack", "IDCS_ACK_COMMAND", 0x40, with({F::Handle})},
        {3, "Disperse", "IDCS_DISPERSE_COMMAND", 0x80, head},
        {4, "Shrink", "IDCS_SHRINK_COMMAND", 0x90, head},
        {5, "Access", "IDCS_ACCESS_COMMAND", 0xA3, with({F::PwdType, F::Password, F::Handle})},
        {6, "Query", "IDCS_QUERY_COMMAND", 0xA4,
         with({F::Condition, F::Target, F::TrExt, F::UplinkTime, F::CodeSelect})},
        {7, "Read", "IDCS_READ_COMMAND", 0xA5, with({F::StorageArea, F::Pointer, F::LenByte, F::Handle})},
        {8, "Write", "IDCS_WRITE_COMMAND", 0xA6,
         with({F::StorageArea, F::Pointer, F::LenByte, F::Data, F::Handle})},
        {9, "Erase", "IDCS_ERASE_COMMAND", 0xA7, with({F::StorageArea, F::Pointer, F::LenByte, F::Handle})},
        {10, "Lock", "IDCS_LOCK_COMMAND", 0xA8, with({F::StorageArea, F::Action, F::Handle})},
        {11, "Kill", "IDCS_KILL_COMMAND", 0xA9, with({F::Handle})},
        {12, "Sort", "IDCS_SORT_COMMAND", 0xAA,
         with({F::StorageArea, F::Rule, F::Pointer, F::LenBit, F::Mask})},
        {13, "Nak", "IDCS_NAK_COMMAND", 0xAF, head},
        {14, "GetRN", "IDCS_GET_RN_COMMAND", 0xB2, with({F::Handle})},
        {15, "GetRefreshRN", "IDCS_REFRESHRN_COMMAND", 0xB4, with({F::Handle})},
        {16, "GetDivide", "IDCS_DIVIDE_COMMAND", 0xC0, with({F::SplitSpace})},
    };
    return commands;
}

const FieldDef& Definition(Field field)
{
    for (const FieldDef& d : catalogue())
        if (d.field == field)
            return d;
    return catalogue().front();
}

QByteArray HexBytes(const QString& text, int count)
{
    QByteArray out(count, '\0');
    for (int i = 0; i < count; ++i)
        out[i] = char(hexPair(text, i));
    return out;
}

uint8_t DepthByte(int option)
{
    static const uint8_t bytes[] = {76, 102, 127, 153, 178, 204, 229, 254};
    return option >= 0 && option < 8 ? bytes[option] : bytes[7];
}

BuildResult Build(const CommandDef& command, const QVector<Entry>& entries)
{
    BuildResult result;
    auto entry = [&](int row) { return row < entries.size() ? entries[row] : Entry{}; };

    for (int row = 0; row < command.fields.size(); ++row) {
        const Field f = command.fields[row];
        if (Definition(f).unit == Unit::Variable && entry(row).text.isEmpty()) {
            result.error = BuildError::EmptyField;
            result.field = f;
            return result;
        }
    }

    QByteArray frame;
    frame.append(char(entry(0).option + 1));
    frame.append(char(entry(1).option));
    frame.append(char(DepthByte(entry(2).option)));
    frame.append(char(command.code));
    frame.append(char(entry(3).option));
    if (command.code == wire::gjb::air::Power) {
        result.frame = frame;
        return result;
    }

    AirBits payload;
    int words = 0;
    for (int row = 4; row < command.fields.size(); ++row) {
        const Field f = command.fields[row];
        const FieldDef& def = Definition(f);
        const Entry e = entry(row);
        if (!def.options.isEmpty()) {
            payload.put(uint32_t(e.option), def.size);
            continue;
        }
        switch (f) {
        case Field::Data: {
            // The length counts 16-bit words. A frame past the library's limit is refused before
            // anything is read, so a long length cannot grow the frame without bound.
            if (words * 16 > kMaxFrame * 8) {
                result.error = BuildError::TooLong;
                result.field = Field::LenByte;
                return result;
            }
            payload.putBytes(toVector(HexBytes(e.text, 2 * words)), 16 * size_t(words));
            break;
        }
        case Field::Mask: {
            const int bits = uint8_t(HexBytes(entry(row - 1).text, 1).at(0));
            QByteArray mask = HexBytes(e.text, (bits + 7) / 8);
            if (bits % 8)
                mask[mask.size() - 1] = char(uint8_t(mask.back()) & uint8_t(0xFF << (8 - bits % 8)));
            payload.putBytes(toVector(mask), size_t(bits) + size_t(bits & 1));
            break;
        }
        case Field::LenBit:
            payload.put(uint8_t(HexBytes(e.text, 1).at(0)), 8);
            break;
        default: {
            const QByteArray two = HexBytes(e.text, 2);
            const uint32_t v = (uint32_t(uint8_t(two[0])) << 8) | uint8_t(two[1]);
            if (f == Field::LenByte)
                words = int(v);
            payload.put(v, 16);
            break;
        }
        }
    }
    if (carriesCrc(command.code)) {
        AirBits covered;
        covered.put(command.code, 8);
        covered.putBytes(payload.bytes(), payload.size());
        payload.put(wire::gjb::airCrc16(covered.bytes().data(), covered.size()), 16);
    }

    const size_t bits = payload.size();
    if (7 + (bits + 7) / 8 + 1 > size_t(kMaxFrame)) {
        result.error = BuildError::TooLong;
        result.field = command.code == wire::gjb::air::Write ? Field::LenByte : Field::LenBit;
        return result;
    }
    frame.append(char(bits >> 8));
    frame.append(char(bits & 0xFF));
    for (uint8_t b : payload.bytes())
        frame.append(char(b));
    frame.append('\0');
    result.frame = frame;
    return result;
}

} // namespace AirFrame

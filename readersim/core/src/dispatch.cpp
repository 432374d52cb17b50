#include "dispatch.h"

#include <wire/commands.h>

#include <string>

namespace readersim {

namespace {

// Bounds-checked view of a request payload.
class Payload
{
public:
    explicit Payload(const std::vector<uint8_t>& p) : p_(p) {}
    bool has(size_t n) const { return pos_ + n <= p_.size(); }
    size_t left() const { return p_.size() - pos_; }
    uint8_t u8() { return p_[pos_++]; }
    uint16_t u16()
    {
        uint16_t v = wire::getU16(&p_[pos_]);
        pos_ += 2;
        return v;
    }
    uint32_t u32()
    {
        uint32_t v = wire::getU32(&p_[pos_]);
        pos_ += 4;
        return v;
    }
    std::vector<uint8_t> bytes(size_t n)
    {
        std::vector<uint8_t> v(p_.begin() + long(pos_), p_.begin() + long(pos_ + n));
        pos_ += n;
        return v;
    }
    std::vector<uint8_t> rest() { return bytes(left()); }

private:
    const std::vector<uint8_t>& p_;
    size_t pos_ = 0;
};

ReadType readTypeOf(uint8_t cmd)
{
    return cmd == wire::cmd::ReadTid      ? ReadType::Tid
           : cmd == wire::cmd::ReadEpcTid ? ReadType::EpcTid
                                          : ReadType::Epc;
}

} // namespace

uint8_t statusOf(Result r)
{
    switch (r) {
    case Result::Ok:
        return wire::status::Ok;
    case Result::NoTag:
        return wire::status::TagNotFound;
    case Result::BadPassword:
        return wire::status::WrongPassword;
    case Result::Locked:
        return wire::status::MemoryLocked;
    case Result::BadArgument:
    case Result::ReadOnly:
    case Result::NotSupported:
        return wire::status::BadParameter;
    case Result::MemoryOverrun:
        return wire::status::MemoryOverrun;
    case Result::Busy:
        return wire::status::Busy;
    case Result::BadLength:
        return wire::status::BadLength;
    case Result::NoModule:
        return wire::status::NoModule;
    }
    return wire::status::InternalError;
}

Effect dispatch(ReaderModel& m, const wire::Frame& req, wire::Frame& ans)
{
    namespace c = wire::cmd;
    ans.seq = req.seq;
    ans.cmd = req.cmd;
    ans.status = wire::status::Ok;
    ans.payload.clear();
    Payload in(req.payload);
    std::vector<uint8_t>& out = ans.payload;
    Effect effect = Effect::None;
    Result r = Result::Ok;

    // Every short request is refused the same way.
    auto need = [&](size_t n) {
        if (in.has(n)) {
            return true;
        }
        r = Result::BadLength;
        return false;
    };

    switch (req.cmd) {
    case c::Hello:
        out = {wire::kProtocolVersion, wire::kFamily6C};
        effect = Effect::Hello;
        break;
    case c::Bye:
        effect = Effect::Bye;
        break;
    case c::Ping:
        out = req.payload;
        break;

    case c::SysInfQuery:
        if (need(1)) {
            r = m.sysInfQuery(in.u8(), &out);
        }
        break;
    case c::SysInfSet:
        if (need(1)) {
            uint8_t type = in.u8();
            r = m.sysInfSet(type, in.rest());
        }
        break;
    case c::ParmOp:
        if (need(3)) {
            uint8_t op = in.u8();
            uint8_t address = in.u8();
            uint8_t count = in.u8();
            if (op == 0) {
                m.restoreDefaults();
            } else if (op == 1) {
                if (in.left() != count) {
                    r = Result::BadLength;
                } else {
                    r = m.parmWrite(address, in.rest());
                }
            } else if (op == 2) {
                r = m.parmRead(address, count, &out);
            } else {
                r = Result::BadArgument;
            }
        }
        break;
    case c::Reboot:
        if (need(1)) {
            effect = Effect::Reboot;
        }
        break;
    case c::Updata:
        if (need(10)) {
            uint8_t kind = in.u8();
            uint32_t size = in.u32();
            uint32_t checksum = in.u32();
            uint8_t n = in.u8();
            if (in.left() != n) {
                r = Result::BadLength;
            } else {
                std::vector<uint8_t> name = in.rest();
                r = m.update(kind, size, checksum, std::string(name.begin(), name.end()));
            }
        }
        break;
    case c::TimeQuery: {
        auto rec = m.clockRecord();
        out.assign(rec.begin(), rec.end());
        break;
    }
    case c::TimeSet:
        r = req.payload.size() == 7 ? m.setClock(req.payload) : Result::BadLength;
        break;
    case c::PowerOff:
        m.stopInventory();
        for (uint8_t a = 1; a <= 4; ++a) {
            m.carrierOp(0, a);
        }
        effect = Effect::StopInventory;
        break;
    case c::EnterTrans:
        // No Wi-Fi module is fitted yet.
        r = Result::NoModule;
        break;

    case c::CommQuery:
        if (need(1)) {
            r = m.communicationQuery(in.u8(), &out);
        }
        break;
    case c::CommSet:
        if (need(1)) {
            uint8_t code = in.u8();
            r = m.communicationSet(code, in.rest());
        }
        break;
    case c::NetQuery:
        if (need(1)) {
            r = m.netQuery(in.u8(), &out);
        }
        break;
    case c::NetSet:
        if (need(1)) {
            uint8_t code = in.u8();
            r = m.netSet(code, in.rest());
        }
        break;

    case c::AntennaQuery:
        if (need(1)) {
            AntennaConfig a;
            r = m.antennaQuery(in.u8(), &a);
            if (r == Result::Ok) {
                out = {uint8_t(a.enabled ? 1 : 0), a.power, a.dwell};
            }
        }
        break;
    case c::AntennaSet:
        r = m.setAntennas(req.payload);
        break;
    case c::RfQuery:
        if (need(1)) {
            r = m.rfQuery(in.u8(), &out);
        }
        break;
    case c::RfSet:
        if (need(2)) {
            uint8_t type = in.u8();
            uint8_t count = in.u8();
            if (in.left() != count) {
                r = Result::BadLength;
            } else {
                r = m.rfSet(type, in.rest());
            }
        }
        break;
    case c::Carrier:
        if (need(2)) {
            uint8_t op = in.u8();
            r = m.carrierOp(op, in.u8());
        }
        break;
    case c::TagOpQuery:
        if (need(1)) {
            r = m.tagOpParaQuery(in.u8(), &out);
        }
        break;
    case c::TagOpSet:
        if (need(1)) {
            uint8_t type = in.u8();
            r = m.tagOpParaSet(type, in.rest());
        }
        break;

    case c::IoOperate:
        if (need(2)) {
            uint8_t port = in.u8();
            r = m.ioOperate(port, in.u8());
        }
        break;
    case c::IoStateQuery: {
        auto s = m.ioState();
        out.assign(s.begin(), s.end());
        break;
    }
    case c::ReadingIoQuery:
        out = {m.readingIo()};
        break;
    case c::ReadingIoConfig:
        if (need(1)) {
            r = m.setReadingIo(in.u8());
        }
        break;
    case c::PulseQuery:
        if (need(1)) {
            uint8_t w = 0;
            r = m.pulseWidth(in.u8(), &w);
            out = {w};
        }
        break;
    case c::PulseSet:
        if (need(2)) {
            uint8_t line = in.u8();
            r = m.setPulseWidth(line, in.u8());
        }
        break;
    case c::FlashCount: {
        auto rec = m.flashCountRecord();
        out.assign(rec.begin(), rec.end());
        break;
    }
    case c::FlashClear:
        m.clearFlash();
        break;

    case c::ReadEpc:
    case c::ReadTid:
    case c::ReadEpcTid:
        if (need(6)) {
            uint8_t antenna = in.u8();
            in.u8(); // mode: continuous is the only one
            uint32_t preRead = in.u32();
            r = m.startInventory(readTypeOf(req.cmd), antenna, preRead);
            if (r == Result::Ok) {
                effect = Effect::StartInventory;
            }
        }
        break;

    case c::TagSelect:
        if (need(6)) {
            uint8_t bank = in.u8();
            uint16_t start = in.u16();
            uint16_t length = in.u16();
            uint8_t n = in.u8();
            if (!in.has(n)) {
                r = Result::BadLength;
                break;
            }
            r = m.select(Bank(bank), start, length, in.bytes(n));
        }
        break;
    case c::ReadUser:
        if (need(9)) {
            uint8_t antenna = in.u8();
            uint16_t start = in.u16();
            uint16_t words = in.u16();
            std::vector<uint8_t> data;
            r = m.readUser(antenna, start, words, &data);
            if (r == Result::Ok) {
                wire::putU16(out, uint16_t(data.size() / 2));
                out.insert(out.end(), data.begin(), data.end());
            }
        }
        break;
    case c::WriteUser:
        if (need(14)) {
            uint8_t antenna = in.u8();
            in.u8();
            uint32_t pwd = in.u32();
            uint16_t start = in.u16();
            in.u32(); // operation time: the simulated tag answers at once
            uint16_t words = in.u16();
            if (in.left() != size_t(words) * 2) {
                r = Result::BadLength;
                break;
            }
            r = m.writeUser(antenna, pwd, start, in.rest());
            if (r == Result::Ok) {
                wire::putU16(out, words);
            }
        }
        break;
    case c::WriteEpc:
        if (need(7)) {
            uint8_t antenna = in.u8();
            in.u8();
            uint32_t pwd = in.u32();
            uint8_t n = in.u8();
            if (in.left() != n) {
                r = Result::BadLength;
                break;
            }
            r = m.writeEpc(antenna, pwd, in.rest());
        }
        break;
    case c::TagLock:
        if (need(7)) {
            uint8_t antenna = in.u8();
            uint32_t pwd = in.u32();
            uint8_t op = in.u8();
            r = m.lockTag(antenna, pwd, op, in.u8());
        }
        break;
    case c::TagKill:
        if (need(6)) {
            uint8_t antenna = in.u8();
            uint32_t pwd = in.u32();
            uint8_t n = in.u8();
            if (in.left() != n) {
                r = Result::BadLength;
                break;
            }
            r = m.killTag(antenna, pwd, in.rest());
        }
        break;
    case c::AccessPwdSet:
    case c::KillPwdSet:
        if (need(10)) {
            uint8_t antenna = in.u8();
            in.u8();
            uint32_t oldPwd = in.u32();
            uint32_t newPwd = in.u32();
            r = req.cmd == c::AccessPwdSet ? m.setAccessPassword(antenna, oldPwd, newPwd)
                                           : m.setKillPassword(antenna, oldPwd, newPwd);
        }
        break;

    case c::RawSend:
        r = Result::NoModule;
        break;

    default:
        ans.status = wire::status::UnsupportedCommand;
        return Effect::None;
    }

    if (r != Result::Ok) {
        ans.status = statusOf(r);
        ans.payload.clear();
        return Effect::None;
    }
    return effect;
}

void encodeReport(ReadType type, const Tag& tag, uint8_t antenna, uint32_t reportSeq, wire::Frame& f)
{
    f.seq = 0;
    f.status = 0;
    std::vector<uint8_t>& p = f.payload;
    p.clear();
    wire::putU32(p, reportSeq);
    p.push_back(antenna);
    // Lengths are one byte on the wire; a longer bank is cut rather than mis-framed.
    auto putField = [&p](const std::vector<uint8_t>& v) {
        size_t n = v.size() > 255 ? 255 : v.size();
        p.push_back(uint8_t(n));
        p.insert(p.end(), v.begin(), v.begin() + long(n));
    };
    switch (type) {
    case ReadType::Epc:
        f.cmd = wire::cmd::ReportEpc;
        putField(tag.epc);
        break;
    case ReadType::Tid:
        f.cmd = wire::cmd::ReportTid;
        putField(tag.tid);
        break;
    case ReadType::EpcTid:
        f.cmd = wire::cmd::ReportEpcTid;
        putField(tag.epc);
        putField(tag.tid);
        break;
    }
}

} // namespace readersim

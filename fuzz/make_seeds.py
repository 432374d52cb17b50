#!/usr/bin/env python3
"""Writes the hand-made seed inputs of zaltlink_answer_fuzz, readersim_dispatch_fuzz,
discovery_answer_fuzz, message_decoder_fuzz, gjb_message_fuzz, gjb_dispatch_fuzz and llrp_message_fuzz."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) & 0xFFFF if crc & 0x8000 else (crc << 1) & 0xFFFF
    return crc


def frame(seq, cmd, payload=b"", status=0):
    head = struct.pack(">HBBB", len(payload), seq, cmd, status)
    check = 0
    for b in head:
        check ^= b
    body = head + bytes([~check & 0xFF]) + payload
    return b"\xA5" + body + struct.pack(">H", crc16(body))


def write(subdir, name, data):
    with open(os.path.join(HERE, "corpus", subdir, name), "wb") as f:
        f.write(data)


# --- readersim_dispatch: request streams -------------------------------------------------------------
def requests(*reqs):
    return b"".join(frame(i + 1, c, p) for i, (c, p) in enumerate(reqs))


write("readersim_dispatch", "session_and_identity", requests(
    (0x01, b"\x01"), (0x03, b"ping"), (0x10, b"\x00"), (0x10, b"\x03"), (0x11, b"\x00READER02"),
    (0x15, b""), (0x16, bytes([0x30, 0x15, 0x10, 0x02, 0x08, 0x12, 0x26])), (0x02, b"")))
write("readersim_dispatch", "parameters", requests(
    (0x12, bytes([2, 0, 16])), (0x12, bytes([1, 160, 2, 0x05, 0x03])), (0x12, bytes([2, 122, 64])),
    (0x12, bytes([2, 250, 6])), (0x12, bytes([0, 0, 0])), (0x20, b"\x20"), (0x21, b"\x10\x05"),
    (0x22, b"\x02"), (0x23, b"\x03\x0f\xa1")))
write("readersim_dispatch", "rf_and_io", requests(
    (0x30, b"\x01"), (0x31, bytes([1, 1, 0, 0, 10, 10, 10, 10, 1, 2, 1, 1])), (0x32, b"\x00"),
    (0x33, bytes([0, 3, 1, 2, 3])), (0x34, b"\x01\x01"), (0x38, b"\x10"), (0x39, b"\x10\x05"),
    (0x39, bytes([0x11, 1, 0, 32, 16, 0xE2, 0x00, 0, 0, 0])), (0x40, b"\x01\x02"), (0x41, b""),
    (0x42, b""), (0x43, b"\x03"), (0x44, b"\x00"), (0x45, b"\x01\x05"), (0x48, b""), (0x49, b"")))
write("readersim_dispatch", "inventory", requests(
    (0x01, b"\x01"), (0x50, bytes([0, 1, 0, 0, 0, 1])), (0x51, bytes([1, 1, 0, 0, 0, 1])),
    (0x52, bytes([0, 1, 0, 0, 0, 4])), (0x17, b"")))
write("readersim_dispatch", "tag_operations", requests(
    (0x60, bytes([1, 0, 32, 0, 16, 2, 0x30, 0x00, 0, 0, 0])),
    (0x61, bytes([1, 0, 0, 0, 4, 0, 0, 0x03, 0xE8])),
    (0x62, bytes([1, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0x03, 0xE8, 0, 2, 1, 2, 3, 4])),
    (0x63, bytes([1, 0, 0, 0, 0, 0, 4, 0x30, 0x00, 0x12, 0x34])),
    (0x66, bytes([1, 0, 0, 0, 0, 0, 0x11, 0x22, 0x33, 0x44])),
    (0x64, bytes([1, 0x11, 0x22, 0x33, 0x44, 0, 3])),
    (0x67, bytes([1, 0, 0, 0, 0, 0, 0, 0, 0, 9])),
    (0x65, bytes([1, 0, 0, 0, 9, 4, 0x30, 0x00, 0x12, 0x34])),
    (0x60, bytes([1, 0, 0, 0, 0, 0, 0, 0, 0]))))
write("readersim_dispatch", "update_reboot_garbage",
      b"\x00\xA5\x12" + requests((0x14, bytes([2, 0, 0, 1, 0, 1, 2, 3, 4, 3]) + b"a.b"), (0x18, b"\x01"),
                                 (0x70, b"AT\r\n"), (0x13, b"\x00"), (0x7F, b"")))

# --- zaltlink_answer: caller parameters, then answer script ------------------------------------------
# SysInf, ParmAddr, ParmCount, ParmCap, Comm, Net, Rf, TagOp, Flash, Time, WordsHi, WordsLo, Slack,
# ReceiveOrder, EpcCap, TidCap, BothEpcCap, BothTidCap, RawCap
PARAMS = bytes([32, 0, 4, 16, 8, 12, 50, 8, 7, 7, 0, 1, 1, 0, 0, 0, 0, 0, 0])


def answer(payload=b"", status=0):
    return bytes([status, len(payload)]) + payload if len(payload) < 255 else \
        bytes([status, 0xFF]) + struct.pack(">H", len(payload)) + payload


def item(kind, payload):
    return bytes([kind]) + answer(payload)[1:]


GOOD = (answer(b"V2.1.7") + answer(b"\x00\x00\x02\x05") + answer(b"\x01") + answer(b"\x02\x5a\x4c\x54\x00\x01") +
        answer(bytes(range(16))) + answer(b"\x01\x0a\x01") + answer(b"\x04") + answer(b"\x01\x00") +
        answer(b"\x00") + answer(b"\x01") + answer(b"\x00\x00\x00\x08\x00\x00\x00") +
        answer(bytes([0x30, 0x15, 0x10, 0x02, 0x08, 0x12, 0x26])) + answer(b"\x00\x01\xbe\xef"))
EPC = bytes([0x30, 0x00]) + bytes(range(10))
TID = bytes([0xE2, 0x80]) + bytes(range(10))

write("zaltlink_answer", "empty_answers", bytes([255] * 19))
write("zaltlink_answer", "good_answers", PARAMS + GOOD)
write("zaltlink_answer", "reports", PARAMS +
      item(0xF0, b"\x00\x00\x00\x01\x01" + bytes([len(EPC)]) + EPC) +
      item(0xF1, b"\x00\x00\x00\x02\x02" + bytes([len(TID)]) + TID) +
      item(0xF2, b"\x00\x00\x00\x03\x03" + bytes([len(EPC)]) + EPC + bytes([len(TID)]) + TID) +
      item(0xF3, b"OK\r\n") + GOOD)
write("zaltlink_answer", "refusals", PARAMS + b"".join(answer(status=s) for s in
                                                       (0x10, 0x11, 0x12, 0x15, 0x17, 0x19, 0x1A, 0x1F, 0x01, 0x0B)))
write("zaltlink_answer", "oversized", bytes([2, 0, 4, 4, 0, 1, 1, 1, 1, 1, 0, 2, 3, 1, 2, 2, 2, 2, 1]) +
      answer(b"too long") + answer(b"\x00" * 5) + answer(b"\x01\x02") + answer(b"\x00" * 300) +
      answer(b"\x00" * 3) + answer(b"\x00" * 4) + answer(b"") + answer(b"\x00" * 3) + answer(b"\x00\x00") +
      answer(b"\x00\x00") + answer(b"\x00" * 8) + answer(b"\x00" * 8) + answer(b"\x00\x09" + b"\x00" * 18))
write("zaltlink_answer", "garbage_then_hangup", PARAMS + answer(b"V1") +
      item(0xF4, b"\xA5\x00\x10\x00\x80\x00\x6f" + b"\xA5\xFF\xFF junk") + answer(b"\x00" * 4) +
      item(0xF4, frame(0, 0x80, b"\x00\x00\x00\x07\x01\x02\x30\x00")) + bytes([0xF5]))
# Reports exactly at and one past the receive buffers' capacity (12 bytes), in the order the receive
# calls take them: EPC, TID, EPC+TID, EPC.
AT_CAP = bytearray(PARAMS)
AT_CAP[14:18] = bytes([12, 12, 12, 12])
write("zaltlink_answer", "reports_at_capacity", bytes(AT_CAP) +
      item(0xF0, b"\x00\x00\x00\x01\x01" + bytes([12]) + EPC) +
      item(0xF1, b"\x00\x00\x00\x02\x02" + bytes([13]) + TID + b"\x01") +
      item(0xF2, b"\x00\x00\x00\x03\x01" + bytes([12]) + EPC + bytes([12]) + TID) +
      item(0xF0, b"\x00\x00\x00\x04\x01" + bytes([13]) + EPC + b"\x01") + GOOD)


def discovery_answer(ip, name, second=b"SIM6C4", code=b"\x03\xE8"):
    head = b"\x02\xFE\x00\x00\x34\x12\x00\x00\x00\x01" + code + bytes(8)
    return head + bytes(ip) + bytes([255, 0, 0, 0, 127, 0, 0, 1]) + bytes([len(name)]) + name + \
        bytes([len(second)]) + second


os.makedirs(os.path.join(HERE, "corpus", "discovery_answer"), exist_ok=True)
write("discovery_answer", "reader", discovery_answer([192, 168, 1, 200], b"READER01"))
write("discovery_answer", "latin1_name", discovery_answer([10, 0, 0, 7], b"\xC4\xE9ta\xDF"))
write("discovery_answer", "name_past_end", discovery_answer([127, 0, 0, 1], b"CUT")[:35])
write("discovery_answer", "reversed_code", discovery_answer([127, 0, 0, 1], b"X", code=b"\xE8\x03"))

# --- message_decoder: layout number (message_decoder_fuzz.cpp, kLayouts), then a payload --------------
write("message_decoder", "hello_answer", bytes([0, 1, 1]))
write("message_decoder", "antenna_answer", bytes([2, 1, 10, 1]))
write("message_decoder", "user_words", bytes([6, 0, 2, 0xDE, 0xAD, 0xBE, 0xEF]))
write("message_decoder", "report_epc", bytes([9, 0, 0, 0, 1, 1, len(EPC)]) + EPC)
write("message_decoder", "report_epctid", bytes([11, 0, 0, 0, 3, 2, len(EPC)]) + EPC + bytes([len(TID)]) + TID)
write("message_decoder", "heartbeat", bytes([13, 0, 0, 0, 9, 0, 0, 0, 1]))
write("message_decoder", "parm_write", bytes([17, 1, 160, 2, 0x05, 0x03]))
write("message_decoder", "update", bytes([19, 2, 0, 0, 2, 0xBC, 1, 2, 3, 4, 3]) + b"a.b")
write("message_decoder", "tag_select", bytes([28, 1, 0, 32, 0, 16, 2, 0x30, 0x00, 0, 0, 0]))
write("message_decoder", "write_user", bytes([30, 1, 0, 0, 0, 0, 0, 0, 2, 0, 0, 3, 0xE8, 0, 2, 1, 2, 3, 4]))

# --- gjb_message: layout number (gjb_message_fuzz.cpp, kLayouts), then a payload ---------------------
os.makedirs(os.path.join(HERE, "corpus", "gjb_message"), exist_ok=True)
CODE = bytes([0x35, 0x47]) + bytes(range(6)) + bytes([0, 0, 0, 1])
MATCH = bytes([0, 0, 0, 96, 12]) + b"\xFF" * 12 + bytes([0, 96, 12]) + CODE + bytes([1])
write("gjb_message", "capability", bytes([0, 4, 0x03, 0xE8, 0x0C, 0xE4]))
write("gjb_message", "report_state", bytes([1, 0, 3, 0x5D, 1, 0x3B, 0x37, 0xE0, 0, 3, 1, 0, 0, 1, 0xF4]))
write("gjb_message", "settings", bytes([3, 3, 0x11, 0, 0, 0x09, 0xF6, 0x02, 0, 0x0F, 0xFF, 0xFF,
                                        0x40, 192, 168, 1, 100]))
write("gjb_message", "repair_record", bytes([7]) + b"2024-05-06 07:08:09" + bytes([3]) + b"fix")
write("gjb_message", "tag_report", bytes([10, 0, 0, 0, 1, 2, len(CODE)]) + CODE)
write("gjb_message", "access_result", bytes([11, 0, 0, 0, 2, 1, 0, 1, len(CODE)]) + CODE +
      bytes([0, 2, 0xDE, 0xAD, 0xBE, 0xEF]))
write("gjb_message", "test_result", bytes([12, 0, 0, 0, 3, 0, 7, 0x51, 0x9C]))
write("gjb_message", "tag_record", bytes([13, 7, 0, 0, 0, 1, 2, len(CODE)]) + CODE)
write("gjb_message", "access_record_cut", bytes([14, 6, 0, 0, 0, 2, 1, 0, 1, 0, 0, 4]) + bytes(range(8)))
write("gjb_message", "access_record_room", bytes([14, 255, 0, 0, 0, 2, 1, 133, 1, len(CODE)]) + CODE +
      bytes([0, 1, 0x12, 0x34]))
write("gjb_message", "test_record", bytes([15, 9, 0, 0, 0, 3, 0, 1, 0x40, 0x41]))
write("gjb_message", "inventory", bytes([24, 2, 1, 2, 1, 0, 0, 0x03, 0xE8, 0, 0, 2, 1, 1]))
write("gjb_message", "read", bytes([26]) + MATCH + bytes([0x30, 0, 0, 0, 4, 0, 0, 0, 0]))
write("gjb_message", "write", bytes([27]) + MATCH + bytes([0x30, 0, 1, 0, 0, 0, 0, 0, 1, 0xAB, 0xCD]))
write("gjb_message", "lock", bytes([28]) + MATCH + bytes([0, 0x30, 2, 0, 0, 0, 7]))
write("gjb_message", "secrecy", bytes([31, 8]) + b"12345678" + bytes([8]) + b"87654321")
write("gjb_message", "air_query", bytes([37, 1, 0, 254, 0xA4, 0, 0, 24, 0xE9, 0x12, 0x34, 0]))
write("gjb_message", "air_power", bytes([37, 2, 1, 229, 0xFF, 1]))

# --- gjb_dispatch: GJB request streams -----------------------------------------------------------------
os.makedirs(os.path.join(HERE, "corpus", "gjb_dispatch"), exist_ok=True)
write("gjb_dispatch", "system", requests(
    (0x01, b"\x01"), (0x90, b"\x00"), (0x90, b"\x03"), (0x91, b""), (0x92, bytes([0, 0, 0, 0, 4])),
    (0x93, b"\x01abcd"), (0x96, bytes([0, 3, 0x5D, 1, 0x3B, 0x37, 0xE0, 0])),
    (0x97, bytes([19]) + b"2024-05-06 07:08:09"), (0x98, b"\x03"), (0x99, bytes([2, 0, 0, 0, 9, 0])),
    (0x9A, b""), (0x95, b""), (0x94, b"")))
write("gjb_dispatch", "settings", requests(
    (0xA0, bytes([3, 0x01, 0x02, 0x11])), (0xA1, bytes([2, 0x03, 0, 0, 0, 50, 0x21, 0, 0, 0, 20])),
    (0xA1, bytes([1, 0x40, 10, 0, 0, 7])), (0xA0, bytes([1, 0x10]))))
write("gjb_dispatch", "inventory", requests(
    (0xB0, bytes([2, 1, 2, 1, 0, 0, 0x03, 0xE8, 0, 0, 2, 1, 1])), (0xB1, b""),
    (0xB2, bytes([1, 1, 0, 0, 0, 0, 0])), (0xB3, b""), (0xB4, b"\x01"), (0xB5, b""), (0xB1, b""),
    (0xD0, bytes([1, 0, 0, 0, 5])), (0xD1, b""), (0xD2, bytes([1, 0, 254, 0xA4, 0, 0, 24, 0xE9, 0x12, 0x34, 0]))))
write("gjb_dispatch", "tag_operations", requests(
    (0xC0, MATCH + bytes([0x30, 0, 0, 0, 4, 0, 0, 0, 0])),
    (0xC1, MATCH + bytes([0x30, 0, 1, 0, 0, 0, 0, 0, 1, 0xAB, 0xCD])),
    (0xC2, MATCH + bytes([0x30, 0, 0, 0, 2, 0, 0, 0, 0])), (0xC3, MATCH + bytes([0, 0x30, 2, 0, 0, 0, 0])),
    (0xC4, MATCH + bytes([0, 0, 0, 7])), (0xC5, b""), (0xC6, b"")))
write("gjb_dispatch", "records", requests(
    (0xE0, bytes([8]) + b"12345678" + bytes([8]) + b"87654321"), (0xE1, bytes([8]) + b"87654321"),
    (0xEA, b"\x03fix"), (0xE8, b""), (0xE9, bytes([0, 0, 0, 0])), (0xED, b"\x05\x02ab"), (0xEC, b"\x05")))

# --- llrp_message: LLRP message streams ----------------------------------------------------------------
os.makedirs(os.path.join(HERE, "corpus", "llrp_message"), exist_ok=True)


def tlv(ptype, *body):
    b = b"".join(body)
    return struct.pack(">HH", ptype, len(b) + 4) + b


def tv(ptype, body):
    return bytes([0x80 | ptype]) + body


def llrp(mtype, mid, *body):
    b = b"".join(body)
    return struct.pack(">HII", (1 << 10) | mtype, len(b) + 10, mid) + b


STATUS = tlv(287, struct.pack(">HH", 0, 0))
EPC96 = bytes(range(0xE0, 0xEC))
write("llrp_message", "session", llrp(63, 0, tlv(246, tlv(128, struct.pack(">Q", 1)), tlv(256, b"\0\0"))) +
      llrp(1, 1, b"\0") + llrp(72, 2) + llrp(62, 3) + llrp(64, 4) + llrp(14, 5) + llrp(4, 5, STATUS) +
      llrp(100, 6, tlv(287, struct.pack(">HH", 109, 4) + b"what")))
write("llrp_message", "capabilities", llrp(11, 1, STATUS, tlv(
    137, struct.pack(">HHII", 4, 0x4000, 0, 0), struct.pack(">H", 3) + b"1.0", tlv(139, struct.pack(">Hh", 1, 0)),
    tlv(141, struct.pack(">HH", 0, 0)), tlv(140, struct.pack(">HH", 1, 1) + b"\1")), tlv(
    143, struct.pack(">HH", 0, 0), tlv(144, tlv(145, struct.pack(">Hh", 1, 1000)), tlv(145, struct.pack(">Hh", 2, 1025)),
                                       tlv(146, b"\0", tlv(148, struct.pack(">HI", 1, 920625)))))))
ANTENNA = tlv(222, struct.pack(">H", 1), tlv(223, struct.pack(">H", 1)), tlv(224, struct.pack(">HHH", 1, 1, 40)))
REPORT_SPEC = tlv(237, struct.pack(">BH", 1, 0), tlv(238, struct.pack(">H", 0x1680)))
SETTINGS = (tlv(221, struct.pack(">BHh", 0x80, 1, 0)) + ANTENNA + REPORT_SPEC + tlv(239, b"\0") +
            tlv(220, struct.pack(">BI", 1, 1000)) + tlv(226, b"\0"))
write("llrp_message", "config", llrp(2, 1, struct.pack(">HBHH", 0, 0, 0, 0)) + llrp(3, 2, b"\x80", SETTINGS) +
      llrp(12, 1, STATUS, tlv(218, b"\0" + struct.pack(">H", 6) + bytes(6)), SETTINGS) + llrp(13, 2, STATUS))
ROSPEC = tlv(177, struct.pack(">IBB", 1, 0, 0), tlv(178, tlv(179, b"\0"), tlv(182, struct.pack(">BI", 1, 500))),
             tlv(183, struct.pack(">HHH", 2, 1, 2), tlv(184, struct.pack(">BI", 0, 0)),
                 tlv(186, struct.pack(">HB", 1, 1), ANTENNA)), REPORT_SPEC)
write("llrp_message", "add_inventory", llrp(20, 1, ROSPEC) + llrp(24, 2, b"\0\0\0\1") + llrp(22, 3, b"\0\0\0\1") +
      llrp(23, 4, b"\0\0\0\1") + llrp(25, 5, b"\0\0\0\1") + llrp(21, 6, b"\0\0\0\0") + llrp(30, 1, STATUS) +
      llrp(32, 3, STATUS))
TARGET = tlv(339, b"\x60" + struct.pack(">HH", 32, 16) + b"\xff\xff" + struct.pack(">H", 16) + b"\x30\x00")
ACCESS = tlv(207, struct.pack(">IHBBI", 9, 0, 1, 0, 0), tlv(208, struct.pack(">BH", 1, 1)), tlv(
    209, tlv(338, TARGET), tlv(341, struct.pack(">HIBHH", 1, 0, 0xC0, 0, 2)),
    tlv(342, struct.pack(">HIBHH", 2, 5, 0xC0, 0, 1) + b"\xbe\xef"), tlv(343, struct.pack(">HI", 3, 7)),
    tlv(344, struct.pack(">HI", 4, 5), tlv(345, b"\0\4"))), tlv(239, b"\1"))
write("llrp_message", "add_access", llrp(40, 1, ACCESS) + llrp(42, 2, b"\0\0\0\x09") + llrp(50, 1, STATUS))
TAG = tlv(240, tv(13, EPC96), tv(1, b"\0\1"), tv(6, b"\xc8"), tv(7, b"\0\1"), tv(2, bytes(8)), tv(4, bytes(8)),
          tv(8, b"\0\3"), tv(9, b"\0\0\0\1"), tv(16, b"\0\0\0\x09"),
          tlv(349, struct.pack(">BHH", 0, 1, 1) + b"\x12\x34"), tlv(350, struct.pack(">BHH", 2, 2, 0)),
          tlv(351, struct.pack(">BH", 0, 3)), tlv(352, struct.pack(">BH", 0, 4)),
          tlv(1023, struct.pack(">II", 1, 2) + b"xx"))
write("llrp_message", "report", llrp(61, 1, TAG, tlv(240, tlv(241, struct.pack(">H", 128) + bytes(16)),
                                                    tv(1, b"\0\2"))))

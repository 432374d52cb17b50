#include "core/wireless/WirelessTags.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"

namespace WirelessTags {

namespace {

QString Hex2(unsigned char byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString timeStampText(const unsigned char* record)
{
    // Counting from the end: year, month, day, (day of week), hours, minutes, seconds.
    const unsigned char* end = record + kTimeStampSize;
    return QStringLiteral("20%1-%2-%3 %4:%5:%6")
        .arg(Hex2(end[-1]), Hex2(end[-2]), Hex2(end[-3]), Hex2(end[-5]), Hex2(end[-6]), Hex2(end[-7]));
}

QString nowText(const QDateTime& now)
{
    return now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString record(TagCountMap& records, int antenna, const unsigned char* epc, int epcLength,
               const unsigned char* tid, int tidLength, bool timeStamps, const QString& now)
{
    QString readTime;
    if (!timeStamps) {
        readTime = now;
    } else if (epcLength >= kTimeStampSize) {
        epcLength -= kTimeStampSize;
        readTime = timeStampText(epc + epcLength);
    } else if (tidLength >= kTimeStampSize) {
        tidLength -= kTimeStampSize;
        readTime = timeStampText(tid + tidLength);
    }
    const QString epcText = AppContext::bytesToHex(epc, epcLength);
    const QString tidText = AppContext::bytesToHex(tid, tidLength);

    auto it = records.find(epcText);
    if (it == records.end()) {
        it = records.find(tidText);
    }
    if (it == records.end()) {
        it = records.insert(epcText.isEmpty() ? tidText : epcText, TagCountRecord());
    }
    it->epc = epcText;
    it->tid = tidText;
    it->readTime = readTime;
    if (antenna >= 1 && antenna <= 4) {
        ++it->counts[static_cast<size_t>(antenna - 1)];
    }
    return it.key();
}

QString ioEventText(const QString& ip, const unsigned char* r)
{
    auto alarm = [](unsigned char level) {
        return LangText(level == 1 ? "IDCS_ALRLM_IO" : "IDCS_NO_ALARM_IO");
    };
    const char* first = r[9] == 1 ? "IDCS_PORT_1_FIRST" : r[9] == 2 ? "IDCS_PORT_2_FIRST" : "IDCS_IS_JUDGE";
    const QString time = QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(Hex2(r[8]), Hex2(r[7]), Hex2(r[6]), Hex2(r[4]), Hex2(r[3]), Hex2(r[2]));
    return LangText("IDCS_IP_ADDR") + QLatin1Char(':') + ip + QLatin1Char(' ') + LangText("IDCS_TIME") +
           QLatin1Char(':') + time + QLatin1Char(' ') + LangText("IDCS_PORT_1").arg(0) + QLatin1Char(':') +
           alarm(r[0]) + QLatin1Char(' ') + LangText("IDCS_PORT_1").arg(1) + QLatin1Char(':') + alarm(r[1]) +
           QLatin1Char(' ') + LangText(first);
}

} // namespace WirelessTags

#include "core/configgjb/GjbConfigRules.h"

#include <QRegularExpression>
#include <QStringList>

namespace GjbConfigRules {

QByteArray Utf8Cut(const QString& text, int maxBytes)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    int end = maxBytes < 0 ? 0 : maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the lead byte of the character the limit
    // falls in; that character is left out whole.
    while (end > 0 && (uint8_t(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

QString RecordText(const unsigned char* buffer, int capacity, int length)
{
    if (!buffer || length <= 0)
        return QString();
    const int n = length < capacity ? length : capacity;
    return QString::fromUtf8(reinterpret_cast<const char*>(buffer), n);
}

namespace {

bool parseOne(const QString& text, Address* out, bool* formatOk)
{
    static const QRegularExpression re(QRegularExpression::anchoredPattern(
        QStringLiteral("((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-5]|[01]?\\d\\d?)")));
    *formatOk = re.match(text).hasMatch();
    if (!*formatOk)
        return false;
    const QStringList parts = text.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        (*out)[size_t(i)] = static_cast<unsigned char>(parts[i].toUInt());
    return true;
}

} // namespace

const char* ParseIpConfig(const QString& ip, const QString& mask, const QString& gateway, IpConfig* out)
{
    struct Row
    {
        const QString& text;
        Address* target;
        const char* badFormat;
        const char* badParts;
    };
    IpConfig parsed;
    const Row rows[] = {
        {ip, &parsed.ip, "IDCS_IPADDR_INVAID", "IDCS_IP_ERRO"},
        {mask, &parsed.mask, "IDCS_SUBMASK_INVAID", "IDCS_SUBMASK_ERRO"},
        {gateway, &parsed.gateway, "IDCS_GATEWAY_INVAID", "IDCS_GATEWAY_ERRO"},
    };
    // Every text's format first, then the parts, as the fields are listed.
    for (const Row& r : rows) {
        bool formatOk = false;
        Address scratch{};
        parseOne(r.text, &scratch, &formatOk);
        if (!formatOk)
            return r.badFormat;
    }
    for (const Row& r : rows) {
        bool formatOk = false;
        if (!parseOne(r.text, r.target, &formatOk))
            return r.badParts;
    }
    if (out)
        *out = parsed;
    return nullptr;
}

QString AddressText(const Address& a)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

} // namespace GjbConfigRules

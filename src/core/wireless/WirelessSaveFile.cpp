#include "core/wireless/WirelessSaveFile.h"

#include "core/app/LanguageText.h"

#include <QFile>

namespace WirelessSaveFile {

namespace {

QString Field(const char* key, const QString& value)
{
    return LangText(key) + QLatin1Char(':') + value + QLatin1Char('\t');
}

} // namespace

QString text(const QList<Reader>& readers)
{
    static const char* const kCountKeys[4] = {"IDCS_ANTENNA_ONE_COUNT", "IDCS_ANTENNA_TWO_COUNT",
                                              "IDCS_ANTENNA_THREE_COUNT", "IDCS_ANTENNA_FOUR_COUNT"};
    QString out;
    for (int n = 0; n < readers.size(); ++n) {
        const Reader& reader = readers.at(n);
        out += Field("IDCS_NUMBER", QString::number(n + 1)) + Field("IDCS_DEVICE_NAME", reader.name) +
               QStringLiteral("\n\n");
        for (int m = 0; m < reader.tags.size(); ++m) {
            const Tag& tag = reader.tags.at(m);
            out += Field("IDCS_NUMBER", QString::number(m + 1)) + Field("IDCS_EPC", tag.key) +
                   Field("IDCS_READTIME", tag.readTime);
            for (int a = 0; a < 4; ++a) {
                out += Field(kCountKeys[a], tag.counts[static_cast<size_t>(a)]);
            }
            out += QLatin1Char('\n');
        }
    }
    return out + QStringLiteral("\t\n\n\n");
}

bool append(const QString& path, const QList<Reader>& readers)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        return false;
    }
    const QByteArray bytes = text(readers).toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace WirelessSaveFile

// Checks the delivered language files the way the program reads them: through QSettings in INI
// format. A value QSettings would split into a string list (an unquoted comma), mangle (a bad
// escape) or drop (a duplicate key) is caught here.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStringList>
#include <QTest>

namespace {

struct Language
{
    QString ident;
    QString name;
    QString path;
};

QString dataDir()
{
    const QString env = qEnvironmentVariable("RIVULET_DATA_DIR");
    if (!env.isEmpty())
        return env;
    return QStringLiteral(RIVULET_SOURCE_DATA_DIR);
}

QString languageDir()
{
    return dataDir() + QStringLiteral("/language");
}

// The placeholders %1..%9 a text uses, as a sorted list ("%1", "%2", ...).
QStringList placeholders(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("%([1-9])"));
    QSet<QString> found;
    for (auto it = re.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured(0));
    QStringList list(found.begin(), found.end());
    list.sort();
    return list;
}

bool hasHan(const QString& text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Han)
            return true;
    }
    return false;
}

// Key lines of group [text] as (key, raw value), read from the file (independent of QSettings).
QList<QPair<QString, QString>> rawTextLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QList<QPair<QString, QString>> lines;
    bool inText = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inText = line == QLatin1String("[text]");
            continue;
        }
        if (inText) {
            const int eq = line.indexOf(QLatin1Char('='));
            lines.append({line.left(eq).trimmed(), eq < 0 ? QString() : line.mid(eq + 1).trimmed()});
        }
    }
    return lines;
}

QStringList rawTextKeys(const QString& path)
{
    QStringList keys;
    const auto lines = rawTextLines(path);
    for (const auto& kv : lines)
        keys << kv.first;
    return keys;
}

// Why a raw value is not a properly quoted QSettings string, or an empty string when it is.
QString quotingFault(const QString& raw)
{
    if (!raw.startsWith(QLatin1Char('"')))
        return QStringLiteral("value is not double-quoted");
    static const QString simple = QStringLiteral("abfnrtv\"'?\\");
    for (int i = 1; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= raw.size())
                return QStringLiteral("dangling backslash");
            const QChar e = raw.at(i + 1);
            if (!simple.contains(e) && e != QLatin1Char('x') &&
                !(e >= QLatin1Char('0') && e <= QLatin1Char('7')))
                return QStringLiteral("unknown escape \\%1").arg(e);
            ++i;
        } else if (c == QLatin1Char('"')) {
            if (i != raw.size() - 1)
                return QStringLiteral("text after the closing quote");
            return QString();
        }
    }
    return QStringLiteral("no closing quote");
}

} // namespace

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private:
    QList<Language> m_languages;
    // language identifier -> key -> text
    QHash<QString, QHash<QString, QString>> m_texts;

    // language identifier -> faults found while reading it through QSettings
    QHash<QString, QStringList> m_readFaults;

    void loadLanguage(const Language& lang)
    {
        QSettings s(lang.path, QSettings::IniFormat);
        QStringList faults;
        if (s.status() != QSettings::NoError)
            faults << QStringLiteral("QSettings status %1").arg(int(s.status()));
        s.beginGroup(QStringLiteral("text"));
        const QStringList keys = s.childKeys();
        if (keys.size() < 100)
            faults << QStringLiteral("only %1 keys in [text]").arg(keys.size());
        QHash<QString, QString> table;
        for (const QString& key : keys) {
            const QVariant v = s.value(key);
            // An unquoted comma makes QSettings return a QStringList, whose toString() is empty.
            if (v.typeId() != QMetaType::QString)
                faults << QStringLiteral("%1 reads as %2, not a string")
                              .arg(key, QString::fromLatin1(v.typeName()));
            const QString text = v.toString();
            if (text.trimmed().isEmpty())
                faults << QStringLiteral("%1 is empty").arg(key);
            table.insert(key, text);
        }
        s.endGroup();
        m_texts.insert(lang.ident, table);
        m_readFaults.insert(lang.ident, faults);
    }

private slots:
    void initTestCase()
    {
        const QString indexPath = languageDir() + QStringLiteral("/LanguageIndex.ini");
        QVERIFY2(QFileInfo::exists(indexPath), qPrintable(indexPath));
        QSettings index(indexPath, QSettings::IniFormat);
        QCOMPARE(index.status(), QSettings::NoError);
        QCOMPARE(index.value(QStringLiteral("info/languagesSel")).toString(), QStringLiteral("en"));
        index.beginGroup(QStringLiteral("languages"));
        QCOMPARE(index.value(QStringLiteral("en")).toString(), QStringLiteral("English"));
        QCOMPARE(index.value(QStringLiteral("zh_CN")).toString(), QString::fromUtf8("简体中文"));
        const QStringList idents = index.childKeys();
        for (const QString& ident : idents) {
            const QString name = index.value(ident).toString();
            QVERIFY2(!name.isEmpty(), qPrintable(ident));
            const QString path = languageDir() + QLatin1Char('/') + name + QStringLiteral(".ini");
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
            m_languages.append({ident, name, path});
        }
        index.endGroup();
        QCOMPARE(m_languages.size(), 2);
        for (const Language& lang : std::as_const(m_languages))
            loadLanguage(lang);
    }

    void languages_data()
    {
        QTest::addColumn<QString>("ident");
        QTest::addColumn<QString>("path");
        for (const Language& lang : std::as_const(m_languages))
            QTest::newRow(qPrintable(lang.ident)) << lang.ident << lang.path;
    }

    // Every key returns a non-empty QString through QSettings.
    void everyValueIsANonEmptyString_data() { languages_data(); }
    void everyValueIsANonEmptyString()
    {
        QFETCH(QString, ident);
        QFETCH(QString, path);
        const QStringList faults = m_readFaults.value(ident);
        QVERIFY2(faults.isEmpty(),
                 qPrintable(path + QStringLiteral(":\n  ") + faults.join(QStringLiteral("\n  "))));
    }

    // Every value in [text] is written in double quotes with balanced quotes and known escapes.
    void everyValueIsQuoted_data() { languages_data(); }
    void everyValueIsQuoted()
    {
        QFETCH(QString, path);
        QStringList faults;
        const auto lines = rawTextLines(path);
        for (const auto& kv : lines) {
            const QString why = quotingFault(kv.second);
            if (!why.isEmpty())
                faults << kv.first + QStringLiteral(": ") + why;
        }
        QVERIFY(!lines.isEmpty());
        QVERIFY2(faults.isEmpty(),
                 qPrintable(path + QStringLiteral(":\n  ") + faults.join(QStringLiteral("\n  "))));
    }

    void everyKeyLineIsReadOnce_data() { languages_data(); }

    // Every key line of [text] in the file is one distinct key that QSettings returns.
    void everyKeyLineIsReadOnce()
    {
        QFETCH(QString, ident);
        QFETCH(QString, path);
        const QStringList raw = rawTextKeys(path);
        const QSet<QString> unique(raw.begin(), raw.end());
        QCOMPARE(unique.size(), raw.size()); // no duplicate keys
        QSet<QString> read;
        for (auto it = m_texts.value(ident).cbegin(); it != m_texts.value(ident).cend(); ++it)
            read.insert(it.key());
        QCOMPARE(read, unique);
        static const QRegularExpression keyRe(QStringLiteral("^IDC[SD]_[A-Z0-9_]+$"));
        for (const QString& key : raw)
            QVERIFY2(keyRe.match(key).hasMatch(), qPrintable(key));
    }

    void sameKeySet()
    {
        const auto en = m_texts.value(QStringLiteral("en"));
        const auto zh = m_texts.value(QStringLiteral("zh_CN"));
        QStringList onlyEn, onlyZh;
        for (auto it = en.cbegin(); it != en.cend(); ++it)
            if (!zh.contains(it.key()))
                onlyEn << it.key();
        for (auto it = zh.cbegin(); it != zh.cend(); ++it)
            if (!en.contains(it.key()))
                onlyZh << it.key();
        QVERIFY2(onlyEn.isEmpty(),
                 qPrintable(QStringLiteral("only in English: ") + onlyEn.join(QLatin1Char(' '))));
        QVERIFY2(onlyZh.isEmpty(),
                 qPrintable(QStringLiteral("only in Chinese: ") + onlyZh.join(QLatin1Char(' '))));
    }

    void placeholdersMatch()
    {
        const auto en = m_texts.value(QStringLiteral("en"));
        const auto zh = m_texts.value(QStringLiteral("zh_CN"));
        QStringList faults;
        for (auto it = en.cbegin(); it != en.cend(); ++it) {
            const QStringList a = placeholders(it.value());
            const QStringList b = placeholders(zh.value(it.key()));
            if (a != b)
                faults << QStringLiteral("%1: English %2, Chinese %3")
                              .arg(it.key(), a.join(QLatin1Char(',')), b.join(QLatin1Char(',')));
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void placeholdersWhereTextsNeedThem()
    {
        const auto en = m_texts.value(QStringLiteral("en"));
        const QStringList one = {
            QStringLiteral("IDCS_PORT_1"),
            QStringLiteral("IDCS_INPUT_LIMIT_1"),
            QStringLiteral("IDCS_READ_TAG_LEN"),
            QStringLiteral("IDCS_AVERAGE_READ_CARD_1"),
            QStringLiteral("IDCS_PARAM_ERRO_1"),
            QStringLiteral("IDCS_ANTENNA_POWER_QUERY_SUCCESS_1"),
            QStringLiteral("IDCS_QUERY_LINE_SUCCESS_1"),
            QStringLiteral("IDCS_SENSITIVITY_TEST_FAILED_1"),
            QStringLiteral("IDCS_PORT_SET_SUCCESS_1"),
            QStringLiteral("IDCS_BIT_1"),
        };
        for (const QString& key : one)
            QCOMPARE(placeholders(en.value(key)), QStringList{QStringLiteral("%1")});
        QCOMPARE(placeholders(en.value(QStringLiteral("IDCD_INPUT_LIMIT_1_2"))),
                 (QStringList{QStringLiteral("%1"), QStringLiteral("%2")}));
    }

    void chineseTextsAreChinese()
    {
        const auto zh = m_texts.value(QStringLiteral("zh_CN"));
        int han = 0;
        QStringList without;
        for (auto it = zh.cbegin(); it != zh.cend(); ++it) {
            if (hasHan(it.value()))
                ++han;
            else
                without << it.key();
        }
        // A few texts are protocol names or abbreviations (EPC, TID, APN, DNS, SSID, MAC, ...).
        QVERIFY2(han * 100 >= zh.size() * 95,
                 qPrintable(QStringLiteral("%1 of %2 Chinese texts have Han characters; without: %3")
                                .arg(han)
                                .arg(zh.size())
                                .arg(without.join(QLatin1Char(' ')))));
    }

    void knownTexts()
    {
        const auto en = m_texts.value(QStringLiteral("en"));
        const auto zh = m_texts.value(QStringLiteral("zh_CN"));
        QCOMPARE(en.value(QStringLiteral("IDCS_READ_NO_LINK")), QStringLiteral("No reader connected"));
        QCOMPARE(zh.value(QStringLiteral("IDCS_CLEAR")), QString::fromUtf8("清空"));
        QCOMPARE(zh.value(QStringLiteral("IDCS_REBOOT_ENABLE")), QString::fromUtf8("重启后生效!"));
        // Escapes: the about text spans two lines.
        const QString logo = en.value(QStringLiteral("IDCS_LOGO_INFO"));
        QVERIFY(logo.startsWith(QStringLiteral("Rivulet")));
        QCOMPARE(logo.count(QLatin1Char('\n')), 1);
        for (const char* suffix : {"", "_6C", "_GB", "_GJB", "_WIRELESS", "_DEFAULT"}) {
            const QString key = QStringLiteral("IDCS_WINTITLE") + QLatin1String(suffix);
            QVERIFY2(en.value(key).contains(QStringLiteral("Rivulet")), qPrintable(key));
            QVERIFY2(zh.value(key).contains(QStringLiteral("Rivulet")), qPrintable(key));
        }
    }
};

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "tst_language_files.moc"

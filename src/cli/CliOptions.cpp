#include "cli/CliOptions.h"

#include "core/app/LanguageText.h"
#include "core/config6c/ConfigKeys.h"
#include "core/firmware/FirmwareFile.h"
#include "core/mqtt/MqttPublisher.h"
#include "core/tagops/TagOpHex.h"

#include <QCommandLineParser>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace {

constexpr int kMaxStartWord = 65535;

struct OptionDef
{
    const char* name;
    const char* valueName; // nullptr: a switch
    const char* help;
};

const OptionDef kOptions[] = {
    {"tcp", "HOST:PORT", "Reader over TCP."},
    {"udp", "HOST:PORT", "Reader over UDP."},
    {"serial", "PATH[:BAUD]", "Reader on a serial line (default 115200 baud)."},
    {"llrp", "HOST[:PORT]", "An LLRP reader (6c family; default port 5084)."},
    {"family", "6c|gjb", "Reader family (default 6c)."},
    {"lang", "en|zh", "Language of messages (default en)."},
    {"seconds", "S", "inventory, discover: how long to run."},
    {"count", "N", "inventory: stop after N reads."},
    {"type", "epc|tid|epc+tid", "inventory: what each read carries (default epc)."},
    {"antennas", "1,2,...", "inventory: antennas to read with (default every enabled one)."},
    {"format", "csv|jsonl", "inventory, serve: output rows (default csv)."},
    {"mqtt", "mqtt://HOST:PORT/TOPIC", "inventory, serve: also publish every read (QoS 1)."},
    {"bank", "epc|tid|user|reserved", "read, write: memory bank."},
    {"start", "WORD", "read, write: first word."},
    {"words", "N", "read: number of words."},
    {"data", "HEX", "write: the words to write."},
    {"password", "HEX", "read, write: access password, 8 hex digits (default 00000000)."},
    {"antenna", "N", "read, write: antenna 1..4 (default 1)."},
    {"to", "ADDR[:PORT]", "discover: where the query goes (default the local broadcast)."},
    {"kind", "0|1|2", "firmware: 0 RF chip image, 1 reader program, 2 any file."},
    {"tftp-port", "P", "firmware: the reader's TFTP port (default 69)."},
    {"listen", "HOST:PORT", "serve: where the wireless readers connect to."},
};

// Options each command takes besides the global ones.
const QMap<QString, QStringList>& CommandOptions()
{
    static const QMap<QString, QStringList> map{
        {QStringLiteral("info"), {}},
        {QStringLiteral("inventory"),
         {QStringLiteral("seconds"), QStringLiteral("count"), QStringLiteral("type"),
          QStringLiteral("antennas"), QStringLiteral("format"), QStringLiteral("mqtt")}},
        {QStringLiteral("read"),
         {QStringLiteral("bank"), QStringLiteral("start"), QStringLiteral("words"),
          QStringLiteral("password"), QStringLiteral("antenna")}},
        {QStringLiteral("write"),
         {QStringLiteral("bank"), QStringLiteral("start"), QStringLiteral("data"), QStringLiteral("password"),
          QStringLiteral("antenna")}},
        {QStringLiteral("config"), {}},
        {QStringLiteral("clock"), {}},
        {QStringLiteral("discover"), {QStringLiteral("to"), QStringLiteral("seconds")}},
        {QStringLiteral("firmware"), {QStringLiteral("kind"), QStringLiteral("tftp-port")}},
        {QStringLiteral("serve"),
         {QStringLiteral("listen"), QStringLiteral("mqtt"), QStringLiteral("format")}},
        {QStringLiteral("help"), {}},
    };
    return map;
}

const QStringList kGlobal = {QStringLiteral("tcp"),  QStringLiteral("udp"),    QStringLiteral("serial"),
                             QStringLiteral("llrp"), QStringLiteral("family"), QStringLiteral("lang"),
                             QStringLiteral("help"), QStringLiteral("version")};

QString Bad(const QString& option, const QString& value)
{
    return LangText("IDCS_CLI_BAD_VALUE").arg(QStringLiteral("--") + option, value);
}

bool HostPort(const QString& text, QString* host, int* port, bool portOptional = false)
{
    static const QRegularExpression re(QStringLiteral("^([^:\\s]+)(?::(\\d{1,5}))?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && !portOptional)) {
        return false;
    }
    *host = m.captured(1);
    if (!m.captured(2).isEmpty()) {
        *port = m.captured(2).toInt();
        if (*port < 1 || *port > 65535) {
            return false;
        }
    }
    return true;
}

bool Number(const QString& text, qint64 low, qint64 high, qint64* value)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

bool Seconds(const QString& text, double* value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0 || v > 1e7) {
        return false;
    }
    *value = v;
    return true;
}

QString ReaderOption(CliRequest::Link link)
{
    switch (link) {
    case CliRequest::Link::Tcp:
        return QStringLiteral("--tcp");
    case CliRequest::Link::Udp:
        return QStringLiteral("--udp");
    case CliRequest::Link::Serial:
        return QStringLiteral("--serial");
    case CliRequest::Link::Llrp:
        return QStringLiteral("--llrp");
    case CliRequest::Link::None:
        break;
    }
    return QString();
}

} // namespace

bool CliRequest::needsReader() const
{
    return command != QLatin1String("discover") && command != QLatin1String("help") &&
           command != QLatin1String("serve");
}

QString CliLanguage(const QStringList& arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        QString value;
        if (arguments.at(i) == QLatin1String("--lang") && i + 1 < arguments.size()) {
            value = arguments.at(i + 1);
        } else if (arguments.at(i).startsWith(QLatin1String("--lang="))) {
            value = arguments.at(i).mid(7);
        } else {
            continue;
        }
        return value == QLatin1String("en") || value == QLatin1String("zh") ? value : QString();
    }
    return QString();
}

QString CliHelpText()
{
    QString text = QStringLiteral(
        "Usage: rivulet-cli [--tcp HOST:PORT | --udp HOST:PORT | --serial PATH[:BAUD] | --llrp HOST[:PORT]]\n"
        "                   [--family 6c|gjb] [--lang en|zh] COMMAND [OPTIONS]\n\n"
        "Commands:\n"
        "  info                          the reader's identity and versions, one \"key: value\" per line\n"
        "  inventory [--seconds S] [--count N] [--type epc|tid|epc+tid] [--antennas 1,2,...]\n"
        "            [--format csv|jsonl] [--mqtt mqtt://HOST:PORT/TOPIC]\n"
        "                                one row per read on stdout (CSV with a header, or JSON lines);\n"
        "                                ends after S seconds, N reads or Ctrl-C, then a per-tag summary\n"
        "                                on stderr\n"
        "  read --bank epc|tid|user|reserved --start WORD --words N [--password HEX] [--antenna N]\n"
        "                                prints the words as hex (epc and tid come from an inventory:\n"
        "                                word 0 is the first word of the code as the tag reports it)\n"
        "  write --bank epc|user --start WORD --data HEX [--password HEX] [--antenna N]\n"
        "  config get [KEY...] | config set KEY=VALUE... | config export FILE | config import FILE\n"
        "                                settings by name: see \"rivulet-cli help config\"\n"
        "  clock get | clock set now|\"YYYY-MM-DD HH:MM:SS\"\n"
        "  discover [--to ADDR[:PORT]] [--seconds S]\n"
        "                                one \"ADDR<TAB>NAME\" line per answer\n"
        "  firmware FILE --kind 0|1|2 [--tftp-port P]\n"
        "                                sends the file by TFTP, then updates and restarts the reader\n"
        "  serve --listen HOST:PORT [--format csv|jsonl] [--mqtt mqtt://HOST:PORT/TOPIC]\n"
        "                                the wireless server: every reader that connects is read, one row\n"
        "                                per read with a reader column, until Ctrl-C\n"
        "  help [config]\n\n"
        "--family gjb covers info and inventory (over --tcp or --serial; rows carry the tag's ID as epc).\n"
        "--llrp covers info, inventory of every --type, read and write, and config antenna.N.power,\n"
        "antenna.N.enabled and antenna.N.dwell (the last two last as long as the connection, so one\n"
        "command's setting is gone for the next); what an LLRP reader cannot do fails with exit 1.\n\n"
        "Exit status: 0 success, 1 the reader or the operation failed, 2 a usage error (nothing sent).\n\n"
        "Options:\n");
    for (const OptionDef& o : kOptions) {
        QString left = QStringLiteral("  --%1").arg(QLatin1String(o.name));
        if (o.valueName) {
            left += QLatin1Char(' ') + QLatin1String(o.valueName);
        }
        text += left.leftJustified(34) + QLatin1String(o.help) + QLatin1Char('\n');
    }
    text += QStringLiteral("  -h, --help                      This help.\n"
                           "  -v, --version                   The version.\n");
    return text;
}

QString CliConfigHelpText()
{
    QString text = QStringLiteral("Settings for \"config get\" and \"config set KEY=VALUE\":\n\n");
    for (const ConfigKeys::KeyInfo& info : ConfigKeys::Keys()) {
        text += QStringLiteral("  ") + info.key.leftJustified(24) + ConfigKeys::KeyHelp(info.key) +
                QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\n\"config export FILE\" writes the nine param.* rows in the parameter file format of the\n"
        "configuration dialog; \"config import FILE\" checks the whole file, then writes them.\n");
    return text;
}

CliParse ParseCli(const QStringList& arguments, CliRequest* out, QString* error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QList<QCommandLineOption> options;
    for (const OptionDef& o : kOptions) {
        QCommandLineOption option(QLatin1String(o.name), QLatin1String(o.help));
        if (o.valueName) {
            option.setValueName(QLatin1String(o.valueName));
        }
        parser.addOption(option);
    }
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return CliParse::UsageError;
    }
    if (parser.isSet(help)) {
        return CliParse::Help;
    }
    if (parser.isSet(version)) {
        return CliParse::Version;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *error = LangText("IDCS_CLI_NO_COMMAND");
        return CliParse::UsageError;
    }
    CliRequest r;
    r.command = positional.takeFirst();
    const auto allowed = CommandOptions().constFind(r.command);
    if (allowed == CommandOptions().constEnd()) {
        *error = LangText("IDCS_CLI_UNKNOWN_COMMAND").arg(r.command);
        return CliParse::UsageError;
    }
    for (const QString& name : parser.optionNames()) {
        if (!kGlobal.contains(name) && !allowed->contains(name)) {
            *error = LangText("IDCS_CLI_OPTION_NOT_FOR").arg(QStringLiteral("--") + name, r.command);
            return CliParse::UsageError;
        }
        if (parser.values(name).size() > 1) {
            *error = LangText("IDCS_CLI_OPTION_TWICE").arg(QStringLiteral("--") + name);
            return CliParse::UsageError;
        }
    }
    if (r.command == QLatin1String("help")) {
        if (positional.isEmpty()) {
            return CliParse::Help;
        }
        if (positional == QStringList{QStringLiteral("config")}) {
            return CliParse::HelpConfig;
        }
        *error = LangText("IDCS_CLI_EXTRA_ARGUMENT").arg(positional.join(QLatin1Char(' ')));
        return CliParse::UsageError;
    }

    // The reader and the program-wide choices.
    const int links = int(parser.isSet(QStringLiteral("tcp"))) + int(parser.isSet(QStringLiteral("udp"))) +
                      int(parser.isSet(QStringLiteral("serial"))) + int(parser.isSet(QStringLiteral("llrp")));
    if (links > 1) {
        *error = LangText("IDCS_CLI_ONE_READER");
        return CliParse::UsageError;
    }
    if (parser.isSet(QStringLiteral("tcp")) || parser.isSet(QStringLiteral("udp"))) {
        const bool tcp = parser.isSet(QStringLiteral("tcp"));
        const QString name = tcp ? QStringLiteral("tcp") : QStringLiteral("udp");
        r.link = tcp ? CliRequest::Link::Tcp : CliRequest::Link::Udp;
        if (!HostPort(parser.value(name), &r.host, &r.port)) {
            *error = Bad(name, parser.value(name));
            return CliParse::UsageError;
        }
    } else if (parser.isSet(QStringLiteral("serial"))) {
        r.link = CliRequest::Link::Serial;
        const QString value = parser.value(QStringLiteral("serial"));
        static const QRegularExpression re(QStringLiteral("^(.+?)(?::(\\d+))?$"));
        const QRegularExpressionMatch m = re.match(value);
        qint64 baud = r.baud;
        if (!m.hasMatch() || (!m.captured(2).isEmpty() && !Number(m.captured(2), 1, 4000000, &baud))) {
            *error = Bad(QStringLiteral("serial"), value);
            return CliParse::UsageError;
        }
        r.serialPath = m.captured(1);
        r.baud = static_cast<int>(baud);
    } else if (parser.isSet(QStringLiteral("llrp"))) {
        r.link = CliRequest::Link::Llrp;
        r.port = 5084; // the standard's port
        if (!HostPort(parser.value(QStringLiteral("llrp")), &r.host, &r.port, true)) {
            *error = Bad(QStringLiteral("llrp"), parser.value(QStringLiteral("llrp")));
            return CliParse::UsageError;
        }
    }
    if (parser.isSet(QStringLiteral("family"))) {
        r.family = parser.value(QStringLiteral("family"));
        if (r.family != QLatin1String("6c") && r.family != QLatin1String("gjb")) {
            *error = Bad(QStringLiteral("family"), r.family);
            return CliParse::UsageError;
        }
        if (r.family == QLatin1String("gjb") &&
            (r.link == CliRequest::Link::Udp || r.link == CliRequest::Link::Llrp)) {
            *error =
                LangText("IDCS_CLI_OPTION_NOT_FOR").arg(ReaderOption(r.link), QStringLiteral("--family gjb"));
            return CliParse::UsageError;
        }
        if (r.family == QLatin1String("gjb") && r.command != QLatin1String("info") &&
            r.command != QLatin1String("inventory")) {
            *error = LangText("IDCS_CLI_OPTION_NOT_FOR").arg(QStringLiteral("--family gjb"), r.command);
            return CliParse::UsageError;
        }
    }
    if (parser.isSet(QStringLiteral("lang"))) {
        r.lang = parser.value(QStringLiteral("lang"));
        if (r.lang != QLatin1String("en") && r.lang != QLatin1String("zh")) {
            *error = Bad(QStringLiteral("lang"), r.lang);
            return CliParse::UsageError;
        }
    }
    if (r.needsReader() && r.link == CliRequest::Link::None) {
        *error = LangText("IDCS_CLI_NO_READER");
        return CliParse::UsageError;
    }

    const auto value = [&parser](const char* name) { return parser.value(QLatin1String(name)); };
    const auto isSet = [&parser](const char* name) { return parser.isSet(QLatin1String(name)); };
    const auto missing = [error](const QString& what) {
        *error = LangText("IDCS_CLI_MISSING").arg(what);
        return CliParse::UsageError;
    };
    // Positional arguments a command does not take.
    const auto noMore = [&positional, error](int allowedCount) {
        if (positional.size() > allowedCount) {
            *error =
                LangText("IDCS_CLI_EXTRA_ARGUMENT").arg(positional.mid(allowedCount).join(QLatin1Char(' ')));
            return false;
        }
        return true;
    };

    // --format and --mqtt, shared by inventory and serve.
    const auto rowOptions = [&r, &value, &isSet, error]() {
        if (isSet("format")) {
            if (value("format") != QLatin1String("csv") && value("format") != QLatin1String("jsonl")) {
                *error = Bad(QStringLiteral("format"), value("format"));
                return false;
            }
            r.jsonl = value("format") == QLatin1String("jsonl");
        }
        if (isSet("mqtt")) {
            MqttPublisher::Url url;
            if (!MqttPublisher::ParseUrl(value("mqtt"), &url)) {
                *error = Bad(QStringLiteral("mqtt"), value("mqtt"));
                return false;
            }
            r.mqtt = value("mqtt");
        }
        return true;
    };

    if (r.command == QLatin1String("info")) {
        if (!noMore(0)) {
            return CliParse::UsageError;
        }
    } else if (r.command == QLatin1String("inventory")) {
        if (!noMore(0)) {
            return CliParse::UsageError;
        }
        if (isSet("seconds") && !Seconds(value("seconds"), &r.seconds)) {
            *error = Bad(QStringLiteral("seconds"), value("seconds"));
            return CliParse::UsageError;
        }
        if (isSet("count") && !Number(value("count"), 1, std::numeric_limits<qint64>::max(), &r.count)) {
            *error = Bad(QStringLiteral("count"), value("count"));
            return CliParse::UsageError;
        }
        if (isSet("type")) {
            const QStringList types = {QStringLiteral("epc"), QStringLiteral("tid"),
                                       QStringLiteral("epc+tid")};
            r.readType = static_cast<int>(types.indexOf(value("type")));
            if (r.readType < 0) {
                *error = Bad(QStringLiteral("type"), value("type"));
                return CliParse::UsageError;
            }
        }
        if (isSet("antennas")) {
            for (const QString& part : value("antennas").split(QLatin1Char(','))) {
                qint64 a = 0;
                if (!Number(part.trimmed(), 1, 4, &a) || r.antennas.contains(static_cast<int>(a))) {
                    *error = Bad(QStringLiteral("antennas"), value("antennas"));
                    return CliParse::UsageError;
                }
                r.antennas.append(static_cast<int>(a));
            }
        }
        if (r.family == QLatin1String("gjb") && r.readType != 0) {
            // A GJB report carries the tag's ID only.
            *error = LangText("IDCS_CLI_OPTION_NOT_FOR")
                         .arg(QStringLiteral("--type ") + value("type"), QStringLiteral("--family gjb"));
            return CliParse::UsageError;
        }
        if (!rowOptions()) {
            return CliParse::UsageError;
        }
    } else if (r.command == QLatin1String("read") || r.command == QLatin1String("write")) {
        const bool write = r.command == QLatin1String("write");
        if (!noMore(0)) {
            return CliParse::UsageError;
        }
        if (!isSet("bank")) {
            return missing(QStringLiteral("--bank"));
        }
        r.bank = value("bank");
        const QStringList banks = write ? QStringList{QStringLiteral("epc"), QStringLiteral("user")}
                                        : QStringList{QStringLiteral("epc"), QStringLiteral("tid"),
                                                      QStringLiteral("user"), QStringLiteral("reserved")};
        if (!banks.contains(r.bank)) {
            *error = Bad(QStringLiteral("bank"), r.bank);
            return CliParse::UsageError;
        }
        qint64 n = 0;
        if (!isSet("start")) {
            return missing(QStringLiteral("--start"));
        }
        if (!Number(value("start"), 0, kMaxStartWord, &n)) {
            *error = Bad(QStringLiteral("start"), value("start"));
            return CliParse::UsageError;
        }
        r.start = static_cast<int>(n);
        if (isSet("antenna")) {
            if (!Number(value("antenna"), 1, 4, &n)) {
                *error = Bad(QStringLiteral("antenna"), value("antenna"));
                return CliParse::UsageError;
            }
            r.antenna = static_cast<int>(n);
        }
        if (isSet("password")) {
            const QString hex = TagOpHex::clean(value("password"));
            if (hex.size() != 8 || !TagOpHex::isValidHex(hex)) {
                *error = Bad(QStringLiteral("password"), value("password"));
                return CliParse::UsageError;
            }
            r.password = QByteArray::fromHex(hex.toLatin1());
        }
        if (write) {
            if (!isSet("data")) {
                return missing(QStringLiteral("--data"));
            }
            const QString hex = TagOpHex::clean(value("data"));
            const int maxWords =
                r.bank == QLatin1String("epc") ? TagOpHex::kMaxEpcWords : TagOpHex::kMaxUserWords;
            if (!TagOpHex::isValidHex(hex) || hex.size() % 4 != 0 || hex.size() / 4 > maxWords) {
                *error = Bad(QStringLiteral("data"), value("data"));
                return CliParse::UsageError;
            }
            // The EPC call writes the whole code: there is no start word to give it.
            if (r.bank == QLatin1String("epc") && r.start != 0) {
                *error = Bad(QStringLiteral("start"), value("start"));
                return CliParse::UsageError;
            }
            r.data = QByteArray::fromHex(hex.toLatin1());
            r.words = static_cast<int>(r.data.size() / 2);
        } else {
            if (!isSet("words")) {
                return missing(QStringLiteral("--words"));
            }
            if (!Number(value("words"), 1, TagOpHex::kMaxUserWords, &n)) {
                *error = Bad(QStringLiteral("words"), value("words"));
                return CliParse::UsageError;
            }
            r.words = static_cast<int>(n);
            if (r.start + r.words - 1 > kMaxStartWord) {
                *error = Bad(QStringLiteral("words"), value("words"));
                return CliParse::UsageError;
            }
        }
    } else if (r.command == QLatin1String("config")) {
        if (positional.isEmpty()) {
            return missing(QStringLiteral("get|set|export|import"));
        }
        r.configVerb = positional.takeFirst();
        if (r.configVerb == QLatin1String("get")) {
            r.keys = positional;
            for (const QString& key : r.keys) {
                if (!ConfigKeys::IsKey(key)) {
                    *error = LangText("IDCS_CLI_UNKNOWN_KEY").arg(key);
                    return CliParse::UsageError;
                }
            }
        } else if (r.configVerb == QLatin1String("set")) {
            if (positional.isEmpty()) {
                return missing(QStringLiteral("KEY=VALUE"));
            }
            for (const QString& item : positional) {
                const int eq = static_cast<int>(item.indexOf(QLatin1Char('=')));
                const QString key = eq < 0 ? item : item.left(eq);
                if (!ConfigKeys::IsKey(key)) {
                    *error = LangText("IDCS_CLI_UNKNOWN_KEY").arg(key);
                    return CliParse::UsageError;
                }
                if (eq < 0) {
                    return missing(item + QStringLiteral("=VALUE"));
                }
                const QString v = item.mid(eq + 1);
                if (ConfigKeys::CheckValue(key, v).status != ConfigKeys::Status::Ok) {
                    *error = LangText("IDCS_CLI_BAD_SETTING").arg(key, v);
                    return CliParse::UsageError;
                }
                r.assignments.append({key, v});
            }
        } else if (r.configVerb == QLatin1String("export") || r.configVerb == QLatin1String("import")) {
            if (positional.isEmpty()) {
                return missing(QStringLiteral("FILE"));
            }
            r.file = positional.takeFirst();
            if (!noMore(0)) {
                return CliParse::UsageError;
            }
        } else {
            *error = LangText("IDCS_CLI_UNKNOWN_COMMAND").arg(QStringLiteral("config ") + r.configVerb);
            return CliParse::UsageError;
        }
    } else if (r.command == QLatin1String("clock")) {
        if (positional.isEmpty()) {
            return missing(QStringLiteral("get|set"));
        }
        const QString verb = positional.takeFirst();
        if (verb == QLatin1String("get")) {
            if (!noMore(0)) {
                return CliParse::UsageError;
            }
        } else if (verb == QLatin1String("set")) {
            if (positional.isEmpty()) {
                return missing(QStringLiteral("now|\"YYYY-MM-DD HH:MM:SS\""));
            }
            const QString when = positional.join(QLatin1Char(' '));
            r.clockSet = true;
            if (when == QLatin1String("now")) {
                r.clockNow = true;
            } else {
                r.clockValue = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                // The reader keeps the year within its century.
                if (!r.clockValue.isValid() || r.clockValue.date().year() < 2000 ||
                    r.clockValue.date().year() > 2099) {
                    *error = LangText("IDCS_CLI_BAD_ARGUMENT").arg(when);
                    return CliParse::UsageError;
                }
            }
        } else {
            *error = LangText("IDCS_CLI_UNKNOWN_COMMAND").arg(QStringLiteral("clock ") + verb);
            return CliParse::UsageError;
        }
    } else if (r.command == QLatin1String("discover")) {
        if (!noMore(0)) {
            return CliParse::UsageError;
        }
        if (isSet("seconds") && !Seconds(value("seconds"), &r.discoverSeconds)) {
            *error = Bad(QStringLiteral("seconds"), value("seconds"));
            return CliParse::UsageError;
        }
        if (isSet("to")) {
            QString host;
            int port = 0;
            if (!HostPort(value("to"), &host, &port, true)) {
                *error = Bad(QStringLiteral("to"), value("to"));
                return CliParse::UsageError;
            }
            r.discoverTo = value("to");
        }
    } else if (r.command == QLatin1String("serve")) {
        if (!noMore(0)) {
            return CliParse::UsageError;
        }
        if (r.link != CliRequest::Link::None) {
            // The readers come to the server; none is reached from here.
            *error = LangText("IDCS_CLI_OPTION_NOT_FOR").arg(ReaderOption(r.link), r.command);
            return CliParse::UsageError;
        }
        if (!isSet("listen")) {
            return missing(QStringLiteral("--listen HOST:PORT"));
        }
        if (!HostPort(value("listen"), &r.listenHost, &r.listenPort)) {
            *error = Bad(QStringLiteral("listen"), value("listen"));
            return CliParse::UsageError;
        }
        if (!rowOptions()) {
            return CliParse::UsageError;
        }
    } else if (r.command == QLatin1String("firmware")) {
        if (positional.isEmpty()) {
            return missing(QStringLiteral("FILE"));
        }
        r.file = positional.takeFirst();
        if (!noMore(0)) {
            return CliParse::UsageError;
        }
        qint64 n = 0;
        if (!isSet("kind")) {
            return missing(QStringLiteral("--kind"));
        }
        if (!Number(value("kind"), 0, 2, &n)) {
            *error = Bad(QStringLiteral("kind"), value("kind"));
            return CliParse::UsageError;
        }
        r.kind = static_cast<int>(n);
        r.tftpPort = Firmware::kDefaultTftpPort;
        if (isSet("tftp-port")) {
            if (!Number(value("tftp-port"), 1, 65535, &n)) {
                *error = Bad(QStringLiteral("tftp-port"), value("tftp-port"));
                return CliParse::UsageError;
            }
            r.tftpPort = static_cast<int>(n);
        }
    }
    *out = r;
    return CliParse::Run;
}

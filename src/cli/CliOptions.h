#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// rivulet-cli's command line, checked in full before anything is sent.
struct CliRequest
{
    enum class Link
    {
        None,
        Tcp,
        Udp,
        Serial,
        Llrp
    };
    Link link = Link::None;
    QString host;
    int port = 0;
    QString serialPath;
    int baud = 115200;
    QString family = QStringLiteral("6c");
    QString lang = QStringLiteral("en");
    QString command;

    // inventory
    double seconds = 0; // 0: until --count or Ctrl-C
    qint64 count = 0;
    int readType = 0; // 0 EPC, 1 TID, 2 EPC and TID
    QList<int> antennas;
    bool jsonl = false;
    QString mqtt;

    // read, write
    QString bank;
    int start = 0;
    int words = 0;
    QByteArray password = QByteArray(4, '\0');
    QByteArray data;
    int antenna = 1;

    // config
    QString configVerb;
    QStringList keys;
    QList<QPair<QString, QString>> assignments;
    QString file;

    // clock
    bool clockSet = false;
    bool clockNow = false;
    QDateTime clockValue;

    // discover
    QString discoverTo;
    double discoverSeconds = 3;

    // serve
    QString listenHost;
    int listenPort = 0;

    // firmware
    int kind = -1;
    int tftpPort = 69;

    bool needsReader() const;
};

enum class CliParse
{
    Run,
    Help,
    HelpConfig,
    Version,
    UsageError
};

// The language given by --lang ("en" or "zh"), looked for before the rest is parsed so every
// message of the parse comes in it. Empty when absent or not one of the two.
QString CliLanguage(const QStringList& arguments);

// arguments include the program name. On UsageError *error says why, in the loaded language.
CliParse ParseCli(const QStringList& arguments, CliRequest* out, QString* error);

QString CliHelpText();
QString CliConfigHelpText();

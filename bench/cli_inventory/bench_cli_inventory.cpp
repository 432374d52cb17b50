// rivulet-cli against a simulated reader that sends reports as fast as TCP takes them, CSV to
// /dev/null; then every read also published to a mosquitto broker on loopback, the reader at 20 000
// reports a second. Rows are counted from
// the per-tag summary; none may be lost. Prints `name value unit` lines.
#include "MqttBroker.h"

#include <readersim/launch.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

namespace {

constexpr double kSeconds = 3;
// A broker takes fewer messages a second than TCP carries reports: the reader sends at a fixed rate
// above the bar, and the figure says whether every read reached the broker at that pace.
constexpr double kMqttRate = 20000;

struct Outcome
{
    qint64 rows = 0;
    qint64 published = -1;
    qint64 elapsedMs = 0;
    bool ok = false;
};

// The CLI's summary lines are "KEY<TAB>total<TAB>..."; "published N" follows with --mqtt.
Outcome RunCli(const QStringList& args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rivulet-cli"), args);
    Outcome o;
    if (!p.waitForFinished(600000)) {
        p.kill();
        p.waitForFinished();
        return o;
    }
    o.elapsedMs = clock.elapsed();
    for (const QByteArray& line : p.readAllStandardError().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 3) {
            o.rows += fields[1].toLongLong();
        } else if (line.startsWith("published ")) {
            o.published = line.mid(10).toLongLong();
        } else if (!line.isEmpty()) {
            std::fprintf(stderr, "rivulet-cli: %s\n", line.constData());
        }
    }
    o.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return o;
}

std::unique_ptr<readersim::Simulator> StartReader(double rate)
{
    readersim::Options o;
    o.tags = 200;
    o.rate = rate;
    std::string error;
    auto sim = readersim::startInProcess(o, &error);
    if (!sim) {
        std::fprintf(stderr, "readersim: %s\n", error.c_str());
    }
    return sim;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    const QString seconds = QString::number(kSeconds);

    auto sim = StartReader(0);
    if (!sim) {
        return 1;
    }
    const QStringList link{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort())};
    Outcome csv = RunCli(link + QStringList{"inventory", "--seconds", seconds});
    const auto sent = static_cast<qint64>(sim->reportsSent());
    std::printf("cli.reports_per_s %.0f 1/s\n", static_cast<double>(csv.rows) / kSeconds);
    std::printf("cli.lost %lld 1\n", static_cast<long long>(sent - csv.rows));
    ok = ok && csv.ok && csv.rows == sent && csv.rows / kSeconds >= 20000;

    MqttBroker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return 1;
    }
    MqttSubscriber subscriber(broker.port(), "bench/reads");
    for (int i = 0; i < 1000 && !subscriber.subscribed(); ++i) {
        QThread::msleep(10);
    }
    sim = StartReader(kMqttRate);
    if (!sim) {
        return 1;
    }
    const QStringList link2{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort())};
    const QString url = QStringLiteral("mqtt://127.0.0.1:%1/bench/reads").arg(broker.port());
    Outcome mqtt = RunCli(link2 + QStringList{"inventory", "--seconds", seconds, "--mqtt", url});
    const auto sent2 = static_cast<qint64>(sim->reportsSent());
    // Until the last message is acknowledged, counted from the start of the program.
    const double rate =
        mqtt.elapsedMs > 0 ? static_cast<double>(mqtt.published) * 1000.0 / mqtt.elapsedMs : 0;
    for (int i = 0; i < 3000 && subscriber.messages().size() < mqtt.published; ++i) {
        QThread::msleep(10);
    }
    std::printf("cli.mqtt.reports_per_s %.0f 1/s\n", rate);
    std::printf("cli.mqtt.lost %lld 1\n", static_cast<long long>(sent2 - mqtt.published));
    std::printf("cli.mqtt.received %lld 1\n", static_cast<long long>(subscriber.messages().size()));
    ok = ok && mqtt.ok && mqtt.published == sent2 && mqtt.rows == sent2 && rate >= 10000 &&
         subscriber.messages().size() >= mqtt.published;
    return ok ? 0 : 1;
}

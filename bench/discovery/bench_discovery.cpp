// One discovery run against 254 simulated readers on 127.0.0.1 that all answer the one query at once:
// how many are listed, and when the result is known (the collection lasts three seconds).
// Prints `name value unit` lines.
#include "core/discovery/DiscoveryRun.h"

#include <readersim/discovery.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    readersim::DiscoveryOptions o;
    o.readers = 254;
    readersim::DiscoveryResponder responder(o);
    std::string error;
    if (!responder.start(&error)) {
        std::fprintf(stderr, "discovery responder: %s\n", error.c_str());
        return 1;
    }
    const Discovery::Target target =
        Discovery::ResolveTarget(QStringLiteral("127.0.0.1:%1").arg(responder.port()), QString(), 0);
    QSet<QString> addresses;
    int answers = 0;
    QElapsedTimer clock;
    clock.start();
    const Discovery::Outcome outcome = Discovery::Run(target, [&](const QString& ip, const QString&) {
        addresses.insert(ip);
        ++answers;
    });
    const qint64 resultMs = clock.elapsed();
    std::printf("discovery.found.254 %lld 1\n", static_cast<long long>(addresses.size()));
    std::printf("discovery.answers %d 1\n", answers);
    std::printf("discovery.result_ms %lld ms\n", static_cast<long long>(resultMs));
    return outcome == Discovery::Outcome::Found && addresses.size() == 254 ? 0 : 1;
}

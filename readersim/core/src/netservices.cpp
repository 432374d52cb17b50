#include "readersim/netservices.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace readersim {

const char* const kNetServicesUsage =
    "Network services:\n"
    "  --discovery HOST:PORT  answer discovery queries (HOST may be 0.0.0.0 to hear loopback\n"
    "                         broadcasts; only loopback senders are answered)\n"
    "  --name NAME            the name in discovery answers (default: the reader's identity name)\n"
    "  --readers N            answer a query as N readers with distinct addresses (default 1)\n"
    "  --tftp HOST:PORT       receive files by TFTP, answering from this port\n"
    "  --tftp-dir DIR         keep each received file in DIR under its name\n"
    "  --duplicate P          deliver a TFTP packet twice with probability P, 0..1 (default 0);\n"
    "                         --drop applies to TFTP packets too\n";

namespace {

bool toNumber(const char* s, double lo, double hi, double* out)
{
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    if (errno != 0 || end == s || *end != '\0' || !(v >= lo && v <= hi)) {
        return false;
    }
    *out = v;
    return true;
}

std::string numeric(const std::string& host)
{
    return host == "localhost" ? std::string("127.0.0.1") : host;
}

} // namespace

int parseNetServicesOption(const std::string& option, const char* value, NetServicesOptions* o,
                           std::string* error)
{
    double n = 0;
    auto bad = [&](const char* what) {
        *error = std::string("bad ") + option + " " + what + ": " + value;
        return -1;
    };
    if (option == "--discovery") {
        if (!parseHostPort(value, &o->discoveryHost, &o->discoveryPort)) {
            return bad("HOST:PORT");
        }
        o->discovery = true;
    } else if (option == "--tftp") {
        if (!parseHostPort(value, &o->tftpHost, &o->tftpPort)) {
            return bad("HOST:PORT");
        }
        o->tftp = true;
    } else if (option == "--name") {
        o->name = value;
    } else if (option == "--readers") {
        if (!toNumber(value, 1, 65535, &n) || n != static_cast<int>(n)) {
            return bad("(1..65535)");
        }
        o->readers = static_cast<int>(n);
    } else if (option == "--tftp-dir") {
        o->tftpDir = value;
    } else if (option == "--duplicate") {
        if (!toNumber(value, 0, 1, &o->duplicateP)) {
            return bad("(0..1)");
        }
    } else {
        return 0;
    }
    return 1;
}

NetServices::NetServices(Simulator& sim, NetServicesOptions options) : sim_(sim), o_(std::move(options)) {}

NetServices::~NetServices()
{
    if (tftp_) {
        sim_.model().setUpdateCheck(nullptr);
    }
}

bool NetServices::start(std::string* error)
{
    const Options& so = sim_.options();
    if (o_.discovery) {
        DiscoveryOptions d;
        d.host = o_.discoveryHost;
        d.port = o_.discoveryPort;
        d.readers = o_.readers;
        d.allowAnyAddress = so.allowAnyAddress;
        // The address a client can connect to: where the command endpoints listen.
        d.firstAddress = numeric(so.tcpHost);
        d.name = o_.name;
        if (d.name.empty()) {
            std::vector<uint8_t> identity;
            sim_.model().sysInfQuery(0, &identity);
            d.name.assign(identity.begin(), identity.end());
        }
        discovery_ = std::make_unique<DiscoveryResponder>(d);
        if (!discovery_->start(error)) {
            return false;
        }
    }
    if (o_.tftp) {
        struct stat st
        {
        };
        if (!o_.tftpDir.empty() && (::stat(o_.tftpDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            *error = "--tftp-dir is not a folder: " + o_.tftpDir;
            return false;
        }
        TftpOptions t;
        t.host = o_.tftpHost;
        t.port = o_.tftpPort;
        t.dir = o_.tftpDir;
        t.allowAnyAddress = so.allowAnyAddress;
        t.dropP = so.dropP;
        t.duplicateP = o_.duplicateP;
        t.seed = so.seed;
        tftp_ = std::make_unique<TftpServer>(t);
        if (!tftp_->start(error)) {
            return false;
        }
        TftpServer* server = tftp_.get();
        sim_.model().setUpdateCheck([server](const UpdateRequest& r) { return server->checkUpdate(r); });
    }
    return true;
}

void NetServices::printEndpoints(std::FILE* out) const
{
    if (discovery_) {
        std::fprintf(out, "discovery %s:%d\n", numeric(o_.discoveryHost).c_str(), discovery_->port());
    }
    if (tftp_) {
        std::fprintf(out, "tftp %s:%d\n", numeric(o_.tftpHost).c_str(), tftp_->port());
    }
}

} // namespace readersim

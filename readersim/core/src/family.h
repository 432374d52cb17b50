// A reader family behind the simulator's links: it carries out requests and makes the inventory's
// reports. The links, sessions, answer cache, pacing and faults around it are the same for every
// family (simulator.cpp and its pieces); `Options::family` chooses one through makeFamily().
#pragma once

#include "readersim/module.h"
#include "readersim/simulator.h"

#include <wire/frame.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace readersim {

// What a request asks of the link layer beyond its answer.
enum class Effect
{
    None,
    Hello,          // a session opens: report counter restarts, UDP peer registered
    Bye,            // the session ends (its inventory stops)
    StartInventory, // this link receives the reports from now on
    StopInventory,
    Reboot // answer first, then drop every link
};

// The link a request came on, as a family sees it.
struct RequestContext
{
    PassThroughModule* module = nullptr; // fitted behind pass-through, or none
    RawLink* raw = nullptr;              // the module's bytes back to this link
};

// Where the inventory's reports go: the link that started it.
class ReportSink
{
public:
    virtual ~ReportSink() = default;
    // The link's report counter, advanced: every report takes a number, sent or not.
    virtual uint32_t nextSequence() = 0;
    // False when the report was not sent (dropped by fault injection, or the link is closing).
    virtual bool send(const wire::Frame& report) = 0;
};

class Family
{
public:
    virtual ~Family() = default;

    // Carries out one request. `answer` gets the request's seq and cmd, a status and a payload.
    virtual Effect handle(const wire::Frame& request, wire::Frame& answer, const RequestContext& context) = 0;

    // Hands up to `max` reports of the running inventory to `sink`; returns how many were made.
    virtual size_t generateReports(size_t max, int64_t nowMs, ReportSink& sink) = 0;
    virtual bool inventoryRunning() const = 0;
    virtual void stopInventory() = 0;
    virtual void reboot() = 0;

    // The IO event frame sent to every session when an input line changed; `observer` is told of a
    // change from any thread.
    virtual void ioEvent(wire::Frame& out) const = 0;
    virtual void setInputObserver(std::function<void()> observer) = 0;

    // Frames the request just handled leaves to follow its answer on the same link (a GJB tag
    // operation's result); each is a report and takes its number from `sink`.
    virtual void followUp(ReportSink& sink) { (void)sink; }

    // The 6C reader's model, or null for another family.
    virtual ReaderModel* model6c() { return nullptr; }
    // The GJB reader's model, or null for another family.
    virtual GjbModel* modelGjb() { return nullptr; }
};

// The family `options.family` names; null (and *error set) for an unknown name.
std::unique_ptr<Family> makeFamily(const Options& options, std::string* error);

std::unique_ptr<Family> makeFamily6C(const Options& options);  // "6c"
std::unique_ptr<Family> makeFamilyGjb(const Options& options); // "gjb"

} // namespace readersim

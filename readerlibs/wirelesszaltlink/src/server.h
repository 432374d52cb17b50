// The server behind a library handle: one event thread (epoll) reads every reader's link and the
// listener, and calls the program back; the registry maps handles and reader values to live objects, so
// a stale value fails instead of being dereferenced.
#pragma once

#include "reader.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wirelesszaltlink {

class Server : public std::enable_shared_from_this<Server>
{
public:
    explicit Server(WIRELESS_HANDLE handle);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool start();
    // Drops every reader and the listener, and ends the event thread.
    void shutdown();

    bool listen(const std::string& ip, int port, WIRELESS_ReaderCallback callback);
    bool stopListening();

    // Registers a reader whose link is open, greets it when asked (readers added by hand: a session, and
    // a UDP reader learns where to send), and announces it. Null when the greeting fails.
    std::shared_ptr<Reader> add(std::unique_ptr<wire::Transport> transport, const WirelessReaderInfo& info,
                                WIRELESS_ReaderCallback callback);
    void remove(const std::shared_ptr<Reader>& reader, bool sayBye);
    // Every reader (of one type, or all with -1).
    void removeAll(int type);

    bool onEventThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    const WIRELESS_HANDLE handle;

private:
    void run();
    void acceptAll();
    void serve(const std::shared_ptr<Reader>& r, uint32_t events);
    void announce(const std::shared_ptr<Reader>& r);
    void post(std::function<void()> job);
    std::shared_ptr<Reader> registerReader(std::unique_ptr<wire::Transport> transport,
                                           WIRELESS_ReaderCallback callback);
    void unregister(const std::shared_ptr<Reader>& r);

    int epoll_ = -1;
    int wake_ = -1;
    std::thread thread_;
    bool stop_ = false; // under mutex_

    std::mutex mutex_; // readers_, listener, jobs, stop_
    std::map<uint64_t, std::shared_ptr<Reader>> readers_;
    uint64_t nextId_ = 2; // 0 the wake-up descriptor, 1 the listener
    int listen_ = -1;
    WIRELESS_ReaderCallback listenCallback_ = nullptr;
    std::vector<std::function<void()>> jobs_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(65536);
};

// --- the registry of live handles and readers ------------------------------------------------------

std::shared_ptr<Server> findServer(WIRELESS_HANDLE handle);
// The live reader of that handle; any handle when handle is 0 and anyHandle is set.
std::shared_ptr<Reader> findReader(WIRELESS_HANDLE handle, WIRELESS_READER reader, bool anyHandle = false);
void publish(const std::shared_ptr<Reader>& r);
void withdraw(const Reader& r);

} // namespace wirelesszaltlink

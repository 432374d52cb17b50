#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

struct mosquitto;

// Publishes messages with QoS 1 to one topic of an MQTT broker. Messages wait in a bounded queue while
// the broker is away; a network thread of its own connects and reconnects with a growing delay (a
// broker that is not up yet included), and the library sends again what it had in flight. Only
// messages the broker acknowledged count as published.
class MqttPublisher
{
public:
    struct Url
    {
        QString host;
        int port = 1883;
        QString topic;
    };
    // "mqtt://HOST[:PORT]/TOPIC"; the topic is everything after the first "/" and holds no wildcard.
    static bool ParseUrl(const QString& text, Url* out);

    explicit MqttPublisher(const Url& url, size_t queueLimit = 200000);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts the network thread; false only when the library cannot be set up (a broker that is not
    // there yet is retried).
    bool Start(QString* error);
    // Queues one message; when the queue is full the oldest waiting one is dropped (and counted).
    void Publish(const QByteArray& payload);
    // Waits until every message is acknowledged or timeoutMs passed; true when none is left.
    bool Drain(int timeoutMs);

    uint64_t Acknowledged() const;
    uint64_t Dropped() const;
    // Waiting plus in flight.
    size_t Unsent() const;
    bool Connected() const;

private:
    static void OnConnect(mosquitto* m, void* self, int rc);
    static void OnDisconnect(mosquitto* m, void* self, int rc);
    static void OnPublish(mosquitto* m, void* self, int mid);
    void NetworkLoop();
    // Hands waiting messages to the library while connected, within the in-flight window.
    void PublishWaiting();
    // Waits ms or until the publisher closes; false when it closes.
    bool Pause(int ms);

    Url m_url;
    QByteArray m_topic;
    size_t m_queueLimit;
    mosquitto* m_mosq = nullptr;
    std::thread m_network;
    std::atomic<bool> m_closing{false};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;

    mutable std::mutex m_mutex;
    std::deque<QByteArray> m_waiting;
    std::set<int> m_inFlight;
    bool m_connected = false;
    uint64_t m_acknowledged = 0;
    uint64_t m_dropped = 0;
};

#include "core/mqtt/MqttPublisher.h"

#include <mosquitto.h>

#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <chrono>

namespace {

// Messages handed to the library and not yet acknowledged; the library sends them again after a
// reconnect, so they are never queued twice.
constexpr size_t kWindow = 1000;
constexpr int kKeepAliveS = 30;
// Reconnect delays: 1 s, doubling up to 30 s.
constexpr int kFirstDelayMs = 1000;
constexpr int kMaxDelayMs = 30000;
// How long the network thread waits for the broker before it looks for new messages.
constexpr int kLoopWaitMs = 5;

void InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

bool MqttPublisher::ParseUrl(const QString& text, Url* out)
{
    static const QRegularExpression re(QStringLiteral("^mqtt://([^/:]+)(?::(\\d{1,5}))?/(.+)$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) {
        return false;
    }
    Url url;
    url.host = m.captured(1);
    if (!m.captured(2).isEmpty()) {
        url.port = m.captured(2).toInt();
        if (url.port < 1 || url.port > 65535) {
            return false;
        }
    }
    url.topic = m.captured(3);
    if (url.topic.contains(QLatin1Char('#')) || url.topic.contains(QLatin1Char('+'))) {
        return false;
    }
    *out = url;
    return true;
}

MqttPublisher::MqttPublisher(const Url& url, size_t queueLimit)
    : m_url(url), m_topic(url.topic.toUtf8()), m_queueLimit(queueLimit == 0 ? 1 : queueLimit)
{
}

MqttPublisher::~MqttPublisher()
{
    m_closing.store(true);
    {
        std::lock_guard<std::mutex> lock(m_pauseMutex);
        m_pauseWake.notify_all();
    }
    if (m_network.joinable()) {
        m_network.join();
    }
    if (m_mosq) {
        mosquitto_disconnect(m_mosq);
        mosquitto_destroy(m_mosq);
    }
}

bool MqttPublisher::Start(QString* error)
{
    InitLibrary();
    m_mosq = mosquitto_new(nullptr, true, this);
    if (!m_mosq) {
        *error = QStringLiteral("cannot create an MQTT client");
        return false;
    }
    // Only the network thread touches the client after this: it publishes what waits, so each message
    // costs one write and no wake-up of another thread.
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttPublisher::OnPublish);
    mosquitto_max_inflight_messages_set(m_mosq, static_cast<unsigned int>(kWindow));
    m_network = std::thread([this] { NetworkLoop(); });
    return true;
}

bool MqttPublisher::Pause(int ms)
{
    std::unique_lock<std::mutex> lock(m_pauseMutex);
    m_pauseWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_closing.load(); });
    return !m_closing.load();
}

void MqttPublisher::NetworkLoop()
{
    const QByteArray host = m_url.host.toUtf8();
    bool everConnected = false;
    bool linked = false;
    int delayMs = kFirstDelayMs;
    while (!m_closing.load()) {
        if (!linked) {
            // The first connect stores the broker; a reconnect keeps what is in flight for resending.
            const int rc = everConnected
                               ? mosquitto_reconnect_async(m_mosq)
                               : mosquitto_connect_async(m_mosq, host.constData(), m_url.port, kKeepAliveS);
            if (rc != MOSQ_ERR_SUCCESS) {
                if (!Pause(delayMs)) {
                    break;
                }
                delayMs = std::min(delayMs * 2, kMaxDelayMs);
                continue;
            }
            linked = true;
        }
        PublishWaiting();
        const int rc = mosquitto_loop(m_mosq, kLoopWaitMs, 1);
        if (rc != MOSQ_ERR_SUCCESS) {
            linked = false;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_connected = false;
            }
            if (!Pause(delayMs)) {
                break;
            }
            delayMs = std::min(delayMs * 2, kMaxDelayMs);
            continue;
        }
        if (Connected()) {
            everConnected = true;
            delayMs = kFirstDelayMs;
        }
    }
}

void MqttPublisher::Publish(const QByteArray& payload)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_waiting.size() >= m_queueLimit) {
        m_waiting.pop_front();
        ++m_dropped;
    }
    m_waiting.push_back(payload);
}

void MqttPublisher::PublishWaiting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (m_connected && !m_waiting.empty() && m_inFlight.size() < kWindow) {
        int mid = 0;
        const QByteArray& payload = m_waiting.front();
        const int rc = mosquitto_publish(m_mosq, &mid, m_topic.constData(), static_cast<int>(payload.size()),
                                         payload.constData(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            break;
        }
        m_inFlight.insert(mid);
        m_waiting.pop_front();
    }
}

bool MqttPublisher::Drain(int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Unsent() > 0 && std::chrono::steady_clock::now() < end) {
        QThread::msleep(5);
    }
    return Unsent() == 0;
}

uint64_t MqttPublisher::Acknowledged() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_acknowledged;
}

uint64_t MqttPublisher::Dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

size_t MqttPublisher::Unsent() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting.size() + m_inFlight.size();
}

bool MqttPublisher::Connected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connected;
}

// The callbacks run on the library's network thread; they only update the counters.
void MqttPublisher::OnConnect(mosquitto*, void* self, int rc)
{
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->m_mutex);
    p->m_connected = rc == 0;
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int)
{
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->m_mutex);
    p->m_connected = false;
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid)
{
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->m_mutex);
    if (p->m_inFlight.erase(mid) > 0) {
        ++p->m_acknowledged;
    }
}

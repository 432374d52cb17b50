#pragma once

// A mosquitto broker of the test's own on a free loopback port, and a subscriber that collects what
// arrives on a topic. Sessions persist in a temporary directory, so a subscriber that is away while
// the broker restarts still gets every message sent meanwhile.
#include "FreePort.h"
#include <mosquitto.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

class MqttBroker
{
public:
    MqttBroker() : m_port(FreeLoopbackPort())
    {
        QFile conf(m_dir.filePath(QStringLiteral("mosquitto.conf")));
        if (conf.open(QIODevice::WriteOnly)) {
            conf.write(
                QStringLiteral(
                    "listener %1 127.0.0.1\nallow_anonymous true\npersistence true\n"
                    "persistence_location %2/\nautosave_interval 0\nmax_queued_messages 0\nuser root\n")
                    .arg(m_port)
                    .arg(m_dir.path())
                    .toUtf8());
        }
    }
    ~MqttBroker() { stop(); }

    // Returns once the broker takes connections.
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("mosquitto"),
                        {QStringLiteral("-c"), m_dir.filePath("mosquitto.conf")});
        if (!m_process.waitForStarted()) {
            return false;
        }
        while (m_process.state() == QProcess::Running) {
            if (Accepts(m_port)) {
                return true;
            }
            m_process.waitForFinished(20);
        }
        return false;
    }
    // SIGTERM: the broker saves its sessions on the way out.
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(30000);
        }
    }
    int port() const { return m_port; }
    QByteArray output() { return m_process.readAll(); }

private:
    QTemporaryDir m_dir;
    int m_port;
    QProcess m_process;
};

class MqttSubscriber
{
public:
    MqttSubscriber(int port, const QByteArray& topic) : m_topic(topic)
    {
        mosquitto_lib_init();
        // A lasting session: messages wait at the broker while this subscriber is away.
        m_mosq = mosquitto_new("rivulet-test-subscriber", false, this);
        mosquitto_connect_callback_set(m_mosq, &MqttSubscriber::onConnect);
        mosquitto_message_callback_set(m_mosq, &MqttSubscriber::onMessage);
        mosquitto_subscribe_callback_set(m_mosq, &MqttSubscriber::onSubscribe);
        mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
        mosquitto_connect_async(m_mosq, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_mosq);
    }
    ~MqttSubscriber()
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, true);
        mosquitto_destroy(m_mosq);
    }
    bool subscribed() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_subscribed;
    }
    QList<QByteArray> messages() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

private:
    static void onConnect(mosquitto* m, void* self, int rc)
    {
        auto* s = static_cast<MqttSubscriber*>(self);
        if (rc == 0) {
            mosquitto_subscribe(m, nullptr, s->m_topic.constData(), 1);
        }
    }
    static void onSubscribe(mosquitto*, void* self, int, int, const int*)
    {
        auto* s = static_cast<MqttSubscriber*>(self);
        std::lock_guard<std::mutex> lock(s->m_mutex);
        s->m_subscribed = true;
    }
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message)
    {
        auto* s = static_cast<MqttSubscriber*>(self);
        std::lock_guard<std::mutex> lock(s->m_mutex);
        s->m_messages.append(QByteArray(static_cast<const char*>(message->payload), message->payloadlen));
    }

    QByteArray m_topic;
    mosquitto* m_mosq = nullptr;
    mutable std::mutex m_mutex;
    bool m_subscribed = false;
    QList<QByteArray> m_messages;
};

// A loopback relay with a fixed delay, shared by the benchmarks that measure a link with more
// latency than loopback: it holds every chunk a fixed time in each direction and counts the
// client's round trips.
//
// Header only, because bench/CMakeLists.txt makes one program of every .cpp file here.

#pragma once

#include "BenchCatalogue.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velkora::bench {

// Accepts connections on 127.0.0.1 (a port the system picks) and relays each to the server's port
// on 127.0.0.1 (benchServer()). Every chunk read from either side is written to the other side 5 ms
// (the given delay) after it arrived, in the order it arrived; the reader goes on reading
// meanwhile, so the link adds latency without limiting throughput. It also counts round trips: a
// chunk from the client that follows a chunk from the server starts a new exchange.
//
// Everything is bounded: at most maxConnections connections, every loop wakes at least every 20 ms
// and ends when the relay is destroyed or its lifetime is over.
class DelayRelay
{
    using Clock = std::chrono::steady_clock;

public:
    DelayRelay(std::chrono::microseconds oneWay, std::chrono::seconds lifetime, int maxConnections = 64)
        : m_delay(oneWay)
        , m_serverPort(benchServer().port)
        , m_deadline(Clock::now() + lifetime)
        , m_maxConnections(maxConnections)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
            || ::listen(m_listen, 16) != 0)
            throw std::runtime_error("relay: cannot listen on 127.0.0.1");
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }

    ~DelayRelay()
    {
        m_stop = true;
        m_acceptor.join();
        for (auto& c : m_connections)
            c->join();
        ::close(m_listen);
    }

    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    int port() const { return m_port; }
    long long roundTrips() const { return m_turns.load(); }

private:
    struct Chunk
    {
        Clock::time_point due;
        std::vector<char> bytes; // empty: the sender closed its side
    };

    struct Direction
    {
        int from = -1;
        int to = -1;
        bool fromClient = false;
        std::mutex mutex;
        std::condition_variable ready;
        std::deque<Chunk> queue;
    };

    struct Connection
    {
        Direction up;   // client to server
        Direction down; // server to client
        std::thread threads[4];
        std::atomic<int> finished{0};

        void join()
        {
            for (std::thread& t : threads)
                if (t.joinable())
                    t.join();
            ::close(up.from);
            ::close(up.to);
        }
    };

    bool running() const { return !m_stop && Clock::now() < m_deadline; }

    void acceptLoop()
    {
        int accepted = 0;
        while (running()) {
            // Connections whose four threads are done are closed here.
            for (auto it = m_connections.begin(); it != m_connections.end();) {
                if ((*it)->finished.load() == 4) {
                    (*it)->join();
                    it = m_connections.erase(it);
                } else {
                    ++it;
                }
            }
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            if (++accepted > m_maxConnections) {
                ::close(client);
                continue;
            }
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(m_serverPort);
            if (server < 0 || ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                ::close(client);
                if (server >= 0)
                    ::close(server);
                continue;
            }
            const int one = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            auto c = std::make_unique<Connection>();
            c->up.from = client;
            c->up.to = server;
            c->up.fromClient = true;
            c->down.from = server;
            c->down.to = client;
            Connection* raw = c.get();
            c->threads[0] = std::thread([this, raw] { reader(*raw, raw->up); });
            c->threads[1] = std::thread([this, raw] { writer(*raw, raw->up); });
            c->threads[2] = std::thread([this, raw] { reader(*raw, raw->down); });
            c->threads[3] = std::thread([this, raw] { writer(*raw, raw->down); });
            m_connections.push_back(std::move(c));
        }
    }

    void push(Direction& d, Chunk chunk)
    {
        {
            const std::lock_guard lock(d.mutex);
            d.queue.push_back(std::move(chunk));
        }
        d.ready.notify_one();
    }

    void reader(Connection& c, Direction& d)
    {
        std::vector<char> buffer(65536);
        while (running()) {
            pollfd p{d.from, POLLIN, 0};
            const int r = ::poll(&p, 1, 20);
            if (r == 0 || (r < 0 && errno == EINTR))
                continue;
            const ssize_t n = r < 0 ? -1 : ::recv(d.from, buffer.data(), buffer.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                break;
            if (d.fromClient) {
                if (m_lastFromServer.exchange(false))
                    ++m_turns;
            } else {
                m_lastFromServer = true;
            }
            push(d, Chunk{Clock::now() + m_delay, std::vector<char>(buffer.data(), buffer.data() + n)});
        }
        push(d, Chunk{Clock::now() + m_delay, {}});
        ++c.finished;
    }

    void writer(Connection& c, Direction& d)
    {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(d.mutex);
                d.ready.wait_for(lock, std::chrono::milliseconds(20), [&] { return !d.queue.empty(); });
                if (d.queue.empty()) {
                    if (!running())
                        break;
                    continue;
                }
                chunk = std::move(d.queue.front());
                d.queue.pop_front();
            }
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.empty()) {
                ::shutdown(d.to, SHUT_WR);
                break;
            }
            std::size_t sent = 0;
            bool failed = false;
            while (sent < chunk.bytes.size() && !failed) {
                const ssize_t n = ::send(d.to, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                if (n > 0)
                    sent += static_cast<std::size_t>(n);
                else if (!(n < 0 && errno == EINTR))
                    failed = true;
            }
            if (failed) {
                // The receiving side is gone: both readers of the connection see the end.
                ::shutdown(d.to, SHUT_RDWR);
                ::shutdown(d.from, SHUT_RDWR);
                break;
            }
        }
        ++c.finished;
    }

    const std::chrono::microseconds m_delay;
    const quint16 m_serverPort; // the port of the server on 127.0.0.1 the relay forwards to
    const Clock::time_point m_deadline;
    const int m_maxConnections;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_lastFromServer{true};
    std::atomic<long long> m_turns{0};
    std::thread m_acceptor;
    std::list<std::unique_ptr<Connection>> m_connections; // touched by the acceptor thread only
};

} // namespace velkora::bench

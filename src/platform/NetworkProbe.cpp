#include "platform/NetworkProbe.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velkora::platform {

namespace {

// One address: Answers, Refused or NoAnswer within what is left of the time.
Reachability tryAddress(const addrinfo& address, int milliseconds)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0)
        return Reachability::Refused;
    Reachability result = Reachability::Refused;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        result = Reachability::Answers;
    } else if (errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int ready;
        do
            ready = ::poll(&p, 1, milliseconds);
        while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            result = Reachability::NoAnswer;
        } else if (ready > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            result = error == 0 ? Reachability::Answers : Reachability::Refused;
        }
    }
    ::close(fd);
    return result;
}

} // namespace

Reachability probeTcp(const QString& host, quint16 port, int timeoutMilliseconds)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.toLocal8Bit().constData(), QByteArray::number(port).constData(), &hints,
                      &addresses) != 0)
        return Reachability::Unknown;
    QElapsedTimer clock;
    clock.start();
    // Every address of the name shares the time; the first that answers settles it.
    Reachability result = Reachability::Refused;
    for (const addrinfo* a = addresses; a; a = a->ai_next) {
        const int left = timeoutMilliseconds - static_cast<int>(clock.elapsed());
        if (left <= 0) {
            result = Reachability::NoAnswer;
            break;
        }
        const Reachability r = tryAddress(*a, left);
        if (r == Reachability::Answers) {
            result = r;
            break;
        }
        if (r == Reachability::NoAnswer)
            result = r;
    }
    ::freeaddrinfo(addresses);
    return result;
}

} // namespace velkora::platform

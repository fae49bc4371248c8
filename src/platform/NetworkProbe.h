#pragma once

#include <QString>

namespace velkora::platform {

// Whether a TCP server answers on a host and port within a time, tried before a connection whose
// own attempt would wait for the operating system's TCP time-out (minutes) when the host is off
// or the network drops every packet.
enum class Reachability
{
    Answers,   // a connection was made (and closed at once)
    Refused,   // the host said no (nobody listens, or no route): a real attempt fails at once too
    NoAnswer,  // nothing came back within the time
    Unknown,   // the name could not be resolved: a real attempt says why
};

Reachability probeTcp(const QString& host, quint16 port, int timeoutMilliseconds);

} // namespace velkora::platform

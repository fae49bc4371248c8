#pragma once

#include <QString>

namespace velkora::platform {

// What a box says about a failure: an Italian sentence that tells the user what failed, and the
// technical text (the database engine's own words, say) that goes into the box's detail and the
// program's warning output, never into the message itself.
struct FailureText
{
    QString message;
    QString detail;
};

// Implemented by the exceptions whose own text is not written for the user (the database
// engine's English messages, programming mistakes): they say in Italian what failed. The event
// loop and every box that reports such an exception use it, so the words are chosen in one place.
class DescribedFailure
{
public:
    virtual FailureText describe() const = 0;

protected:
    ~DescribedFailure() = default;
};

} // namespace velkora::platform

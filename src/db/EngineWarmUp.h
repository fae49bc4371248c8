#pragma once

#include <thread>

namespace velkora::db {

// Loads the embedded engine in a thread of its own while the caller goes on (the program starts
// its window system meanwhile): the engine's libraries, its configuration and its character sets
// are made ready by an attachment that cannot succeed, to a file in a folder that does not exist,
// through the embedded provider alone, so nothing is opened, created or locked and no server is
// asked. The first real attachment then finds the engine loaded. Whatever the attempt meets is
// no concern of anyone: the real attachment reports its own failures.
class EngineWarmUp
{
public:
    EngineWarmUp();
    // Waits for the thread.
    ~EngineWarmUp();
    EngineWarmUp(const EngineWarmUp&) = delete;
    EngineWarmUp& operator=(const EngineWarmUp&) = delete;

    // Waits until the engine is loaded (at once when it is already).
    void wait();

private:
    std::thread m_thread;
};

} // namespace velkora::db

#include "storage/ServerPrompt.h"

#include <atomic>

namespace velkora {

namespace {

std::atomic<ServerPrompt*> g_prompt{nullptr};

} // namespace

ServerPrompt* ServerPrompt::installed()
{
    return g_prompt.load();
}

void ServerPrompt::install(ServerPrompt* prompt)
{
    g_prompt.store(prompt);
}

} // namespace velkora

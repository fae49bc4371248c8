#include "db/EngineWarmUp.h"

#include "db/FbClient.h"

#include <string>

namespace velkora::db {

namespace {

void caricaMotore()
{
    // The embedded provider only: the default list would go on to a server on this machine.
    const std::string config = "Providers=Engine12";
    std::string dpb;
    dpb += static_cast<char>(isc_dpb_version1);
    dpb += static_cast<char>(isc_dpb_config);
    dpb += static_cast<char>(config.size());
    dpb += config;
    // A folder that does not exist: the open fails before any file is touched.
    const char* const percorso = "/nonexistent-velkora-warm-up/velkora-warm-up.fdb";
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = 0;
    isc_attach_database(status, 0, percorso, &handle, static_cast<short>(dpb.size()),
                        dpb.data());
    if (handle != 0)
        isc_detach_database(status, &handle);
}

} // namespace

EngineWarmUp::EngineWarmUp() : m_thread(caricaMotore) {}

EngineWarmUp::~EngineWarmUp()
{
    wait();
}

void EngineWarmUp::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace velkora::db

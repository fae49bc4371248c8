#include <velkora/kit/FinestraArchivio.h>
#include <velkora/kit/FinestreModulo.h>
#include <velkora/platform/Environment.h>

namespace velkora::kit {

namespace {

// The archive windows the module has open (each module library has its own copy of the kit).
FinestreModulo<FinestraArchivio>& finestre()
{
    static FinestreModulo<FinestraArchivio> aperte;
    return aperte;
}

std::function<bool(const FinestraArchivio&)> stessa(const DescrizioneArchivio& descrizione,
                                                   qint32 numUser)
{
    return [&descrizione, numUser](const FinestraArchivio& f) {
        return f.numUser() == numUser && &f.descrizione() == &descrizione;
    };
}

std::function<FinestraArchivio*()> crea(const DescrizioneArchivio& descrizione, qint32 numUser)
{
    return [&descrizione, numUser] {
        return new FinestraArchivio(descrizione, numUser, platform::Environment::process());
    };
}

} // namespace

FinestraArchivio* apriFinestraArchivio(const DescrizioneArchivio& descrizione, qint32 numUser,
                                       qint32 idFinestra)
{
    return finestre().apri(stessa(descrizione, numUser), crea(descrizione, numUser), idFinestra);
}

void stampaFinestraArchivio(const DescrizioneArchivio& descrizione, qint32 numUser,
                            qint32 idFinestra)
{
    finestre().apriEStampa(stessa(descrizione, numUser), crea(descrizione, numUser), idFinestra);
}

} // namespace velkora::kit

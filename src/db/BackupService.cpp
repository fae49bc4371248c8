#include "db/BackupService.h"

#include "db/DbError.h"
#include "db/FbClient.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace velkora::db {

namespace {

// The largest piece of a stream sent to or asked of the service in one call: the lengths in the
// service's buffers have two bytes.
constexpr qsizetype kPezzo = 32000;
constexpr qsizetype kRisposta = 65000;

void aggiungiTesto1(QByteArray& spb, char tag, const QByteArray& valore)
{
    spb += tag;
    spb += static_cast<char>(std::min<qsizetype>(valore.size(), 255));
    spb += valore.left(255);
}

void aggiungiTesto2(QByteArray& spb, char tag, const QByteArray& valore)
{
    const auto n = static_cast<quint16>(std::min<qsizetype>(valore.size(), 65535));
    spb += tag;
    spb += static_cast<char>(n & 0xff);
    spb += static_cast<char>(n >> 8);
    spb += valore.left(n);
}

void aggiungiIntero(QByteArray& spb, char tag, quint32 valore)
{
    spb += tag;
    for (int i = 0; i < 4; ++i)
        spb += static_cast<char>((valore >> (8 * i)) & 0xff);
}

// One attachment to the service manager, detached by its destructor.
class Servizio
{
public:
    Servizio(const QString& nome, const QString& utente, const QString& password)
    {
        QByteArray spb;
        spb += static_cast<char>(isc_spb_version);
        spb += static_cast<char>(isc_spb_current_version);
        aggiungiTesto1(spb, isc_spb_user_name, utente.toUtf8());
        aggiungiTesto1(spb, isc_spb_password, password.toUtf8());
        const QByteArray nome8 = nome.toLocal8Bit();
        ISC_STATUS_ARRAY status{};
        isc_service_attach(status, static_cast<unsigned short>(nome8.size()), nome8.constData(),
                           &m_handle, static_cast<unsigned short>(spb.size()), spb.constData());
        detail::check(status);
    }
    ~Servizio()
    {
        ISC_STATUS_ARRAY status{};
        if (m_handle)
            isc_service_detach(status, &m_handle);
    }
    Servizio(const Servizio&) = delete;
    Servizio& operator=(const Servizio&) = delete;

    void avvia(const QByteArray& richiesta)
    {
        ISC_STATUS_ARRAY status{};
        isc_service_start(status, &m_handle, nullptr, static_cast<unsigned short>(richiesta.size()),
                          richiesta.constData());
        detail::check(status);
    }

    // Sends `invio` (may be empty) and asks for `voci`; the answer is left in `risposta`.
    // Waits until the service has finished its work (the database closed), polling.
    void attendiFine()
    {
        const QByteArray voce(1, static_cast<char>(isc_info_svc_running));
        std::vector<char> risposta(16);
        for (int i = 0; i < 6000; ++i) {
            chiedi(QByteArray(), voce, risposta);
            if (risposta.at(0) != isc_info_svc_running)
                return; // a service manager that does not tell
            const quint32 attivo = static_cast<unsigned char>(risposta.at(1)) |
                                   (static_cast<unsigned char>(risposta.at(2)) << 8);
            if (attivo == 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void chiedi(const QByteArray& invio, const QByteArray& voci, std::vector<char>& risposta)
    {
        ISC_STATUS_ARRAY status{};
        isc_service_query(status, &m_handle, nullptr, static_cast<unsigned short>(invio.size()),
                          invio.isEmpty() ? nullptr : invio.constData(),
                          static_cast<unsigned short>(voci.size()), voci.constData(),
                          static_cast<unsigned short>(risposta.size()), risposta.data());
        detail::check(status);
    }

private:
    isc_svc_handle m_handle = 0;
};

// An unsigned little-endian number of the service's answer. (isc_vax_integer gives a signed
// value: a piece of 32 KB or more would read as negative.)
quint32 intero(const char* p, int byte)
{
    quint32 v = 0;
    for (int i = byte - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

// The answer's item of `byte` bytes of length and its content must lie within the answer.
void entro(const char* p, int byte, const char* fine)
{
    if (fine - p < byte || static_cast<qint64>(intero(p, byte)) > fine - p - byte)
        throw DbLogicError(QStringLiteral("the backup service's answer is cut short"));
}

[[noreturn]] void rispostaInattesa(char voce)
{
    throw DbLogicError(QStringLiteral("unexpected item %1 in the backup service's answer")
                           .arg(static_cast<int>(static_cast<unsigned char>(voce))));
}

// A piece of an answer: two bytes of length, then the bytes; p moves past it.
QByteArrayView pezzoDi(const char*& p, const char* fine)
{
    entro(p, 2, fine);
    const quint32 n = intero(p, 2);
    const QByteArrayView pezzo(p + 2, n);
    p += 2 + n;
    return pezzo;
}

// Walks the items of one answer of the service. The items that only say "ask again" are handled
// here; every other item goes to leggiVoce, which reads it (moving p past it) and says whether it
// asks for another round, or gives nothing for an item it does not know. True when the service
// has more to say.
bool leggiRisposta(const std::vector<char>& risposta,
                   const std::function<std::optional<bool>(char, const char*&, const char*)>& leggiVoce)
{
    const char* p = risposta.data();
    const char* fine = p + risposta.size();
    bool ancora = false;
    while (p < fine && *p != isc_info_end) {
        const char voce = *p++;
        switch (voce) {
        case isc_info_truncated:
        case isc_info_svc_timeout:
        case isc_info_data_not_ready:
            ancora = true;
            break;
        default: {
            const std::optional<bool> altro = leggiVoce(voce, p, fine);
            if (!altro)
                rispostaInattesa(voce);
            ancora = ancora || *altro;
        }
        }
    }
    return ancora;
}

} // namespace

BackupService::BackupService(const QString& server, const QString& utente, const QString& password)
    : m_server(server), m_utente(utente), m_password(password)
{
}

QString BackupService::serviceName() const
{
    return m_server.isEmpty() ? QStringLiteral("service_mgr")
                              : m_server + QStringLiteral(":service_mgr");
}

void BackupService::backup(const QString& database, const Scrivi& scrivi) const
{
    Servizio servizio(serviceName(), m_utente, m_password);
    QByteArray richiesta;
    richiesta += static_cast<char>(isc_action_svc_backup);
    aggiungiTesto2(richiesta, isc_spb_dbname, QFile::encodeName(database));
    // "stdout": the service hands the backup to this process instead of writing a file on its
    // own machine.
    aggiungiTesto2(richiesta, isc_spb_bkp_file, QByteArrayLiteral("stdout"));
    servizio.avvia(richiesta);

    const QByteArray voci(1, static_cast<char>(isc_info_svc_to_eof));
    std::vector<char> risposta(kRisposta);
    for (;;) {
        servizio.chiedi(QByteArray(), voci, risposta);
        const bool ancora = leggiRisposta(
            risposta, [&](char voce, const char*& p, const char* fine) -> std::optional<bool> {
                if (voce != isc_info_svc_to_eof)
                    return std::nullopt;
                const QByteArrayView dati = pezzoDi(p, fine);
                if (dati.isEmpty())
                    return false;
                scrivi(dati.data(), dati.size());
                return true;
            });
        if (!ancora)
            break;
    }
    servizio.attendiFine();
}

void BackupService::restore(const QString& database, const Leggi& leggi) const
{
    Servizio servizio(serviceName(), m_utente, m_password);
    QByteArray richiesta;
    richiesta += static_cast<char>(isc_action_svc_restore);
    aggiungiTesto2(richiesta, isc_spb_bkp_file, QByteArrayLiteral("stdin"));
    aggiungiTesto2(richiesta, isc_spb_dbname, QFile::encodeName(database));
    // Create only: an existing file is refused, never replaced.
    aggiungiIntero(richiesta, isc_spb_options, isc_spb_res_create);
    servizio.avvia(richiesta);

    QByteArray voci;
    voci += static_cast<char>(isc_info_svc_stdin);
    voci += static_cast<char>(isc_info_svc_line);
    std::vector<char> risposta(kRisposta);
    std::vector<char> pezzo(kPezzo);
    QByteArray invio;
    for (;;) {
        servizio.chiedi(invio, voci, risposta);
        invio.clear();
        quint32 richiesti = 0;
        const bool ancora = leggiRisposta(
            risposta, [&](char voce, const char*& p, const char* fine) -> std::optional<bool> {
                switch (voce) {
                case isc_info_svc_stdin:
                    if (fine - p < 4)
                        throw DbLogicError(
                            QStringLiteral("the backup service's answer is cut short"));
                    richiesti = intero(p, 4);
                    p += 4;
                    return false;
                case isc_info_svc_line:
                    // The service's own lines of progress: nothing to keep.
                    return !pezzoDi(p, fine).isEmpty();
                default:
                    return std::nullopt;
                }
            });
        if (richiesti > 0) {
            const qsizetype quanti =
                leggi(pezzo.data(), std::min<qsizetype>(richiesti, kPezzo));
            // An empty piece tells the service the stream has ended.
            aggiungiTesto2(invio, isc_info_svc_line, QByteArray(pezzo.data(), quanti));
            continue;
        }
        if (!ancora)
            break;
    }
    servizio.attendiFine();
}

} // namespace velkora::db

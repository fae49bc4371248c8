#pragma once

#include "db/Query.h"

#include <QString>
#include <optional>

class QWidget;

namespace velkora {

class ChiamateModulo;
class SessioniLavoro;
class TTabXForm;

namespace platform {
class MessageService;
}

// The five ways a module function is called (ChiamateModulo), named after the operations.
enum class TipoChiamata
{
    DLL,
    DLL2,
    DLLX,
    DLL2X,
    DLL3Y
};

// The kind a function is called through: by the last character of its name ("Y" always with
// window id and plain text, "X" with the window id and, outside mode 1, the counted text; any
// other character, lower-case "x" and "y" included, with the user number alone or, outside mode
// 1, with the counted text).
TipoChiamata tipoChiamata(const QString& funzione, qint32 modo);

// Starts the function behind a menu item: checks the user's security profile, reads the item's
// library, function and parameter text from DETTMENU, checks that the work session is still
// open, logs the call, writes the current company back to the user's row and calls the function.
// Every stop shows its box and ends the dispatch without any further step. The checks read what
// they need in one statement after a single restart of the transaction, so a session closed
// elsewhere is seen; the boxes, the rows written and the failed-statement file are those of the
// checks made one after the other.
class EsecuzioneVoce
{
public:
    struct Contesto
    {
        // The query the profile, item and company statements run on (the main window's
        // statement holder in its no-wait transaction).
        db::Query& query;
        // The current user: NumUser, NomeUser and DittaCorrente.
        TTabXForm& form;
        platform::MessageService& messages;
        // The window the boxes belong to; may be null.
        QWidget* finestra;
        // The user's security profile code, and whether he may skip the profile check.
        qint32 numProfilo = 0;
        bool mantieniStdMin = false;
        // The session check and the call log.
        SessioniLavoro& sessioni;
        const ChiamateModulo& chiamate;
        // The statement that reads the profile, the item, the session and the user's stored
        // company in one round trip; the window keeps it, so it stays prepared from click to
        // click (its text changes only with the user's profile check and the log's layout).
        // Null: one made for this dispatch.
        db::Query* lettura = nullptr;
    };

    explicit EsecuzioneVoce(const Contesto& contesto);

    // Runs the item (programma, menu) in the given mode (1, or 2 for the leaves that pass their
    // parameters). Returns the kind the function was called through, or nothing when the
    // dispatch stopped before the call. A database error of the profile or item statement is
    // thrown before anything is logged.
    std::optional<TipoChiamata> EseguiFunzioneVoce(qint32 programma, qint32 menu, qint32 modo);

private:
    struct Voce
    {
        QString libreria;
        QString funzione;
        QString parametri;
    };
    // What the read found.
    struct Letto;

    // Reads everything the checks need after one restart of the transaction; when every check
    // will pass and the call log has window ids, the read also draws the window id of the call.
    // A database error goes to the caller, before anything is shown or logged.
    Letto leggi(qint32 programma, qint32 menu);

    // The boxes of the stops before the session check.
    void mancaProfilo();
    void mancaVoce(qint32 programma, qint32 menu);
    // False, with its box, when the item names no library or no function.
    bool voceCompleta(qint32 programma, qint32 menu, const Voce& voce);
    TipoChiamata chiama(const Voce& voce, qint32 idFinestra, qint32 modo);
    void errore(const QString& testo);

    Contesto m_contesto;
};

} // namespace velkora

#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include "data/IstruzioneFallita.h"

#include <optional>

namespace velkora {

namespace db {
class Query;
}

// The statements of the work sessions and of the call log, as the text lines the query runs and
// the failed-statement files record. Every value between quotes is escaped (quotes doubled), so
// a function name such as "Dell'Anno" is stored as it is instead of breaking the statement.

// Draws the next session code: the expression, and the statement that selects it.
QString estrazioneNuovaSessione();
QStringList istruzioneNuovaSessione();
// The row of a session opened on the given date and time by the given user.
QStringList istruzioneApriSessione(qint32 codiceSessione, const QDate& data, const QTime& ora,
                                   qint32 numUser);
// Reads the session's row back (one line).
QStringList istruzioneLeggiSessione(qint32 codiceSessione);
// Marks the session closed on the given date and time.
QStringList istruzioneChiudiSessione(qint32 codiceSessione, const QDate& data, const QTime& ora);
// Draws the next window id of the call log: the expression, and the statement that selects it.
QString estrazioneIdFinestra();
QStringList istruzioneNuovoIdFinestra();
// The menu item a call was made for: its program and menu code.
struct VoceChiamata
{
    qint32 programma = 0;
    qint32 menu = 0;
};

// The call-log row of one call; the window id column only when the log has the window columns,
// the item's columns only when an item is given (the log has them).
QStringList istruzioneLogFunzione(qint32 codiceSessione, const QDate& data, const QTime& ora,
                                  const QString& funzione, bool logFinestre, qint32 idFinestra,
                                  const std::optional<VoceChiamata>& voce = std::nullopt);

// The same row with its values bound (:SESSIONE, :DATA, :ORA, :FUNZIONE and :IDFINESTRA), one
// text for every call, so that it stays prepared.
QStringList istruzioneLogFunzioneParametri(bool logFinestre, bool conVoce = false);

// The handles recorded in the call log by the windows opened in a session.
QStringList istruzioneFinestreSessione(qint32 codiceSessione);
// The open sessions of a user (no closing date), in the order the database gives them.
QStringList istruzioneSessioniAperte(qint32 numUser);

} // namespace velkora

#include "sessions/SessionLog.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

#include <QSaveFile>

namespace velkora {

namespace {

using db::quoted;
using db::quotedDate;
using db::quotedInt;
using db::quotedTime;

} // namespace

QString estrazioneNuovaSessione()
{
    return QStringLiteral("GEN_ID(CODICESESSIONENORVILOG,1)");
}

QStringList istruzioneNuovaSessione()
{
    return {QStringLiteral("SELECT ") + estrazioneNuovaSessione() + QStringLiteral(" FROM RDB$DATABASE")};
}

QStringList istruzioneApriSessione(qint32 codiceSessione, const QDate& data, const QTime& ora,
                                   qint32 numUser)
{
    return {
        QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE,DATAAPERTURA,ORAAPERTURA,"),
        QStringLiteral("CODICEUTENTE) VALUES("),
        quotedInt(codiceSessione) + QLatin1Char(','),
        quotedDate(data) + QLatin1Char(','),
        quotedTime(ora) + QLatin1Char(','),
        quotedInt(numUser) + QLatin1Char(')'),
    };
}

QStringList istruzioneLeggiSessione(qint32 codiceSessione)
{
    return {QStringLiteral("SELECT * FROM NORVILOG WHERE CODICESESSIONE=") + quotedInt(codiceSessione)};
}

QStringList istruzioneChiudiSessione(qint32 codiceSessione, const QDate& data, const QTime& ora)
{
    return {
        QStringLiteral("UPDATE NORVILOG SET"),
        QStringLiteral("DATACHIUSURA=") + quotedDate(data) + QLatin1Char(','),
        QStringLiteral("ORACHIUSURA=") + quotedTime(ora),
        QStringLiteral("WHERE CODICESESSIONE=") + quotedInt(codiceSessione),
    };
}

QString estrazioneIdFinestra()
{
    return QStringLiteral("GEN_ID(IDFINESTRANORVILOGFUNZCOUNTER,1)");
}

QStringList istruzioneNuovoIdFinestra()
{
    return {QStringLiteral("SELECT ") + estrazioneIdFinestra() + QStringLiteral(" FROM"),
            QStringLiteral("RDB$DATABASE")};
}

QStringList istruzioneLogFunzioneParametri(bool logFinestre, bool conVoce)
{
    QStringList righe{
        QStringLiteral("INSERT INTO NORVILOGFUNZ (CODICESESSIONE,DATACHIAMATAFUNZIONE,"),
        QStringLiteral("ORACHIAMATAFUNZIONE,FUNZIONECHIAMATA"),
    };
    if (logFinestre)
        righe << QStringLiteral(",IDFINESTRA");
    if (conVoce)
        righe << QStringLiteral(",PROGRAMMA,MENU");
    righe << QStringLiteral(") VALUES(:SESSIONE,:DATA,:ORA,:FUNZIONE")
                 + (logFinestre ? QStringLiteral(",:IDFINESTRA") : QString())
                 + (conVoce ? QStringLiteral(",:PROGRAMMA,:MENU") : QString())
                 + QLatin1Char(')');
    return righe;
}

QStringList istruzioneLogFunzione(qint32 codiceSessione, const QDate& data, const QTime& ora,
                                  const QString& funzione, bool logFinestre, qint32 idFinestra,
                                  const std::optional<VoceChiamata>& voce)
{
    QStringList righe{
        QStringLiteral("INSERT INTO NORVILOGFUNZ (CODICESESSIONE,DATACHIAMATAFUNZIONE,"),
        QStringLiteral("ORACHIAMATAFUNZIONE,FUNZIONECHIAMATA"),
    };
    if (logFinestre)
        righe << QStringLiteral(",IDFINESTRA");
    if (voce)
        righe << QStringLiteral(",PROGRAMMA,MENU");
    righe << QStringLiteral(") VALUES(")
          << quotedInt(codiceSessione) + QLatin1Char(',')
          << quotedDate(data) + QLatin1Char(',')
          << quotedTime(ora) + QLatin1Char(',')
          << quoted(funzione);
    if (logFinestre)
        righe << QLatin1Char(',') + quotedInt(idFinestra);
    if (voce)
        righe << QLatin1Char(',') + quotedInt(voce->programma) + QLatin1Char(',') +
                     quotedInt(voce->menu);
    righe << QStringLiteral(")");
    return righe;
}

QStringList istruzioneFinestreSessione(qint32 codiceSessione)
{
    return {QStringLiteral("SELECT HANDLEFINESTRA FROM NORVILOGFUNZ"),
            QStringLiteral("WHERE CODICESESSIONE=") + quotedInt(codiceSessione)};
}

QStringList istruzioneSessioniAperte(qint32 numUser)
{
    return {QStringLiteral("SELECT CODICESESSIONE,DATAAPERTURA,ORAAPERTURA FROM NORVILOG"),
            QStringLiteral("WHERE (CODICEUTENTE=") + quotedInt(numUser) + QStringLiteral(")AND"),
            QStringLiteral("(DATACHIUSURA IS NULL)")};
}

} // namespace velkora

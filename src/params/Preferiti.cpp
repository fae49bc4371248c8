#include "params/Preferiti.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "db/TransactionGuard.h"
#include "platform/MessageService.h"

#include <QRegularExpression>

#include <algorithm>

namespace velkora {

QString sezionePreferiti()
{
    return QStringLiteral("Preferiti");
}

PreferitiUtente::PreferitiUtente(TTabXForm& form) : m_form(form) {}

QString PreferitiUtente::nomeVoce(qint32 programma, qint32 menu)
{
    return QStringLiteral("%1.%2").arg(programma).arg(menu);
}

std::vector<Preferito> PreferitiUtente::leggi()
{
    db::Query query(&m_form.IBDatabaseUser, &m_form.TransazioneUser);
    m_form.TransazioneUser.restart();
    query.add(QStringLiteral("SELECT PARAMETRO, VALORE FROM TABVELKORA"));
    query.add(QStringLiteral("WHERE UTENTE = :UTENTE AND INTESTAZIONE = :SEZIONE"));
    query.add(QStringLiteral("ORDER BY PROGRESSIVO"));
    query.setParam(QStringLiteral("UTENTE"), m_form.NumUser);
    query.setParam(QStringLiteral("SEZIONE"), sezionePreferiti());
    query.open();
    static const QRegularExpression forma(QStringLiteral("^(-?\\d{1,10})\\.(-?\\d{1,10})$"));
    std::vector<Preferito> preferiti;
    for (query.first(); !query.eof(); query.next()) {
        const QRegularExpressionMatch m = forma.match(query.asString(0));
        if (!m.hasMatch())
            continue;
        bool okProgramma = false;
        bool okMenu = false;
        const Preferito p{m.captured(1).toInt(&okProgramma), m.captured(2).toInt(&okMenu),
                          query.asString(1)};
        if (!okProgramma || !okMenu)
            continue;
        // A row written twice (by hand) counts once, where it first stands.
        const bool doppio = std::any_of(preferiti.cbegin(), preferiti.cend(), [&](const Preferito& q) {
            return q.programma == p.programma && q.menu == p.menu;
        });
        if (!doppio)
            preferiti.push_back(p);
    }
    query.close();
    return preferiti;
}

void PreferitiUtente::aggiungi(qint32 programma, qint32 menu, const QString& didascalia)
{
    rimuovi(programma, menu);
    m_form.ScriviParametroVelkora(sezionePreferiti(), nomeVoce(programma, menu), didascalia);
}

void PreferitiUtente::rimuovi(qint32 programma, qint32 menu)
{
    db::Query query(&m_form.IBDatabaseUser, &m_form.TransazioneUser);
    try {
        m_form.TransazioneUser.restart();
        query.add(QStringLiteral("DELETE FROM TABVELKORA"));
        query.add(QStringLiteral("WHERE UTENTE = :UTENTE AND INTESTAZIONE = :SEZIONE"));
        query.add(QStringLiteral("AND PARAMETRO = :NOME"));
        query.setParam(QStringLiteral("UTENTE"), m_form.NumUser);
        query.setParam(QStringLiteral("SEZIONE"), sezionePreferiti());
        query.setParam(QStringLiteral("NOME"), nomeVoce(programma, menu));
        db::TransactionGuard guardia(m_form.TransazioneUser);
        query.execSql();
        const bool tolte = query.rowsAffected() > 0;
        guardia.commit();
        if (!tolte)
            return;
    } catch (const db::DbError& e) {
        m_form.messages().error(QStringLiteral("Impossibile togliere la voce dai preferiti"),
                                e.message(), m_form.ownerWindow());
        return;
    }
    m_form.ScriviVelkora(m_form.NumUser);
}

} // namespace velkora

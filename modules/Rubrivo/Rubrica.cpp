#include "Rubrica.h"

#include <velkora/db/TransactionGuard.h>

namespace velkora::rubrivo {

namespace {

// An empty field is stored as NULL, as the demo data and the suite's other programs do.
QVariant testoONull(const QString& testo)
{
    return testo.isEmpty() ? QVariant() : QVariant(testo);
}

} // namespace

Rubrica::Rubrica(db::Database* database)
    : m_transazione(database), m_query(database, &m_transazione)
{
    m_transazione.params() = {QStringLiteral("isc_tpb_read_committed"),
                              QStringLiteral("isc_tpb_rec_version"),
                              QStringLiteral("isc_tpb_nowait")};
}

std::vector<Contatto> Rubrica::contattiDi(qint32 utente)
{
    // Each operation runs in its own short transaction; a failure leaves none open.
    db::TransactionGuard guardia(m_transazione);
    guardia.start();
    m_query.setSql({QStringLiteral("SELECT CODICE,NOME,TELEFONO,EMAIL,NOTE FROM RUBRICA"),
                    QStringLiteral("WHERE UTENTE=:UTENTE ORDER BY CODICE")});
    m_query.setParam(QStringLiteral("UTENTE"), utente);
    m_query.open();
    std::vector<Contatto> contatti;
    contatti.reserve(m_query.recordCount());
    for (m_query.first(); !m_query.eof(); m_query.next()) {
        contatti.push_back({static_cast<qint32>(m_query.asInteger(0)), m_query.asString(1),
                            m_query.asString(2), m_query.asString(3), m_query.asString(4)});
    }
    m_query.close();
    guardia.commit();
    return contatti;
}

qint32 Rubrica::inserisci(qint32 utente, const Contatto& contatto)
{
    db::TransactionGuard guardia(m_transazione);
    guardia.start();
    m_query.setSql({QStringLiteral("SELECT GEN_ID(CODICERUBRICACOUNTER,1) FROM RDB$DATABASE")});
    m_query.open();
    const auto codice = static_cast<qint32>(m_query.asInteger(0));
    m_query.setSql({QStringLiteral("INSERT INTO RUBRICA (CODICE,UTENTE,NOME,TELEFONO,EMAIL,NOTE)"),
                    QStringLiteral("VALUES (:CODICE,:UTENTE,:NOME,:TELEFONO,:EMAIL,:NOTE)")});
    m_query.setParam(QStringLiteral("CODICE"), codice);
    m_query.setParam(QStringLiteral("UTENTE"), utente);
    legaCampi(contatto);
    m_query.execSql();
    guardia.commit();
    return codice;
}

bool Rubrica::modifica(qint32 utente, const Contatto& contatto)
{
    return esegui({QStringLiteral(
                       "UPDATE RUBRICA SET NOME=:NOME,TELEFONO=:TELEFONO,EMAIL=:EMAIL,NOTE=:NOTE"),
                   QStringLiteral("WHERE CODICE=:CODICE AND UTENTE=:UTENTE")},
                  utente, contatto) > 0;
}

bool Rubrica::elimina(qint32 utente, qint32 codice)
{
    Contatto contatto;
    contatto.codice = codice;
    return esegui({QStringLiteral("DELETE FROM RUBRICA WHERE CODICE=:CODICE AND UTENTE=:UTENTE")},
                  utente, contatto) > 0;
}

int Rubrica::esegui(const QStringList& sql, qint32 utente, const Contatto& contatto)
{
    db::TransactionGuard guardia(m_transazione);
    guardia.start();
    m_query.setSql(sql);
    m_query.setParam(QStringLiteral("CODICE"), contatto.codice);
    m_query.setParam(QStringLiteral("UTENTE"), utente);
    // Values the statement does not name are left unused.
    legaCampi(contatto);
    m_query.execSql();
    const int righe = m_query.rowsAffected();
    guardia.commit();
    return righe;
}

void Rubrica::legaCampi(const Contatto& contatto)
{
    m_query.setParam(QStringLiteral("NOME"), contatto.nome);
    m_query.setParam(QStringLiteral("TELEFONO"), testoONull(contatto.telefono));
    m_query.setParam(QStringLiteral("EMAIL"), testoONull(contatto.email));
    m_query.setParam(QStringLiteral("NOTE"), testoONull(contatto.note));
}

} // namespace velkora::rubrivo

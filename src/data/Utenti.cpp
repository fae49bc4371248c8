#include "data/Utenti.h"

#include "db/Query.h"
#include "params/ParameterStore.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "storage/ContestoDati.h"

namespace velkora {

namespace {

// The condition on the user name shared by the look-ups by name. The name is quoted, so a
// name with an apostrophe is compared as it is and no name can change the statement.
QString condizioneNome(const QString& nomeUtente)
{
    return QStringLiteral("WHERE (NOMEUTENTE=") + db::quoted(nomeUtente) + QLatin1Char(')');
}

// Runs the given lines as a selection on the query, from a closed query with cleared text.
void apri(db::Query& query, const QStringList& righe)
{
    query.close();
    query.clear();
    for (const QString& riga : righe)
        query.add(riga);
    query.open();
}

} // namespace

// Declared with the data form (velkora/data/TabX.h), which modules include.
QStringList LeggiUtentiIni(const QString& programFolder);

Utenti::Utenti(db::Query& query, db::Transaction& transazione, const quint8& modo,
               const ContestoDati& contesto)
    : m_query(query)
    , m_transazione(transazione)
    , m_modo(modo)
    , m_contesto(contesto)
{
}

QStringList LeggiUtentiIni(const QString& programFolder)
{
    return platform::IniFile(platform::joinPath(programFolder, QStringLiteral("NOMIDIT\\UTENTI.INI")))
        .sections();
}

void Utenti::CaricaUser(QStringList& lista)
{
    if (m_modo == 1) {
        lista = LeggiUtentiIni(m_contesto.ambiente().programFolder);
        return;
    }
    if (m_modo != 0)
        return;
    apri(m_query, {QStringLiteral("SELECT NOMEUTENTE FROM UTENTI"), QStringLiteral("ORDER BY CODICE")});
    for (m_query.first(); !m_query.eof(); m_query.next())
        lista << m_query.asString(0);
}

bool Utenti::VerificaPasswordUser(const QString& nomeUtente, const QString& password)
{
    // Users from files, or no users at all, have no stored password.
    if (m_modo != 0)
        return true;
    apri(m_query, {QStringLiteral("SELECT PWDUTENTE FROM UTENTI"), condizioneNome(nomeUtente)});
    if (m_query.isEmpty())
        return false;
    m_query.first();
    const QString memorizzata = m_query.asString(0);
    // No stored password lets anything in; otherwise an exact match, case and blanks included.
    return memorizzata.isEmpty() || memorizzata == password;
}

qint32 Utenti::CercaNumUser(const QString& nomeUtente)
{
    if (m_modo != 0)
        return 0;
    apri(m_query, {QStringLiteral("SELECT CODICE FROM UTENTI"), condizioneNome(nomeUtente)});
    if (m_query.isEmpty())
        return 0;
    m_query.first();
    return static_cast<qint32>(m_query.asInteger(0));
}

QString Utenti::CercaNomeUser(qint32 numero)
{
    QString nome;
    if (m_modo == 0) {
        apri(m_query, {QStringLiteral("SELECT NOMEUTENTE FROM UTENTI"),
                            QStringLiteral("WHERE (CODICE=") + db::quotedInt(numero) + QLatin1Char(')')});
        if (!m_query.isEmpty()) {
            m_query.first();
            nome = m_query.asString(0);
        }
    } else if (m_modo == 1) {
        // A section is a one-digit number, a separator and the name. The number is looked for
        // anywhere in the section name and the last match wins, so two-digit numbers resolve
        // wrongly; existing UTENTI.INI files are read the way the suite always read them.
        QStringList sezioni;
        CaricaUser(sezioni);
        const QString cifre = QString::number(numero);
        for (const QString& sezione : std::as_const(sezioni)) {
            if (sezione.contains(cifre))
                nome = sezione.mid(2);
        }
    }
    return nome;
}

QString Utenti::LeggiDittaUser(const QString& nomeUtente)
{
    if (m_modo != 0)
        return QString();
    // The company may have been changed on another workstation: read it from a fresh
    // transaction.
    nuovaLettura();
    return dittaNellaLettura(nomeUtente);
}

void Utenti::nuovaLettura()
{
    if (m_modo != 0)
        return;
    m_query.close();
    m_transazione.restart();
}

QString Utenti::dittaNellaLettura(const QString& nomeUtente)
{
    if (m_modo != 0)
        return QString();
    apri(m_query, {QStringLiteral("SELECT DITTA FROM UTENTI"), condizioneNome(nomeUtente)});
    if (m_query.isEmpty())
        return QString();
    m_query.first();
    return m_query.asString(0);
}

Utenti::Letto Utenti::nomeEDitta(qint32 numero, const std::optional<QString>& parametro)
{
    if (m_modo != 0)
        return {};
    // The company is looked up by the name, as dittaNellaLettura does, not by the number: the
    // first row of that name is the one whose company counts.
    const QString ditta =
        QStringLiteral("(SELECT FIRST 1 D.DITTA FROM UTENTI D WHERE D.NOMEUTENTE = U.NOMEUTENTE)");
    QStringList righe{QStringLiteral("SELECT U.NOMEUTENTE, ") + ditta};
    if (parametro) {
        // As the parameter store asks: the user's rows in the section of his company (an absent
        // company is the empty section), the first one counting.
        righe << QStringLiteral(", (SELECT FIRST 1 VALORE FROM TABVELKORA WHERE")
              << ParameterStore::condizioneParametro(db::quotedInt(numero),
                                                     QStringLiteral("COALESCE(") + ditta +
                                                         QStringLiteral(", '')"),
                                                     db::quoted(*parametro))
              << QStringLiteral(")");
    }
    righe << QStringLiteral("FROM UTENTI U WHERE (U.CODICE=") + db::quotedInt(numero) + QLatin1Char(')');
    apri(m_query, righe);
    Letto letto;
    if (!m_query.isEmpty()) {
        m_query.first();
        letto.nome = m_query.asString(0);
        // An empty or missing name compares with nothing in the statement: its company is read
        // by the empty name below, as before, and the parameter by the caller.
        if (!letto.nome.isEmpty()) {
            letto.ditta = m_query.asString(1);
            if (parametro)
                letto.parametro = m_query.asString(2);
            return letto;
        }
    }
    letto.ditta = dittaNellaLettura(letto.nome);
    return letto;
}

QString Utenti::dittaDaFile() const
{
    return platform::IniFile(m_contesto.fileUtente())
        .readString(QStringLiteral("STATUS MACCHINA"), QStringLiteral("UltimaDitta"));
}

} // namespace velkora

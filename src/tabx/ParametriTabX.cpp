// The typed parameters of a data form: the named values of m_memoria and their stored copies in the
// table TABX of the first general connection. Every value placed into a statement is quoted by
// db::quoted (a quote inside is doubled) or bound as a parameter, so no code, name, level or
// value can end its literal early; the memo is bound because it may be longer than a literal.

#include "tabx/ParametriTabX.h"

#include "storage/ContestoDati.h"
#include "tabx/MemTable.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "db/Decimal.h"
#include "db/SqlText.h"
#include "platform/DateFormat.h"
#include "platform/MessageService.h"

#include <cmath>
#include <optional>

namespace velkora {

ParametriTabX::ParametriTabX(MemTable& memoria, db::Database& database,
                             db::Transaction& transazione, const ContestoDati& contesto)
    : m_memoria(memoria)
    , m_database(database)
    , m_transazione(transazione)
    , m_contesto(contesto)
{
}

std::vector<MemTable::FieldDef> ParametriTabX::campi()
{
    return {{QStringLiteral("Codice"), MemTable::FieldType::AutoInc},
            {QStringLiteral("Tipo"), MemTable::FieldType::String, 10},
            {QStringLiteral("Nome"), MemTable::FieldType::String, 64},
            {QStringLiteral("Numero"), MemTable::FieldType::LargeInt},
            {QStringLiteral("Testo"), MemTable::FieldType::String, 128},
            {QStringLiteral("Data"), MemTable::FieldType::Date},
            {QStringLiteral("Memo"), MemTable::FieldType::Memo},
            {QStringLiteral("Livello1"), MemTable::FieldType::SmallInt},
            {QStringLiteral("Livello2"), MemTable::FieldType::SmallInt},
            {QStringLiteral("Utente"), MemTable::FieldType::SmallInt}};
}

namespace {

const QString kTipoTabX = QStringLiteral("TBX");

// Texts and memos are stored with their apostrophes turned into the acute accent, as the suite's
// other programs read them back.
QString senzaApostrofi(const QString& testo)
{
    QString out = testo;
    out.replace(QLatin1Char('\''), QChar(0x00B4));
    return out;
}

// The largest whole number that the column NUMERO (DOUBLE PRECISION) keeps exactly.
constexpr qint64 kNumeroMassimo = qint64(1) << 53;

// The number as the statements write it, or nothing when the in-memory field Numero (a 64-bit
// integer) could not take it back at the next load: a whole number, written with "," or "." as
// decimal separator ("12", "12,0"), within what the column keeps exactly.
std::optional<QString> numeroSql(const QString& numero)
{
    const std::optional<db::Decimal> letto = db::Decimal::fromString(numero);
    const std::optional<db::Decimal> intero = letto ? letto->rescaled(0) : std::nullopt;
    if (!intero || intero->units() > kNumeroMassimo || intero->units() < -kNumeroMassimo)
        return std::nullopt;
    return QString::number(intero->units());
}

QString numeroRifiutato(const QString& nome, const QString& numero)
{
    return QStringLiteral("Impossibile salvare il parametro %1: il numero \"%2\" non è un numero "
                          "intero compreso tra -%3 e %3, come il parametro lo conserva. Non è "
                          "stato scritto nulla.")
        .arg(nome, numero)
        .arg(kNumeroMassimo);
}

// NUMERO as the in-memory field Numero reads it: a whole number of the column as an integer
// text (the column is DOUBLE PRECISION, whose text form would otherwise be "1e+15" for large
// values).
QString numeroLetto(const db::Query& query)
{
    const QVariant valore = query.value(QStringLiteral("NUMERO"));
    if (valore.typeId() == QMetaType::Double) {
        const double d = valore.toDouble();
        if (std::trunc(d) == d && std::fabs(d) <= static_cast<double>(kNumeroMassimo))
            return QString::number(static_cast<qint64>(d));
    }
    return db::valueToText(valore);
}

// The date read in the short date format and written month first. A text that is not a date is
// refused before any statement is built.
QString dataSql(const QString& data)
{
    const QDate giorno = platform::parseShortDate(data);
    if (!giorno.isValid())
        throw MemTable::Error(QStringLiteral("'%1' non è una data valida").arg(data));
    return db::dateText(giorno);
}

// The number and the date of a value as the statements write them (empty where the caller gave
// none). No value, after the box that says why, when the number cannot be kept exactly; a text
// that is not a date throws before anything is written.
struct ValoriScritti
{
    QString numero;
    QString data;
};
std::optional<ValoriScritti> valoriDaScrivere(const ContestoDati& contesto, const QString& nome,
                                              const QString& numero, const QString& data)
{
    ValoriScritti scritti;
    scritti.data = data.isEmpty() ? QString() : dataSql(data);
    if (!numero.isEmpty()) {
        const std::optional<QString> numeroScritto = numeroSql(numero);
        if (!numeroScritto) {
            contesto.messaggi().error(numeroRifiutato(nome, numero), contesto.finestra());
            return std::nullopt;
        }
        scritti.numero = *numeroScritto;
    }
    return scritti;
}

// The condition that identifies one value of the current user, the last line closing with ")".
QStringList condizioneValore(const QString& progetto, const QString& situazione,
                             const QString& nome, qint32 utente)
{
    return {QStringLiteral("(CODPROGETTO=") + db::quoted(progetto) + QStringLiteral(")AND"),
            QStringLiteral("(CODSITUAZIONE=") + db::quoted(situazione) + QStringLiteral(")AND"),
            QStringLiteral("(NOME=") + db::quoted(nome) + QStringLiteral(")AND"),
            QStringLiteral("(UTENTE=") + db::quotedInt(utente) + QLatin1Char(')')};
}

// One value line of the INSERT: the quoted text followed by ",", or NULL when it is empty.
QString valoreOppureNull(const QString& testo, const QString& scritto)
{
    return testo.isEmpty() ? QStringLiteral("NULL,") : db::quoted(scritto) + QLatin1Char(',');
}

} // namespace

bool ParametriTabX::scrivi(db::Query& query, const QString& memo, const QString& errore)
{
    if (!memo.isEmpty())
        query.setParam(QStringLiteral("MEMO"), senzaApostrofi(memo));
    try {
        query.execSql();
        m_transazione.commit();
    } catch (const db::DbError& e) {
        m_contesto.messaggi().error(errore, e.message(), m_contesto.finestra());
        return false;
    }
    return true;
}

bool ParametriTabX::trovaParametro(const QString& nome)
{
    return m_memoria.active() && m_memoria.locate(QStringLiteral("Nome"), nome);
}

QString ParametriTabX::GetV(const QString& nome)
{
    return trovaParametro(nome) ? m_memoria.asString(QStringLiteral("Testo")) : QString();
}

QString ParametriTabX::GetM(const QString& nome)
{
    return trovaParametro(nome) ? m_memoria.asString(QStringLiteral("Memo")) : QString();
}

bool ParametriTabX::impostaCampo(const QString& nome, const QString& campo,
                                      const QString& valore)
{
    if (!trovaParametro(nome))
        return false;
    m_memoria.edit();
    m_memoria.setAsString(campo, valore);
    m_memoria.post();
    return true;
}

bool ParametriTabX::SetV(const QString& nome, const QString& valore)
{
    return impostaCampo(nome, QStringLiteral("Testo"), valore);
}

bool ParametriTabX::SetM(const QString& nome, const QString& valore)
{
    return impostaCampo(nome, QStringLiteral("Memo"), valore);
}

void ParametriTabX::Inserisci(const QString& tipo, const QString& nome, const QString& numero,
                          const QString& testo, const QString& data, const QString& memo,
                          const QString& livello1, const QString& livello2, const QString& utente)
{
    if (!m_memoria.active())
        m_memoria.open();
    m_memoria.append();
    const std::pair<const char*, const QString*> campi[] = {
        {"Tipo", &tipo},         {"Nome", &nome},         {"Numero", &numero},
        {"Testo", &testo},       {"Data", &data},         {"Memo", &memo},
        {"Livello1", &livello1}, {"Livello2", &livello2}, {"Utente", &utente}};
    try {
        for (const auto& [campo, valore] : campi)
            m_memoria.setAsString(QString::fromLatin1(campo), *valore);
    } catch (...) {
        // A value that does not convert leaves no half-filled row behind.
        m_memoria.cancel();
        throw;
    }
    m_memoria.post();
}

void ParametriTabX::AggiornaParametriTabX()
{
    db::Query query(&m_database, &m_transazione);
    query.add(QStringLiteral("SELECT * FROM TABX WHERE"));
    query.add(QStringLiteral("(UTENTE=") + db::quotedInt(m_contesto.numUser()) + QStringLiteral(")AND"));
    query.add(QStringLiteral("(TIPO='TBX')"));
    query.open();
    const QString valori[] = {QStringLiteral("Numero"), QStringLiteral("Testo"),
                              QStringLiteral("Data"), QStringLiteral("Memo")};
    for (query.first(); !query.eof(); query.next()) {
        const QString nome = query.asString(QStringLiteral("NOME"));
        if (!m_memoria.active())
            m_memoria.open();
        if (!m_memoria.locate(QStringLiteral("Tipo"), kTipoTabX, QStringLiteral("Nome"), nome)) {
            Inserisci(
                kTipoTabX, nome, numeroLetto(query),
                query.asString(QStringLiteral("TESTO")), query.asString(QStringLiteral("DATA")),
                query.asString(QStringLiteral("MEMO")), query.asString(QStringLiteral("LIVELLO1")),
                query.asString(QStringLiteral("LIVELLO2")),
                query.asString(QStringLiteral("UTENTE")));
            continue;
        }
        m_memoria.edit();
        try {
            bool tuttiVuoti = true;
            for (const QString& campo : valori) {
                const QString testo = campo == valori[0] ? numeroLetto(query)
                                                         : query.asString(campo.toUpper());
                if (!testo.isEmpty()) {
                    tuttiVuoti = false;
                    m_memoria.setAsString(campo, testo);
                }
            }
            if (tuttiVuoti) {
                for (const QString& campo : valori)
                    m_memoria.setAsString(campo, QString());
            }
        } catch (...) {
            // The rows loaded before this one stay; this one keeps its old values.
            m_memoria.cancel();
            throw;
        }
        m_memoria.post();
    }
}

bool ParametriTabX::VerificaEsistenzaInTabX(const QString& progetto, const QString& situazione,
                                        const QString& nome)
{
    if (progetto.isEmpty() || situazione.isEmpty() || nome.isEmpty())
        return false;
    db::Query query(&m_database, &m_transazione);
    query.add(QStringLiteral("SELECT * FROM TABX WHERE "));
    for (const QString& riga : condizioneValore(progetto, situazione, nome, m_contesto.numUser()))
        query.add(riga);
    query.open();
    return !query.isEmpty();
}

bool ParametriTabX::AggiungiParametroInTabX(const QString& progetto, const QString& situazione,
                                        const QString& nome, const QString& numero,
                                        const QString& testo, const QString& data,
                                        const QString& memo, const QString& livello1,
                                        const QString& livello2)
{
    if (progetto.isEmpty() || situazione.isEmpty() || nome.isEmpty())
        return false;
    if (VerificaEsistenzaInTabX(progetto, situazione, nome))
        return true;
    const std::optional<ValoriScritti> scritti = valoriDaScrivere(m_contesto, nome, numero, data);
    if (!scritti)
        return false;
    db::Query query(&m_database, &m_transazione);
    query.add(QStringLiteral("INSERT INTO TABX VALUES("));
    query.add(QStringLiteral("GEN_ID(CODICETABXCOUNTER,1),"));
    query.add(db::quoted(progetto) + QLatin1Char(','));
    query.add(db::quoted(situazione) + QLatin1Char(','));
    query.add(QStringLiteral("'TBX',"));
    query.add(db::quoted(nome) + QLatin1Char(','));
    query.add(valoreOppureNull(numero, scritti->numero));
    query.add(valoreOppureNull(testo, senzaApostrofi(testo)));
    query.add(valoreOppureNull(data, scritti->data));
    query.add(memo.isEmpty() ? QStringLiteral("NULL,") : QStringLiteral(":MEMO,"));
    query.add(valoreOppureNull(livello1, livello1));
    query.add(valoreOppureNull(livello2, livello2));
    query.add(db::quotedInt(m_contesto.numUser()) + QLatin1Char(')'));
    return scrivi(
        query, memo,
        QStringLiteral("Errore interno di INSERT: impossibile aggiungere il parametro ") + nome);
}

bool ParametriTabX::ScriviParametroInTabX(const QString& progetto, const QString& situazione,
                                      const QString& nome, const QString& numero,
                                      const QString& testo, const QString& data,
                                      const QString& memo)
{
    if (!VerificaEsistenzaInTabX(progetto, situazione, nome))
        return false;
    const std::optional<ValoriScritti> scritti = valoriDaScrivere(m_contesto, nome, numero, data);
    if (!scritti)
        return false;
    db::Query query(&m_database, &m_transazione);
    query.add(QStringLiteral("UPDATE TABX SET"));
    query.add(numero.isEmpty()
                  ? QStringLiteral("NUMERO=NULL,")
                  : QStringLiteral("NUMERO=") + db::quoted(scritti->numero) + QLatin1Char(','));
    query.add(testo.isEmpty() ? QStringLiteral("TESTO=NULL,")
                              : QStringLiteral("TESTO=") + db::quoted(senzaApostrofi(testo)) +
                                    QLatin1Char(','));
    query.add(data.isEmpty()
                  ? QStringLiteral("DATA=NULL,")
                  : QStringLiteral("DATA=") + db::quoted(scritti->data) + QLatin1Char(','));
    query.add(memo.isEmpty() ? QStringLiteral("MEMO=NULL") : QStringLiteral("MEMO=:MEMO"));
    const QStringList condizione = condizioneValore(progetto, situazione, nome, m_contesto.numUser());
    query.add(QStringLiteral("WHERE ") + condizione.first());
    for (qsizetype i = 1; i < condizione.size(); ++i)
        query.add(condizione.at(i));
    return scrivi(
        query, memo,
        QStringLiteral("Errore interno di UPDATE: impossibile settare il parametro ") + nome);
}

bool ParametriTabX::CaricaParametroDaTabX(const QString& progetto, const QString& situazione,
                                          const QString& nome)
{
    if (!VerificaEsistenzaInTabX(progetto, situazione, nome) || !trovaParametro(nome))
        return false;
    db::Query query(&m_database, &m_transazione);
    query.add(QStringLiteral("SELECT * FROM TABX WHERE"));
    for (const QString& riga : condizioneValore(progetto, situazione, nome, m_contesto.numUser()))
        query.add(riga);
    query.open();
    if (query.isEmpty())
        return false;
    query.first();
    SetV(nome, query.asString(QStringLiteral("TESTO")));
    SetM(nome, query.asString(QStringLiteral("MEMO")));
    return true;
}

} // namespace velkora
